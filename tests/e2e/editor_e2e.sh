#!/usr/bin/env bash
# End-to-end test of the level editor through the real binary under a
# virtual X display: a new level painted with the mouse and saved with
# Ctrl+S, then loaded and checked by the level tool; an undone edit; the
# unsaved-changes question on the close button; a file that does not load.
# Usage: editor_e2e.sh EDITOR_BINARY LEVEL_TOOL_BINARY RUN_DIR SEND_CLOSE_BINARY
set -u
EDIT=$(readlink -f "$1")
LEVEL_TOOL=$(readlink -f "$2")
RUN=$(readlink -f "$3")
SEND_CLOSE=$(readlink -f "$4")
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/brindlecove-editor-XXXXXX)
. "$HERE/lib.sh"
MADE=$WORK/made.dat

start_editor() {  # start_editor FILE: waits for its window
  ("$EDIT" --data "$RUN" "$1" >"$WORK/edit.out" 2>"$WORK/edit.err") &
  GAME_PID=$!
  WINDOW=$(timeout 20 xdotool search --sync --name '^Brindlecove editor' | head -n1)
  if [ -z "$WINDOW" ]; then
    fail "the editor window opens"; cat "$WORK/edit.err"; exit 1
  fi
  sleep 1
}
click() { xdotool mousemove --window "$WINDOW" "$1" "$2"; sleep 0.1; xdotool click 1; sleep 0.3; }

# a file that does not load opens no window and says why
printf 'Broken\n3,1\n32,32\n15\n90\n0\n1,x' >"$WORK/broken.dat"
cp "$WORK/broken.dat" "$WORK/broken.orig"
message=$("$EDIT" --data "$RUN" "$WORK/broken.dat" 2>&1)
status=$?
check "a file that does not load is refused with the loader's message" \
  '[ "$status" -eq 1 ] && echo "$message" | grep -q "broken.dat: line 7"'
check "a file that does not load is left as it was" 'cmp -s "$WORK/broken.dat" "$WORK/broken.orig"'

# A new level of 25 x 19 cells of 32 pixels. With the view scrolled to
# the bottom, row r is drawn from y = 32 r - 56 and column c from x = 32 c.
start_editor "$MADE"
hold Down 1
press 1
xdotool mousemove --window "$WINDOW" 8 536 mousedown 1
for x in $(seq 40 64 800); do xdotool mousemove --window "$WINDOW" "$x" 536; sleep 0.05; done
xdotool mousemove --window "$WINDOW" 790 536; sleep 0.1; xdotool mouseup 1; sleep 0.3
press 9
click 656 504
xdotool key ctrl+s; sleep 0.5
check "Ctrl+S writes the new file" '[ -f "$MADE" ] && [ ! -e "$MADE.new" ]'
check "the floor is a full row of code 1" \
  '[ "$(sed -n 25p "$MADE")" = "$(printf "1,%.0s" $(seq 25))" ]'
check "the exit stands on the floor" '[ "$(sed -n 24p "$MADE" | cut -d, -f21)" = 9 ]'
"$LEVEL_TOOL" --data "$RUN" check "$MADE" >"$WORK/check.out" 2>&1
status=$?
check "the game's loader reads the level and check finds it clean" '[ "$status" -eq 0 ]'
cp "$MADE" "$WORK/saved.dat"

# an edit undone and saved leaves the file as it was; a new edit is asked
# about on the close button and can be dropped
press 3
click 176 472
xdotool key ctrl+z; sleep 0.3
xdotool key ctrl+s; sleep 0.5
check "an undone edit saves the same file" 'cmp -s "$MADE" "$WORK/saved.dat"'
click 336 472
"$SEND_CLOSE" "$WINDOW"
sleep 1
check "unsaved changes keep the window open on the close button" 'kill -0 "$GAME_PID" 2>/dev/null'
press d
status=$(game_exit_status)
check "D quits without saving (status 0)" '[ "$status" = 0 ]'
check "the dropped edit is not written" 'cmp -s "$MADE" "$WORK/saved.dat"'
finish
