#!/usr/bin/env bash
# A shipped level must be finishable with at least a third of its clock to
# spare, so a player who is not perfect still makes it.
# Usage: shipped_level_test.sh LEVEL_TOOL LEVEL_FILE
set -u
result=$("$1" solve --json "$2")
status=$?
echo "$result"
[ "$status" -eq 0 ] || { echo "not finishable"; exit 1; }
awk -v json="$result" 'BEGIN {
  match(json, /"time_limit": *[0-9.]+/); limit = substr(json, RSTART, RLENGTH); sub(/.*: */, "", limit)
  match(json, /"spare_seconds": *[-0-9.]+/); spare = substr(json, RSTART, RLENGTH); sub(/.*: */, "", spare)
  if (spare * 3 < limit + 0) { printf "only %s of %s seconds to spare\n", spare, limit; exit 1 }
}'
