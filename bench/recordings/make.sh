#!/usr/bin/env bash
# Records the games the wait benchmarks replay, with the real binary under a
# virtual X display and real key events: the menu left alone for 20 s, then
# Exit; Play game! and 20 s standing at level 1's start, Escape, then Exit;
# and Exit at once, whose cost the other two subtract (start-up, shut-down).
# Run again when the level files change: a recording names their checksums.
# Usage: bench/recordings/make.sh BUILD_RUN_DIR
set -u
RUN=$(readlink -f "$1")
BIN=$RUN/brindlecove
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/brindlecove-recordings-XXXXXX)
. "$HERE/../../tests/e2e/lib.sh"
export XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/share"

to_exit() { press Down; press Down; press Down; press Return; }
record() {  # record NAME: the game runs to its Exit, the recording is kept
  check "$1 ends with status 0" '[ "$(game_exit_status)" = 0 ]'
  cp "$WORK/$1.rec" "$HERE/$1.rec"
}

start_game "$RUN" menu-20s --record "$WORK/menu-20s.rec"
sleep 20
to_exit
record menu-20s

start_game "$RUN" play-20s --record "$WORK/play-20s.rec"
press Return
press Return
sleep 20
press Escape
to_exit
record play-20s

start_game "$RUN" exit-at-once --record "$WORK/exit-at-once.rec"
to_exit
record exit-at-once
finish
