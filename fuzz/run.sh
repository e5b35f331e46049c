#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each over a copy of its seed corpus.
#
#   fuzz/run.sh [RUNS] [LIBFUZZER OPTION...]
#
# RUNS is the number of inputs each target tries (default 200000, the CI
# run); 0 means no limit, and then each target runs for -max_total_time
# seconds (default 1800) unless given. The other options go to libFuzzer.
# Exits non-zero on any crash, leak, sanitizer report or broken invariant;
# the input that did it is kept in BUILD_DIR/artifacts/TARGET/.
#
# Environment: BUILD_DIR (default build-fuzz), FUZZ_TARGETS (default both).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

RUNS=${1:-200000}
shift || true
EXTRA=("$@")
BUILD_DIR=${BUILD_DIR:-build-fuzz}
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR="$ROOT/$BUILD_DIR" ;; esac
TARGETS=(${FUZZ_TARGETS:-fuzz_level_file fuzz_high_scores})
if ! [[ "$RUNS" =~ ^[0-9]+$ ]]; then
  echo "usage: fuzz/run.sh [RUNS] [LIBFUZZER OPTION...]" >&2
  exit 2
fi

# Only what this build needs, so it does not depend on setup.sh having run.
PACKAGES=(clang cmake make pkg-config liballegro4-dev)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD_DIR" -DBRINDLECOVE_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j2 --target "${TARGETS[@]}"

# Leaks count as failures; a UBSan report stops the run (the build also
# makes every check fatal).
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:symbolize=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

# The high score target's files, in RAM when there is /dev/shm.
scratch_parent=/tmp
[ -w /dev/shm ] && scratch_parent=/dev/shm
BRINDLECOVE_FUZZ_TMP=$(mktemp -d "$scratch_parent/brindlecove-fuzz.XXXXXX")
export BRINDLECOVE_FUZZ_TMP
trap 'rm -rf "$BRINDLECOVE_FUZZ_TMP"' EXIT

LIMIT=(-runs="$RUNS")
if [ "$RUNS" -eq 0 ]; then
  LIMIT=(-runs=-1)
  [[ " ${EXTRA[*]-} " == *" -max_total_time="* ]] || LIMIT+=(-max_total_time=1800)
fi

status=0
for target in "${TARGETS[@]}"; do
  case "$target" in
    fuzz_level_file) seeds=level; max_len=8192 ;;
    fuzz_high_scores) seeds=high_scores; max_len=2048 ;;
    *) echo "unknown target $target" >&2; exit 2 ;;
  esac
  # A fresh copy each time: the repository's seeds stay as committed and
  # a run with a given RUNS is the same run every time.
  corpus="$BUILD_DIR/corpus/$target"
  artifacts="$BUILD_DIR/artifacts/$target"
  rm -rf "$corpus"
  mkdir -p "$corpus" "$artifacts"
  cp "$ROOT/fuzz/corpus/$seeds"/* "$corpus"/

  # Inputs kept by earlier runs stay; only this run's are shown below.
  stamp="$BUILD_DIR/artifacts/.$target.started"
  touch "$stamp"

  echo "== $target: ${LIMIT[*]} ${EXTRA[*]-}"
  start=$SECONDS
  # The readers report damaged files on stderr; -close_fd_mask=2 keeps that
  # out of the log while libFuzzer and the sanitizers still report.
  if "$BUILD_DIR/fuzz/$target" "${LIMIT[@]}" -seed=1 -max_len="$max_len" -timeout=30 \
      -detect_leaks=1 -close_fd_mask=2 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" ${EXTRA[@]+"${EXTRA[@]}"} "$corpus"; then
    echo "== $target: clean in $((SECONDS - start)) s"
  else
    status=1
    echo "== $target: FAILED after $((SECONDS - start)) s; the input is kept in $artifacts/" >&2
    # Run the failing input again with stderr open, so the target's own
    # message about what broke is in the log too.
    find "$artifacts" -type f -newer "$stamp" | while read -r input; do
      echo "== $target: rerunning $input" >&2
      "$BUILD_DIR/fuzz/$target" "$input" >&2 || true
    done
  fi
done
exit $status
