# End-to-end helpers: a private X display, the game started in a folder and
# driven with real key events, checks on screenshots. Sourced by a test
# script after it has set BIN (the game binary) and WORK (a scratch folder).
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
# Ends the script with the verdict.
finish() {
  if [ "$FAILURES" -ne 0 ]; then
    echo "$FAILURES check(s) failed; screenshots and logs kept in $WORK"
    exit 1
  fi
  echo "all end-to-end checks passed"
}

# --- a private X display -------------------------------------------------
for n in $(seq 91 140); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { DISPLAY_NUMBER=$n; break; }
done
export DISPLAY=":$DISPLAY_NUMBER"
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

# --- the game ----------------------------------------------------------------
start_game() {  # start_game DIR NAME [ARG...]: runs the game in DIR and waits for its window
  local dir=$1 name=$2
  shift 2
  (cd "$dir" && exec "$BIN" "$@" >"$WORK/$name.out" 2>"$WORK/$name.err") &
  GAME_PID=$!
  WINDOW=$(timeout 20 xdotool search --sync --name '^Brindlecove Version 0\.8a BETA release$' | head -n1)
  if [ -z "$WINDOW" ]; then
    fail "the game window opens ($name)"; cat "$WORK/$name.err"; exit 1
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

# --- screenshots -------------------------------------------------------------
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
game_over_shown() { ! overlay_shown "$1" && [ "$(count_colour "$1" 232x60+390+300 "$SKY")" -lt 10000 ]; }
name_entry_shown() { [ "$(count_colour "$1" 660x30+140+145 "$SKY")" -lt 19500 ]; }
# Shoots NAME until CONDITION (a command given NAME) holds; 8 s at most.
wait_for_shot() {
  for _ in $(seq 40); do shot "$1"; $2 "$1" && return 0; sleep 0.2; done
  return 1
}
