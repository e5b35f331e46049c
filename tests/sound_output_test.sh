#!/usr/bin/env bash
# Proves the music and the sound effects are heard: runs sound_output_probe
# from a copy of the run directory, with a virtual X display (Allegro's
# timer needs one) and an ALSA default device that writes everything it is
# given to a WAV file instead of a sound card.
# usage: sound_output_test.sh PROBE RUN_DIR
# Exits 77 (skipped) when Xvfb or ALSA's file output is not available.
set -euo pipefail
probe=$1
run=$(cd "$2" && pwd)

if ! command -v Xvfb >/dev/null; then
  echo "SKIP: Xvfb is not installed (./setup.sh installs it)"
  exit 77
fi

work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The probe reads allegro.cfg and resolves the patch index next to itself,
# as the game does, so it runs from a directory that looks like the run one.
mkdir "$work/run" "$work/home"
for f in "$run"/*; do ln -s "$f" "$work/run/"; done
cp "$probe" "$work/run/sound_output_probe"

# ALSA reads ~/.asoundrc: the default device converts to 16-bit signed and
# writes a WAV file through the null device, at no real-time pace.
capture=$work/capture.wav
cat > "$work/home/.asoundrc" <<CONF
pcm.!default { type plug; slave { pcm "brindlecove_capture"; format S16_LE } }
pcm.brindlecove_capture { type file; slave.pcm "null"; file "$capture"; format "wav" }
CONF

# -displayfd picks a free display number, so parallel tests do not collide.
Xvfb -displayfd 3 -screen 0 320x240x16 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "SKIP: Xvfb did not start"
  exit 77
fi

cd "$work/run"
set +e
HOME=$work/home DISPLAY=:$(cat "$work/display") ./sound_output_probe "$capture" 2> "$work/stderr"
status=$?
set -e
if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
  # ALSA's complaints about the missing sound card are noise; show the rest.
  grep -v '^ALSA lib' "$work/stderr" || true
fi
exit "$status"
