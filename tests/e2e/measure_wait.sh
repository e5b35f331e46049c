#!/usr/bin/env bash
# Measures what the wait for the next tick costs: the processor share of the
# game on the menu and in play, spinning (the default) and with --rest, and
# the ticks a second over 20 s (counted by recordings of a short and a long
# run on the menu: their difference leaves out the start-up), under a
# virtual X display. Prints a table for the README; checks nothing.
# Usage: measure_wait.sh BRINDLECOVE_BINARY RUN_DIR SEND_CLOSE_BINARY [SECONDS]
set -u
BIN=$(readlink -f "$1")
RUN=$(readlink -f "$2")
SEND_CLOSE=$(readlink -f "$3")
SECONDS_MEASURED=${4:-20}
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/brindlecove-measure-XXXXXX)
. "$HERE/lib.sh"
export XDG_CONFIG_HOME="$WORK/config"
CLK_TCK=$(getconf CLK_TCK)

calc() { awk "BEGIN { printf \"%.${2:-1}f\", $1 }"; }
uptime_s() { cut -d' ' -f1 /proc/uptime; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$GAME_PID/stat"; }
started_at() { awk -v hz="$CLK_TCK" '{ print $22 / hz }' "/proc/$GAME_PID/stat"; }

# run NAME PLAY SECONDS ARG...: the processor share over SECONDS on the
# menu (PLAY=0) or in play (1); sets $cpu, $ticks (recorded) and $lasted
# (from the program's start to the close)
run() {
  local name=$1 play=$2 seconds=$3
  shift 3
  mkdir -p "$WORK/$name/data"
  for f in graphics.dat font.dat sound.dat; do ln -sf "$RUN/$f" "$WORK/$name/$f"; done
  cp "$HERE/levels/basic"/* "$WORK/$name/data/"
  start_game "$WORK/$name" "$name" --record "$WORK/$name.rec" "$@"
  local start c0 t0 c1 t1
  start=$(started_at)
  if [ "$play" = 1 ]; then press Return; press Return; sleep 1; fi
  c0=$(cpu_ticks); t0=$(uptime_s)
  sleep "$seconds"
  c1=$(cpu_ticks); t1=$(uptime_s)
  "$SEND_CLOSE" "$WINDOW"
  local closed
  closed=$(uptime_s)
  for _ in $(seq 50); do kill -0 "$GAME_PID" 2>/dev/null || break; sleep 0.05; done
  wait "$GAME_PID"
  GAME_PID=""
  cpu=$(calc "($c1 - $c0) * 100 / $CLK_TCK / ($t1 - $t0)")
  ticks=$(awk '$1 == "end" { print $2 }' "$WORK/$name.rec")
  lasted=$(calc "$closed - $start" 3)
}

echo "| Wait | CPU on the menu | CPU in play | Ticks a second over ${SECONDS_MEASURED} s |"
echo "|---|---|---|---|"
for mode in spin rest; do
  extra=()
  [ "$mode" = rest ] && extra=(--rest)
  run "$mode-short" 0 2 "${extra[@]}"
  shortTicks=$ticks shortLasted=$lasted
  run "$mode-menu" 0 "$SECONDS_MEASURED" "${extra[@]}"
  menuCpu=$cpu
  rate=$(calc "($ticks - $shortTicks) / ($lasted - $shortLasted)" 2)
  run "$mode-play" 1 "$SECONDS_MEASURED" "${extra[@]}"
  echo "| $mode | ${menuCpu} % of a core | ${cpu} % of a core | $rate |"
done
finish >/dev/null
