#!/usr/bin/env bash
# End-to-end test of the comforts through the real game under a virtual X
# display: the close button from the menu, from play and from the name
# entry; the pause, by P and on focus loss; a key chosen in the settings file; --rest's frame rate
# and processor share; a virtual pad where the machine has uinput.
# Usage: comforts_e2e.sh BRINDLECOVE_BINARY RUN_DIR SEND_CLOSE_BINARY
set -u
BIN=$(readlink -f "$1")
RUN=$(readlink -f "$2")
SEND_CLOSE=$(readlink -f "$3")
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/brindlecove-comforts-XXXXXX)
. "$HERE/lib.sh"
# the player's own settings must not count here
export XDG_CONFIG_HOME="$WORK/config"
SETTINGS="$XDG_CONFIG_HOME/brindlecove/brindlecove.cfg"

make_run_dir() {  # make_run_dir DIR SCENARIO
  mkdir -p "$1/data"
  for f in graphics.dat font.dat sound.dat; do ln -sf "$RUN/$f" "$1/$f"; done
  cp "$HERE/levels/$2"/* "$1/data/"
  [ -f "$1/data/game.hs" ] || cp "$RUN/data/game.hs" "$1/data/game.hs"
}

now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }   # calc EXPRESSION: its value
holds() { awk "BEGIN { exit !($1) }"; }  # holds CONDITION: true or false
# Closes the window as a desktop's close button does; sets $result to the
# status the game ended with and the seconds it took, or "running".
close_window() {
  local start status end
  start=$(now)
  result=running
  "$SEND_CLOSE" "$WINDOW"
  for _ in $(seq 50); do
    if ! kill -0 "$GAME_PID" 2>/dev/null; then
      end=$(now); wait "$GAME_PID"; status=$?; GAME_PID=""
      result="$status $(calc "$end - $start")"
      return
    fi
    sleep 0.05
  done
}
closed_quickly() {  # closed_quickly "STATUS SECONDS": status 0 within a second
  set -- $1
  [ "${1:-}" = 0 ] && holds "${2:-9} <= 1.0"
}

# --- the close button -----------------------------------------------------------
make_run_dir "$WORK/close" scores
cp "$WORK/close/data/game.hs" "$WORK/table-before"
start_game "$WORK/close" close-menu
close_window
check "closing the window on the menu ends the game with status 0 within 1 s ($result)" \
  "closed_quickly '$result'"

start_game "$WORK/close" close-play
press Return
press Return
sleep 0.3
close_window
check "closing the window in play ends the game with status 0 within 1 s ($result)" \
  "closed_quickly '$result'"

start_game "$WORK/close" close-name
press Return
for life in 1 2 3; do
  press Return
  sleep 1.5
done
press Return
wait_for_shot close-name-entry name_entry_shown || fail "the name entry opens"
xdotool type --delay 100 "Half"
close_window
check "closing the window in the name entry ends the game with status 0 within 1 s ($result)" \
  "closed_quickly '$result'"
check "... and the table is as it was: the half-typed name is dropped" \
  "cmp -s '$WORK/table-before' '$WORK/close/data/game.hs'"

# --- pause ------------------------------------------------------------------------
make_run_dir "$WORK/pause" basic
start_game "$WORK/pause" pause
press Return
press Return
sleep 1.2
press p
shot paused-1
sleep 3
shot paused-2
check "P shows the pause box" "overlay_shown paused-1"
check "the level clock stands still for 3 s" "same_region paused-1 paused-2 200x20+600+5"
check "... and so does the world: the two paused frames are the same" \
  "same_region paused-1 paused-2 800x600+0+0"
press p
sleep 2.2
shot resumed
check "P again takes the box away and the clock goes on" \
  "! overlay_shown resumed && ! same_region paused-2 resumed 200x20+600+5"
close_window

# --- focus loss --------------------------------------------------------------------
# The focus moves to the root window as it would to another program's.
ROOT_WINDOW=$(xwininfo -root | awk '/Window id/ { print $4 }')
lose_focus() { xdotool windowfocus "$ROOT_WINDOW" 2>/dev/null; sleep 0.8; }
start_game "$WORK/pause" focus-default
press Return
press Return
sleep 0.5
lose_focus
shot focus-default
check "by default, losing the focus does not pause" "! overlay_shown focus-default"
close_window
mkdir -p "$(dirname "$SETTINGS")"
printf 'pause_on_focus_loss = 1\n' >"$SETTINGS"
start_game "$WORK/pause" focus-pause
press Return
press Return
sleep 0.5
shot focus-held
lose_focus
shot focus-lost
xdotool windowfocus "$WINDOW" 2>/dev/null
sleep 0.8
shot focus-back
check "with pause_on_focus_loss = 1, losing the focus pauses" \
  "! overlay_shown focus-held && overlay_shown focus-lost"
check "... and the pause holds when the focus comes back, until P" "overlay_shown focus-back"
close_window
rm -f "$SETTINGS"

# --- a key chosen in the settings ----------------------------------------------------
mkdir -p "$(dirname "$SETTINGS")"
printf '[keys]\nright = D\n' >"$SETTINGS"
make_run_dir "$WORK/keys" basic
start_game "$WORK/keys" keys
press Return
press Return
sleep 1.2
shot keys-start
before=$(first_non_sky_x keys-start 305)
hold Right 0.8
shot keys-arrow
arrow=$(first_non_sky_x keys-arrow 305)
hold d 1.0
shot keys-d
after=$(first_non_sky_x keys-d 305)
check "with right = D, Right no longer walks (x $before -> $arrow)" "[ $arrow -le $((before + 6)) ]"
check "... and D walks right (x $arrow -> $after)" "[ $after -gt $((arrow + 100)) ]"
check "a settings file without faults says nothing" "! grep -q '^brindlecove:' '$WORK/keys.err'"
close_window
printf '[keys]\nright = Nowhere\nleft = D\njump = D\n' >"$SETTINGS"
start_game "$WORK/keys" keys-bad
check "a bad key name and a clash are reported with the file and line" \
  "grep -qx 'brindlecove: $SETTINGS:2: \\[keys\\] right = Nowhere: no such key; keeping RIGHT' '$WORK/keys-bad.err' &&
   grep -q '^brindlecove: $SETTINGS:4: \\[keys\\] jump = D clashes with left' '$WORK/keys-bad.err'"
close_window
rm -f "$SETTINGS"

# --- --rest: the frame rate and the processor ---------------------------------------
# The credits scroll 2 pixels a frame: two shots some seconds apart give the
# frames drawn between them. The processor share is read from /proc.
top_white_row() {  # the first row with a white credits pixel in the band, or -1
  convert "$SHOTS/$1.png" -crop 400x340+300+0 +repage txt:- |
    awk -v w="$WHITE" 'NR > 1 && toupper($3) == w { split($1, p, ","); sub(":", "", p[2]); print p[2]; found = 1; exit }
                       END { if (!found) print -1 }'
}
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$GAME_PID/stat"; }
measure() {  # measure NAME [ARG...]: sets $fps and $cpu (percent of a core)
  local name=$1; shift
  make_run_dir "$WORK/$name" basic
  start_game "$WORK/$name" "$name" "$@"
  local t0 c0 t1 c1
  t0=$(now); c0=$(cpu_ticks)
  sleep 5
  t1=$(now); c1=$(cpu_ticks)
  cpu=$(calc "($c1 - $c0) * 100 / $(getconf CLK_TCK) / ($t1 - $t0)")
  press Down
  press Return
  sleep 0.3
  local ta tb ya yb
  ta=$(now); shot "$name-credits-a"
  sleep 2.5
  tb=$(now); shot "$name-credits-b"
  ya=$(top_white_row "$name-credits-a"); yb=$(top_white_row "$name-credits-b")
  fps=$(calc "($ya - $yb) / 2 / ($tb - $ta)")
  close_window
}
measure spin
spinFps=$fps spinCpu=$cpu
measure rest --rest
echo "# menu: spin ${spinCpu}% of a core, $spinFps frames/s; rest ${cpu}% of a core, $fps frames/s"
check "--rest keeps about 35 frames a second ($fps)" "holds '$fps >= 30 && $fps <= 40'"
check "--rest uses under 10% of a core on the menu (${cpu}%; spinning: ${spinCpu}%)" \
  "holds '$cpu < 10'"

# --- a virtual pad ------------------------------------------------------------------
if [ ! -w /dev/uinput ]; then
  echo "skip - the virtual pad: /dev/uinput is missing or not writable here (the unit tests cover the pad's mapping)"
else
  make_run_dir "$WORK/pad" basic
  "$HERE/virtual_pad.py" "$WORK/pad.fifo" >"$WORK/pad.log" 2>&1 &
  PAD_PID=$!
  for _ in $(seq 50); do [ -s "$WORK/pad.log" ] && break; sleep 0.1; done
  if ! grep -q '^ready' "$WORK/pad.log"; then
    echo "skip - the virtual pad: $(tail -n1 "$WORK/pad.log")"
    kill "$PAD_PID" 2>/dev/null
  else
    start_game "$WORK/pad" pad
    pad() { echo "$1" >"$WORK/pad.fifo"; sleep "${2:-0.4}"; }
    pad "press start"
    pad "press start"
    sleep 1
    shot pad-start
    before=$(first_non_sky_x pad-start 305)
    pad "right 1.0" 1.4
    shot pad-walked
    after=$(first_non_sky_x pad-walked 305)
    check "the pad's start button starts the game and its stick walks (x $before -> $after)" \
      "[ $after -gt $((before + 100)) ]"
    close_window
    echo quit >"$WORK/pad.fifo"
  fi
fi

finish
