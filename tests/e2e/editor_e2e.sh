#!/usr/bin/env bash
# End-to-end test of the level editor through the real binary under a
# virtual X display: a new level painted with the mouse and saved with
# Ctrl+S, then loaded and checked by the level tool; an undone edit; the
# unsaved-changes question on the close button; a file that does not load;
# stepping through the check's findings with Tab; F6's solver running beside
# a live window and stopped with Escape.
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
# How many pixels of a region (WxH+X+Y) are within 8 a channel of #RRGGBB
# (the editor draws at 16 bits a pixel).
count_near() {
  convert "$SHOTS/$1.png" -crop "$2" +repage txt:- |
    awk -v c="$3" 'function h(s) { return index("0123456789ABCDEF", s) - 1 }
      function v(s, i) { return h(substr(s, i, 1)) * 16 + h(substr(s, i + 1, 1)) }
      function d(a, b) { return a > b ? a - b : b - a }
      NR > 1 { p = toupper($3); n += d(v(p, 2), v(c, 2)) <= 8 && d(v(p, 4), v(c, 4)) <= 8 &&
                                   d(v(p, 6), v(c, 6)) <= 8 }
      END { print n + 0 }'
}
# The editor's running solvers: the level tool solving its copy of the level.
solvers() { pgrep -f 'brindlecove-level --data .* solve --json --trace /tmp/brindlecove-edit-'; }
MAP_AREA=800x528+0+24   # between the status bar and the palette
# Waits up to 5 s for the editor to end and sets `status` to its exit
# status; run in this shell, whose child the editor is.
await_editor() {
  for _ in $(seq 50); do kill -0 "$GAME_PID" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$GAME_PID" 2>/dev/null; then status=""; else wait "$GAME_PID"; status=$?; fi
  GAME_PID=""
}

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

# Three findings: no exit (no place on the map), code 12 at column 55,
# row 5 (off the first view) and at column 2, row 10. The one the status
# bar shows is framed in yellow, the others in red; Tab steps to the next
# and brings it into view, Shift+Tab back. The view is clamped to the map:
# column 55, row 5 comes at (640, 184), column 2, row 10 at (64, 272).
{
  printf 'Findings\n60,19\n32,32\n15\n90\n0\n'
  for row in $(seq 0 18); do
    line=""
    for col in $(seq 0 59); do
      code=0
      { [ "$row" = 5 ] && [ "$col" = 55 ]; } || { [ "$row" = 10 ] && [ "$col" = 2 ]; } && code=12
      [ "$row" = 18 ] && code=1
      line="$line$code,"
    done
    echo "$line"
  done
} >"$WORK/findings.dat"
start_editor "$WORK/findings.dat"
xdotool mousemove --window "$WINDOW" 400 300; sleep 0.3
shot findings-first
check "the findings' cells are framed in red, none in yellow while a file-wide one is shown" \
  '[ "$(count_near findings-first 40x40+60+340 "#FF0000")" -gt 100 ] &&
   [ "$(count_near findings-first "$MAP_AREA" "#FFDC00")" -eq 0 ]'
press Tab
shot findings-second
check "Tab frames the next finding in yellow, brought into the middle of the view" \
  '[ "$(count_near findings-second 40x40+636+180 "#FFDC00")" -gt 100 ] &&
   [ "$(count_near findings-second 40x40+60+340 "#FF0000")" -eq 0 ]'
press Tab
shot findings-third
check "Tab again: the third finding, back at the left" \
  '[ "$(count_near findings-third 40x40+60+268 "#FFDC00")" -gt 100 ]'
xdotool keydown shift; press Tab; xdotool keyup shift; sleep 0.3
shot findings-back
check "Shift+Tab steps back to the second" \
  'same_region findings-second findings-back "$MAP_AREA"'

# F6: the level tool solves beside the window. Level 3 keeps it busy for
# a few seconds; stopped (SIGSTOP) it stays busy as long as the checks
# need: the window goes on drawing (the status bar counts the seconds) and
# Escape takes the solver away. A second F6 left alone draws its run.
xdotool key Escape
await_editor
check "Escape quits an unchanged level (status 0)" '[ "$status" = 0 ]'
cp "$RUN/data/level3.dat" "$WORK/level3.dat"
start_editor "$WORK/level3.dat"
xdotool key F6; sleep 0.3
solver=$(solvers)
check "F6 runs the level tool's solver beside the editor" '[ -n "$solver" ]'
[ -n "$solver" ] && kill -STOP $solver
shot solving-1; sleep 1.2; shot solving-2
check "the window stays live while it solves" '! same_region solving-1 solving-2 800x10+0+13'
xdotool key Escape; sleep 0.5
check "Escape abandons the solve: the solver is gone" '[ -z "$(solvers)" ]'
check "and the editor is still open" 'kill -0 "$GAME_PID" 2>/dev/null'
xdotool key F6
# the editor starts it on its next frame; then it runs for a few seconds
for _ in $(seq 30); do [ -n "$(solvers)" ] && break; sleep 0.1; done
for _ in $(seq 600); do [ -z "$(solvers)" ] && break; sleep 0.1; done
sleep 0.3; shot solved
check "a finished solve draws its run over the map" \
  '[ "$(count_near solved "$MAP_AREA" "#FF3CC8")" -gt 50 ]'
xdotool key Escape
await_editor
check "Escape then quits (status 0)" '[ "$status" = 0 ]'
finish
