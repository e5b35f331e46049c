#!/usr/bin/env bash
# End-to-end test: the real game under a virtual X display, driven with
# real key events and checked on screenshots.
# Usage: run_e2e.sh BRINDLECOVE_BINARY RUN_DIR (RUN_DIR holds the built .dat files)
set -u
BIN=$(readlink -f "$1")
RUN=$(readlink -f "$2")
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/brindlecove-e2e-XXXXXX)
SHOTS=${E2E_SHOTS:-$WORK/shots}
mkdir -p "$SHOTS"
FAILURES=0
GAME_PID=""
XVFB_PID=""

SKY="#7BCABD"          # 123, 202, 189
OVERLAY_BOX="#08AE4A"  # 8, 174, 74

cleanup() {
  [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  if [ "$FAILURES" -eq 0 ] && [ -z "${E2E_KEEP:-}" ]; then rm -rf "$WORK"; fi
}
trap cleanup EXIT

pass() { echo "ok   - $1"; }
fail() { echo "FAIL - $1"; FAILURES=$((FAILURES + 1)); }
check() { if eval "$2"; then pass "$1"; else fail "$1"; fi; }

# --- a private X display -------------------------------------------------
for n in $(seq 91 140); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { DISPLAY_NUMBER=$n; break; }
done
export DISPLAY=":$DISPLAY_NUMBER"
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

# --- a run directory with levels of our own --------------------------------
make_run_dir() {  # make_run_dir DIR: the data files and our test levels
  mkdir -p "$1/data"
  for f in graphics.dat font.dat sound.dat; do ln -sf "$RUN/$f" "$1/$f"; done
  cp "$HERE"/levels/*.dat "$1/data/"
}
GAME_DIR="$WORK/game"
make_run_dir "$GAME_DIR"

# --- helpers ---------------------------------------------------------------
# Holds a key long enough for at least two ticks to see it.
press() { xdotool keydown "$1"; sleep 0.2; xdotool keyup "$1"; sleep 0.4; }
hold() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; sleep 0.3; }
shot() { import -window "$WINDOW" "$SHOTS/$1.png"; }
# The colour of one pixel as #RRGGBB.
pixel() { convert "$SHOTS/$1.png" -format "#%[hex:p{$2,$3}]" info: | cut -c1-7; }
# How many pixels of a region (WxH+X+Y) have the colour.
count_colour() {
  convert "$SHOTS/$1.png" -crop "$2" +repage txt:- | grep -c -i "$3"
}
# The leftmost x of a non-sky pixel in row y, or -1.
first_non_sky_x() {
  convert "$SHOTS/$1.png" -crop "800x1+0+$2" +repage txt:- |
    awk -v sky="$SKY" 'NR > 1 && toupper($3) != sky { split($1, p, ","); print p[1]; found = 1; exit }
                       END { if (!found) print -1 }'
}
near_colour() {  # near_colour #RRGGBB #RRGGBB: each channel within 8
  local a=$1 b=$2 i
  for i in 1 3 5; do
    local x=$((16#${a:$i:2})) y=$((16#${b:$i:2}))
    [ $((x > y ? x - y : y - x)) -le 8 ] || return 1
  done
}

# --- a run without graphics.dat ---------------------------------------------
NO_GFX="$WORK/no-graphics"
make_run_dir "$NO_GFX"
rm "$NO_GFX/graphics.dat"
(cd "$NO_GFX" && timeout 20 "$BIN" >"$WORK/no-gfx.out" 2>"$WORK/no-gfx.err")
status=$?
check "a run without graphics.dat exits non-zero (status $status)" "[ $status -ne 0 ] && [ $status -ne 124 ]"
check "its message names graphics.dat" "grep -q 'graphics.dat' '$WORK/no-gfx.err'"

# --- the game ---------------------------------------------------------------
(cd "$GAME_DIR" && exec "$BIN" >"$WORK/game.out" 2>"$WORK/game.err") &
GAME_PID=$!
WINDOW=$(timeout 20 xdotool search --sync --name '^Brindlecove Version 0\.8a BETA release$' | head -n1)
check "the window is titled \"Brindlecove Version 0.8a BETA release\"" "[ -n '$WINDOW' ]"
if [ -z "$WINDOW" ]; then
  echo "game stderr:"; cat "$WORK/game.err"
  exit 1
fi
sleep 1.5

shot menu
check "the menu clears to the sky colour" "[ '$(pixel menu 5 140)' = '$SKY' ]"
check "the menu shows its title picture" "[ $(count_colour menu 400x120+200+10 "$SKY") -lt 40000 ]"
check "the menu shows its items" "[ $(count_colour menu 200x110+350+150 "$SKY") -lt 21500 ]"

press Return
shot intro
check "Enter on Play game! shows the level intro overlay" \
  "near_colour '$(pixel intro 205 300)' '$OVERLAY_BOX'"

press Return
sleep 1.2  # the player falls onto the floor
shot playing
check "Enter starts play: the overlay is gone" "! near_colour '$(pixel playing 205 300)' '$OVERLAY_BOX'"
before=$(first_non_sky_x playing 305)
check "the player stands near the start (x $before)" "[ $before -ge 40 ] && [ $before -le 80 ]"

hold Right 1.0
shot walked
after=$(first_non_sky_x walked 305)
check "holding Right moves the player right (x $before -> $after)" "[ $after -gt $((before + 100)) ]"

press Escape
shot menu-again
check "Escape opens the menu" "[ $(count_colour menu-again 400x120+200+10 "$SKY") -lt 40000 ]"

press Escape
status=""
for _ in $(seq 50); do
  if ! kill -0 "$GAME_PID" 2>/dev/null; then wait "$GAME_PID"; status=$?; break; fi
  sleep 0.1
done
check "Escape on the menu ends the program with status 0 (status ${status:-still running})" "[ '$status' = 0 ]"
[ "$status" = "" ] || GAME_PID=""

if [ "$FAILURES" -ne 0 ]; then
  echo "$FAILURES check(s) failed; screenshots and logs kept in $WORK"
  echo "game stderr:"; cat "$WORK/game.err"
  exit 1
fi
echo "all end-to-end checks passed"
