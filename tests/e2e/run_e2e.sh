#!/usr/bin/env bash
# End-to-end test: the real game under a virtual X display, driven with
# real key events and checked on screenshots and on the files it writes.
# Usage: run_e2e.sh BRINDLECOVE_BINARY RUN_DIR (RUN_DIR holds the built .dat files)
set -u
BIN=$(readlink -f "$1")
RUN=$(readlink -f "$2")
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/brindlecove-e2e-XXXXXX)
SHOTS=$WORK/shots
mkdir -p "$SHOTS"
FAILURES=0
GAME_PID=""
XVFB_PID=""
WINDOW=""

SKY="#7BCABD"          # 123, 202, 189
OVERLAY_BOX="#08AE4A"  # 8, 174, 74
WHITE="#FFFFFF"

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

# --- helpers ---------------------------------------------------------------
# A run directory with the built data files and the levels of one scenario.
make_run_dir() {  # make_run_dir DIR SCENARIO
  mkdir -p "$1/data"
  for f in graphics.dat font.dat sound.dat; do ln -sf "$RUN/$f" "$1/$f"; done
  cp "$HERE/levels/$2"/* "$1/data/"
}
start_game() {  # start_game DIR NAME: runs the game there and waits for its window
  (cd "$1" && exec "$BIN" >"$WORK/$2.out" 2>"$WORK/$2.err") &
  GAME_PID=$!
  WINDOW=$(timeout 20 xdotool search --sync --name '^Brindlecove Version 0\.8a BETA release$' | head -n1)
  if [ -z "$WINDOW" ]; then
    fail "the game window opens ($2)"; cat "$WORK/$2.err"; exit 1
  fi
  sleep 1.5
}
game_exit_status() {  # waits up to 5 s for the game to end; prints its status or nothing
  local status=""
  for _ in $(seq 50); do
    if ! kill -0 "$GAME_PID" 2>/dev/null; then wait "$GAME_PID"; status=$?; GAME_PID=""; break; fi
    sleep 0.1
  done
  echo "$status"
}
# Holds a key long enough for at least two ticks to see it.
press() { xdotool keydown "$1"; sleep 0.2; xdotool keyup "$1"; sleep 0.4; }
hold() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; sleep 0.3; }
shot() { import -window "$WINDOW" "$SHOTS/$1.png"; }
# The colour of one pixel as #RRGGBB.
pixel() { convert "$SHOTS/$1.png" -format "#%[hex:p{$2,$3}]" info: | cut -c1-7; }
# How many pixels of a region (WxH+X+Y) have the colour.
count_colour() { convert "$SHOTS/$1.png" -crop "$2" +repage txt:- | grep -c -i "$3"; }
# Whether a region (WxH+X+Y) is the same in two screenshots.
same_region() {
  convert "$SHOTS/$1.png" -crop "$3" +repage "$WORK/region-a.png"
  convert "$SHOTS/$2.png" -crop "$3" +repage "$WORK/region-b.png"
  [ "$(compare -metric AE "$WORK/region-a.png" "$WORK/region-b.png" null: 2>&1)" = 0 ]
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
overlay_shown() { near_colour "$(pixel "$1" 205 300)" "$OVERLAY_BOX"; }
title_shown() { [ "$(count_colour "$1" 400x120+200+10 "$SKY")" -lt 40000 ]; }

# --- a run without graphics.dat ---------------------------------------------
NO_GFX="$WORK/no-graphics"
make_run_dir "$NO_GFX" basic
rm "$NO_GFX/graphics.dat"
(cd "$NO_GFX" && timeout 20 "$BIN" >"$WORK/no-gfx.out" 2>"$WORK/no-gfx.err")
status=$?
check "a run without graphics.dat exits non-zero (status $status)" "[ $status -ne 0 ] && [ $status -ne 124 ]"
check "its message names graphics.dat" "grep -q 'graphics.dat' '$WORK/no-gfx.err'"

# --- basics: menu, intro, play, walking, Escape, Exit -----------------------
make_run_dir "$WORK/basic" basic
start_game "$WORK/basic" basic
pass "the window is titled \"Brindlecove Version 0.8a BETA release\""
shot menu
check "the menu clears to the sky colour" "[ '$(pixel menu 5 140)' = '$SKY' ]"
check "the menu shows its title picture" "title_shown menu"
check "the menu shows its items" "[ $(count_colour menu 200x110+350+150 "$SKY") -lt 21500 ]"

press Return
shot intro
check "Enter on Play game! shows the level intro overlay" "overlay_shown intro"

press Return
sleep 1.2  # the player falls onto the floor
shot playing
check "Enter starts play: the overlay is gone" "! overlay_shown playing"
before=$(first_non_sky_x playing 305)
check "the player stands near the start (x $before)" "[ $before -ge 40 ] && [ $before -le 80 ]"

hold Right 1.0
shot walked
after=$(first_non_sky_x walked 305)
check "holding Right moves the player right (x $before -> $after)" "[ $after -gt $((before + 100)) ]"

hold Escape 1.5        # past the keyboard's auto-repeat delay
shot menu-again
check "Escape opens the menu, and held on stays there" \
  "title_shown menu-again && kill -0 $GAME_PID"

press Escape
status=$(game_exit_status)
check "Escape on the menu ends the program with status 0 (status ${status:-still running})" "[ '$status' = 0 ]"

# --- credits, and an enemy that costs a life -------------------------------
make_run_dir "$WORK/enemy" enemy
start_game "$WORK/enemy" enemy
shot enemy-menu
check "the menu shows no white credit lines" "[ $(count_colour enemy-menu 500x190+300+150 "$WHITE") -eq 0 ]"
press Down
press Return
sleep 2.5
shot credits
check "Credits scroll white lines over the backdrop" \
  "[ $(count_colour credits 500x340+300+0 "$WHITE") -gt 100 ]"
press Return
shot credits-left
check "Enter on the credits returns to the menu" \
  "title_shown credits-left && [ $(count_colour credits-left 500x190+300+150 "$WHITE") -eq 0 ]"

press Up
press Return
press Return
sleep 0.5
shot enemy-playing
check "the enemy level starts" "! overlay_shown enemy-playing"
sleep 4
shot enemy-met
check "an enemy meeting the player costs a life: the lost-life overlay" "overlay_shown enemy-met"
press Escape
press Escape
status=$(game_exit_status)
check "the program ends with status 0 (status ${status:-still running})" "[ '$status' = 0 ]"

# --- a short game to the high score table ----------------------------------
make_run_dir "$WORK/scores" scores
start_game "$WORK/scores" scores
press Return          # Play game!
# Enter held over two ticks after a lost life restarts the level and resumes
# play at once, so each life takes one press.
for life in 1 2 3; do
  press Return
  sleep 1.5           # the fall through the coin into the fire
done
shot game-over
check "the third lost life ends the game: no box, the game-over picture" \
  "! overlay_shown game-over && [ $(count_colour game-over 232x60+390+300 "$SKY") -lt 10000 ]"
press Return
sleep 0.3
shot name-entry
check "a qualifying score asks for a name" "[ $(count_colour name-entry 660x30+140+145 "$SKY") -lt 19500 ]"
xdotool type --delay 150 "Tester"
press BackSpace
xdotool type --delay 150 "r!"
press Return
sleep 0.5
shot table
press Return
shot after-table
check "Enter on the high score screen opens the menu" "title_shown after-table"
press Escape
status=$(game_exit_status)
check "the game ends with status 0 (status ${status:-still running})" "[ '$status' = 0 ]"
expected=$(printf '100Old0\n\r90Old1\n\r80Old2\n\r70Old3\n\r60Old4\n\r50Old5\n\r40Old6\n\r30Old7\n\r20Old8\n\r15Tester!\n\r')
check "game.hs holds the new entry at place 10, in the file's format" \
  "[ \"\$(cat '$WORK/scores/data/game.hs')\" = \"\$expected\" ]"

start_game "$WORK/scores" scores-again
press Down
press Down
press Return
shot table-again
check "a second run shows the same table" "same_region table table-again 400x290+290+5"
press Return
press Escape
status=$(game_exit_status)
check "the second run ends with status 0" "[ '$status' = 0 ]"

# --- ways out of a finished game ----------------------------------------------
# Three lives lost in the scores scenario: the game-ended picture.
game_over_shown() { ! overlay_shown "$1" && [ "$(count_colour "$1" 232x60+390+300 "$SKY")" -lt 10000 ]; }
# Shoots NAME until CONDITION (a command line given NAME) holds; 8 s at most.
wait_for_shot() {
  for _ in $(seq 40); do shot "$1"; $2 "$1" && return 0; sleep 0.2; done
  return 1
}
lost_or_over() { overlay_shown "$1" || game_over_shown "$1"; }
lose_three_lives() {
  press Return          # Play game!
  for life in 1 2 3; do
    press Return
    wait_for_shot "life-$life" lost_or_over || fail "life $life ends in the fire"
  done
  check "three lost lives end the game" "game_over_shown life-3"
}
cp "$HERE/levels/scores/game.hs" "$WORK/scores/data/game.hs"
start_game "$WORK/scores" exit-after-end
lose_three_lives
press Escape
press Down
press Down
press Down
press Return
status=$(game_exit_status)
check "Exit chosen with Enter over a finished game ends the program (status ${status:-still running})" \
  "[ '$status' = 0 ]"
check "... with no score check: game.hs is unchanged" "cmp -s '$HERE/levels/scores/game.hs' '$WORK/scores/data/game.hs'"

start_game "$WORK/scores" new-after-end
press Return
shot first-intro
press Escape          # back to the menu, then the same game again
lose_three_lives
# Enter held well past the keyboard's auto-repeat delay at the game-ended picture
hold Return 1.5
shot held-name-entry
check "Enter held over the end of a game leaves the name entry open" \
  "[ $(count_colour held-name-entry 660x30+140+145 "$SKY") -lt 19500 ]"
xdotool type --delay 150 "Ann"
press Return
press Return          # the table, then the menu
press Return          # Play game!
shot new-intro
check "a new game after a finished one opens with the level 1 welcome" \
  "same_region first-intro new-intro 481x91+200+290"
press Escape
press Escape
status=$(game_exit_status)
check "the game ends with status 0 (status ${status:-still running})" "[ '$status' = 0 ]"
check "the name typed after the held Enter is stored" "grep -q '15Ann' '$WORK/scores/data/game.hs'"

# --- a damaged high score file, and a save that fails ------------------------
# One unreadable entry among the old ones: reported, the others kept, and
# the original kept as game.hs.bak before the first save replaces it.
printf '100Old0\n\r90Old1\n\r#garbled#\n\r80Old2\n\r70Old3\n\r60Old4\n\r50Old5\n\r40Old6\n\r30Old7\n\r20Old8\n\r' \
  >"$WORK/scores/data/game.hs"
cp "$WORK/scores/data/game.hs" "$WORK/damaged.hs"
rm -f "$WORK/scores/data/game.hs.bak"
start_game "$WORK/scores" damaged
check "the unreadable entry is reported with its file and line" \
  "grep -q 'game.hs:3: no score; entry skipped' '$WORK/damaged.err'"
lose_three_lives
press Return
xdotool type --delay 150 "Bo"
press Return
press Return
press Escape
status=$(game_exit_status)
check "the game with a damaged table ends with status 0 (status ${status:-still running})" "[ '$status' = 0 ]"
check "the damaged file is kept whole as game.hs.bak" "cmp -s '$WORK/damaged.hs' '$WORK/scores/data/game.hs.bak'"
expected=$(printf '100Old0\n\r90Old1\n\r80Old2\n\r70Old3\n\r60Old4\n\r50Old5\n\r40Old6\n\r30Old7\n\r20Old8\n\r15Bo\n\r')
check "every readable entry is kept and the new one added" \
  "[ \"\$(cat '$WORK/scores/data/game.hs')\" = \"\$expected\" ]"

# A full disk: the temporary file the save writes leads to /dev/full.
cp "$HERE/levels/scores/game.hs" "$WORK/scores/data/game.hs"
ln -sf /dev/full "$WORK/scores/data/game.hs.new"
start_game "$WORK/scores" full-disk
lose_three_lives
press Return
xdotool type --delay 150 "Cy"
press Return
shot full-disk-table
check "a failed save is shown on the high score screen" \
  "[ $(count_colour full-disk-table 560x16+230+480 "$SKY") -lt 8900 ]"
check "... and said on stderr, naming game.hs" \
  "grep -q 'cannot save the high scores to ./data/game.hs (No space left on device)' '$WORK/full-disk.err'"
press Return
press Escape
status=$(game_exit_status)
check "the game with the failed save ends with status 0 (status ${status:-still running})" "[ '$status' = 0 ]"
check "the failed save leaves game.hs as it was" "cmp -s '$HERE/levels/scores/game.hs' '$WORK/scores/data/game.hs'"
rm -f "$WORK/scores/data/game.hs.new"

if [ "$FAILURES" -ne 0 ]; then
  echo "$FAILURES check(s) failed; screenshots and logs kept in $WORK"
  exit 1
fi
echo "all end-to-end checks passed"
