#!/usr/bin/env bash
# The installed game: installed with DESTDIR into a scratch tree, started by
# its installed path from an unrelated folder with a fresh HOME, it finds its
# data, plays a custom level given on the command line, and keeps the
# player's score in that HOME, the shipped table untouched. Then its command
# line without a display.
# Usage: installed_game.sh BUILD_DIR
set -u
BUILD=$(readlink -f "$1")
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/brindlecove-install-XXXXXX)
STAGE=$WORK/stage
PREFIX=/usr/local
BIN=$STAGE$PREFIX/bin/brindlecove
SHARE=$STAGE$PREFIX/share/brindlecove
. "$HERE/../e2e/lib.sh"

# --- installed with DESTDIR ---------------------------------------------------
DESTDIR=$STAGE cmake --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" 2>&1
check "cmake --install puts the game and its data under the prefix" \
  "[ -x '$BIN' ] && [ -x '$STAGE$PREFIX/bin/brindlecove-level' ] && [ -f '$SHARE/graphics.dat' ] && [ -f '$SHARE/data/game.hs' ]"
[ -x "$BIN" ] || { cat "$WORK/install.log"; finish; }
cp "$SHARE/data/game.hs" "$WORK/shipped.hs"

# --- a player's first game, from an unrelated folder -------------------------
export HOME=$WORK/home
mkdir -p "$HOME" "$WORK/elsewhere"
unset XDG_DATA_HOME XDG_CONFIG_HOME BRINDLECOVE_DATA_DIR
cp "$HERE/coin_drop.dat" "$WORK/elsewhere/"
# ALSA's default device writes what the game plays to a WAV file.
CAPTURE=$WORK/capture.wav
cat >"$HOME/.asoundrc" <<CONF
pcm.!default { type plug; slave { pcm "capture"; format S16_LE } }
pcm.capture { type file; slave.pcm "null"; file "$CAPTURE"; format "wav" }
CONF
# The loudest 16-bit sample of the capture.
loudest() {
  tail -c +45 "$CAPTURE" 2>/dev/null | od -An -v -td2 -w2 |
    awk '{ a = $1 < 0 ? -$1 : $1; if (a > m) m = a } END { print m + 0 }'
}

# The level intro plays only the music: nothing else sounds there.
start_game "$WORK/elsewhere" music --level coin_drop.dat
press Return          # Play game!: the intro, with its music
sleep 3
press Escape
press Escape
game_exit_status >/dev/null
check "the installed game's music is heard (loudest sample $(loudest))" "[ $(loudest) -gt 1000 ]"
rm -f "$CAPTURE"
start_game "$WORK/elsewhere" muted --level coin_drop.dat --mute
press Return
sleep 3
press Escape
press Escape
game_exit_status >/dev/null
check "with --mute the sound runs but nothing is heard (loudest sample $(loudest))" \
  "[ -s '$CAPTURE' ] && [ $(loudest) -eq 0 ]"
rm -f "$CAPTURE"
start_game "$WORK/elsewhere" first-game --level coin_drop.dat
shot menu
check "the installed game shows its menu" "title_shown menu"
press Return          # Play game!
press Return          # the player drops through the coins onto the exit
check "the custom level is finished: the game-over picture" "wait_for_shot finished game_over_shown"
press Return
check "the score asks for a name" "wait_for_shot name name_entry_shown"
xdotool type --delay 150 "Inst"
press Return
press Return          # the table, then the menu
press Escape
status=$(game_exit_status)
check "the installed game ends with status 0 (status ${status:-still running})" "[ '$status' = 0 ]"
SCORES=$HOME/.local/share/brindlecove/game.hs
check "the score is kept in the player's own table" "grep -q 'Inst' '$SCORES' 2>/dev/null"
# 14 coins of 5 points: above the shipped table's lowest entry, which drops out
expected=$(head -c $(($(wc -c <"$WORK/shipped.hs") - 8)) "$WORK/shipped.hs"; printf '70Inst\n\r')
check "the player's table is the shipped one with the new entry at place 10" \
  "[ \"\$(cat '$SCORES')\" = \"\$expected\" ]"
check "the shipped table is untouched" "cmp -s '$WORK/shipped.hs' '$SHARE/data/game.hs'"

# --- the command line, with no window ----------------------------------------
run_cli() {  # run_cli NAME ARG...: status in $status, output in WORK/NAME.{out,err}
  local name=$1
  shift
  (cd "$WORK/elsewhere" && DISPLAY= timeout 10 "$@" >"$WORK/$name.out" 2>"$WORK/$name.err")
  status=$?
}
run_cli help "$BIN" --help
check "--help: usage on stdout, status 0" "[ $status = 0 ] && grep -q -- '--level' '$WORK/help.out'"
run_cli version "$BIN" --version
check "--version: status 0" "[ $status = 0 ] && grep -q '0\\.8a' '$WORK/version.out'"
run_cli tool-help "$STAGE$PREFIX/bin/brindlecove-level" --help
check "brindlecove-level --help: status 0" "[ $status = 0 ]"
run_cli tool-check "$STAGE$PREFIX/bin/brindlecove-level" check coin_drop.dat
check "the installed level tool finds its data and checks a level" "[ $status = 0 ]"

finish
