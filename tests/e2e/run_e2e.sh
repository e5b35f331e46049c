#!/usr/bin/env bash
# End-to-end test: the real game under a virtual X display, driven with
# real key events and checked on screenshots and on the files it writes.
# Usage: run_e2e.sh BRINDLECOVE_BINARY RUN_DIR (RUN_DIR holds the built .dat files)
set -u
BIN=$(readlink -f "$1")
RUN=$(readlink -f "$2")
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/brindlecove-e2e-XXXXXX)
. "$HERE/lib.sh"

# A run directory with the built data files and the levels of one scenario.
make_run_dir() {  # make_run_dir DIR SCENARIO
  mkdir -p "$1/data"
  for f in graphics.dat font.dat sound.dat; do ln -sf "$RUN/$f" "$1/$f"; done
  cp "$HERE/levels/$2"/* "$1/data/"
}

# --- no data folder anywhere ---------------------------------------------------
# A copy of the game in a folder of its own, started from a folder without
# graphics.dat: no place of the search holds the data (the compiled-in
# install folder must not either, or this finds it and opens a window).
NO_GFX="$WORK/no-graphics"
make_run_dir "$NO_GFX" basic
rm "$NO_GFX/graphics.dat"
mkdir -p "$WORK/lone/bin"
cp "$BIN" "$WORK/lone/bin/brindlecove"
(cd "$NO_GFX" && env -u BRINDLECOVE_DATA_DIR -u DISPLAY timeout 20 "$WORK/lone/bin/brindlecove" \
  >"$WORK/no-gfx.out" 2>"$WORK/no-gfx.err")
status=$?
check "without a data folder the game exits with status 1 (status $status)" "[ $status -eq 1 ]"
check "... saying it found no graphics.dat" "grep -q 'no data folder (one holding graphics.dat)' '$WORK/no-gfx.err'"
check "... and listing the current folder and the program's own" \
  "grep -qx '  \\.' '$WORK/no-gfx.err' && grep -qx '  $WORK/lone/bin' '$WORK/no-gfx.err' &&
   grep -qx '  $WORK/lone/bin/../share/brindlecove' '$WORK/no-gfx.err'"

# --- the command line, refused or answered before any window ------------------
# DISPLAY is unset: a run that tried to open its window would say so.
cli() {  # cli NAME ARGS...: runs the game from the run folder; sets $status
  local name=$1; shift
  (cd "$RUN" && env -u DISPLAY timeout 20 "$BIN" "$@" >"$WORK/$name.out" 2>"$WORK/$name.err")
  status=$?
}
cli help --help
check "--help exits 0 (status $status)" "[ $status -eq 0 ]"
check "--help prints the usage on stdout only" \
  "grep -q '^Usage: brindlecove' '$WORK/help.out' && grep -q -- '--levels DIR' '$WORK/help.out' && [ ! -s '$WORK/help.err' ]"
cli version --version
check "--version exits 0 with the name and version (status $status)" \
  "[ $status -eq 0 ] && [ \"\$(cat '$WORK/version.out')\" = 'Brindlecove Version 0.8a BETA release' ] && [ ! -s '$WORK/version.err' ]"
cli unknown --frobnicate
check "an unknown option exits 2 (status $status)" "[ $status -eq 2 ] && [ ! -s '$WORK/unknown.out' ]"
check "... with one line and the hint on stderr" \
  "[ \"\$(cat '$WORK/unknown.err')\" = \"\$(printf \"brindlecove: unrecognized option '--frobnicate'\\nTry 'brindlecove --help'.\")\" ]"
cli missing --scores
check "an option without its value exits 2 (status $status)" \
  "[ $status -eq 2 ] && grep -q \"option '--scores' needs a value\" '$WORK/missing.err'"
printf 'Broken\n3,1\n' >"$WORK/broken.dat"
cli bad-level --level "$WORK/broken.dat"
check "a bad --level file exits 1 (status $status)" "[ $status -eq 1 ]"
check "... with the loader's message alone" \
  "[ \$(wc -l <'$WORK/bad-level.err') -eq 1 ] && grep -q '^brindlecove: $WORK/broken.dat: ' '$WORK/bad-level.err'"
cli empty-levels --levels "$NO_GFX"
check "--levels with no level1.dat exits 1 (status $status)" \
  "[ $status -eq 1 ] && grep -q 'no level1.dat' '$WORK/empty-levels.err'"

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
check "a qualifying score asks for a name" "name_entry_shown name-entry"
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
  "name_entry_shown held-name-entry"
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

finish
