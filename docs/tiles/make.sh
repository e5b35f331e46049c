#!/bin/sh
# Draws docs/tiles/code-N.png for every tile code with the level tool: a
# level of one 32 x 32 cell holding the code, pictured as the game draws it.
# Usage: docs/tiles/make.sh BRINDLECOVE-LEVEL [OUT_DIR]
set -eu
tool=$1
out=${2:-$(dirname "$0")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for code in 0 1 2 3 4 5 6 7 8 9 10 11 12; do
  printf 'Code %s\n1,1\n32,32\n15\n90\n0\n%s,\n' "$code" "$code" > "$work/code-$code.dat"
  "$tool" picture "$work/code-$code.dat" "$out/code-$code.png"
done
