#!/usr/bin/env bash
# Takes the screenshots and whole-map pictures shown in the README: the real
# game with the shipped levels under a virtual display.
# Usage: showcase.sh BUILD_RUN_DIR OUTPUT_DIR
set -eu
RUN=$(readlink -f "$1")
OUT=$(mkdir -p "$2" && readlink -f "$2")
REPO=$(cd "$(dirname "$0")/../.." && pwd)
WORK=$(mktemp -d /tmp/brindlecove-showcase-XXXXXX)
trap 'kill $GAME_PID $XVFB_PID 2>/dev/null; rm -rf "$WORK"' EXIT
GAME_PID=""

for n in $(seq 141 180); do [ -e "/tmp/.X$n-lock" ] || { export DISPLAY=":$n"; break; }; done
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
sleep 1

press() { xdotool keydown "$1"; sleep 0.2; xdotool keyup "$1"; sleep 0.4; }
hold() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; }
shot() { import -window "$WINDOW" "$OUT/$1.png"; }
start() {  # start LEVEL1 [TABLE]: a run directory whose first level (and high scores) are these
  rm -rf "$WORK/run"; mkdir -p "$WORK/run/data"
  for f in graphics.dat font.dat sound.dat allegro.cfg digmid.cfg; do ln -s "$RUN/$f" "$WORK/run/$f"; done
  cp "$REPO"/data/*.dat "$REPO/data/game.hs" "$WORK/run/data/"
  cp "$1" "$WORK/run/data/level1.dat"
  [ $# -lt 2 ] || cp "$2" "$WORK/run/data/game.hs"
  (cd "$WORK/run" && exec "$RUN/brindlecove" >/dev/null 2>&1) &
  GAME_PID=$!
  WINDOW=$(timeout 20 xdotool search --sync --name '^Brindlecove Version' | head -n1)
  sleep 1.5
}
stop() { press Escape; press Escape; timeout 10 tail --pid="$GAME_PID" -f /dev/null || kill "$GAME_PID"; GAME_PID=""; }

start "$REPO/data/level1.dat"
shot menu
press Down; press Return; sleep 6; shot credits; press Return
press Up; press Return; shot level1-intro
press Return; sleep 1; hold Right 1.6; sleep 0.2; shot level1-play
stop

for n in 2 3; do
  start "$REPO/data/level$n.dat"
  press Return; press Return; sleep 1; hold Right 1.2; shot "level$n-play"
  stop
done

# three lives lost in a pit of fire, then the way to the table
# a table whose last place a short game can take
sed 's/50Newt/10Newt/' "$REPO/data/game.hs" > "$WORK/table.hs"
start "$REPO/tests/e2e/levels/scores/level1.dat" "$WORK/table.hs"
press Return
for life in 1 2 3; do press Return; sleep 1.5; done
shot game-over
press Return; sleep 0.5
xdotool type --delay 120 "Cove"; sleep 0.3; shot name-entry
press Return; sleep 0.5; shot high-scores
press Return; press Escape; timeout 10 tail --pid="$GAME_PID" -f /dev/null || kill "$GAME_PID"; GAME_PID=""

for n in 1 2 3; do
  "$RUN/brindlecove-level" --data "$RUN" picture "$REPO/data/level$n.dat" "$OUT/level$n-map.png"
done
"$RUN/brindlecove-level" --data "$RUN" picture "$REPO/data/menu.dat" "$OUT/menu-map.png"
echo "pictures in $OUT"
