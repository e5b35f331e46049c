#!/usr/bin/env bash
# A shipped level must be finishable with at least a third of its clock to
# spare, so a player who is not perfect still makes it. Given MIN_SECONDS and
# MAX_SECONDS, the best run found must also last that long and no longer;
# given --shortest, it must be shown the shortest.
# Usage: shipped_level_test.sh LEVEL_TOOL LEVEL_FILE [--shortest] [MIN_SECONDS MAX_SECONDS]
set -u
tool=$1 level=$2
shift 2
shortest=
if [ "${1:-}" = --shortest ]; then shortest=1; shift; fi
result=$("$tool" solve --json "$level")
status=$?
echo "$result"
[ "$status" -eq 0 ] || { echo "not finishable"; exit 1; }
if [ -n "$shortest" ] && ! printf '%s' "$result" | grep -q '"shortest": *true'; then
  echo "not shown the shortest run"
  exit 1
fi
awk -v json="$result" -v min="${1:-}" -v max="${2:-}" 'BEGIN {
  match(json, /"time_limit": *[0-9.]+/); limit = substr(json, RSTART, RLENGTH); sub(/.*: */, "", limit)
  match(json, /"spare_seconds": *[-0-9.]+/); spare = substr(json, RSTART, RLENGTH); sub(/.*: */, "", spare)
  if (spare * 3 < limit + 0) { printf "only %s of %s seconds to spare\n", spare, limit; exit 1 }
  if (min == "" && max == "") exit 0
  if (!match(json, /"seconds": *[0-9.]+/)) { print "no run length in the answer"; exit 1 }
  run = substr(json, RSTART, RLENGTH); sub(/.*: */, "", run)
  if (min != "" && run + 0 < min + 0) { printf "a run of %s seconds, under %s\n", run, min; exit 1 }
  if (max != "" && run + 0 > max + 0) { printf "a run of %s seconds, over %s\n", run, max; exit 1 }
}'
