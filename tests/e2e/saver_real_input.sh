#!/usr/bin/env bash
# Starts saver.scr full screen under Wine, checks its window against the
# screen, takes a screenshot, then ends it with real X input and expects the
# process to end with exit code 0.
#   saver_real_input.sh <saver.scr> key|click|mousemove <output folder>
set -uo pipefail
saver=${1:?saver.scr path}
input=${2:?key, click or mousemove}
out=${3:-.}
: "${DISPLAY:?needs an X display: run through scripts/run-windows-tests}"
mkdir -p "$out"

pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
}
trap cleanup EXIT
fail() { echo "FAIL ($input): $*" >&2; exit 1; }

# Still running after the given seconds?
still_running_after() {
  sleep "$1"
  kill -0 "$pid" 2>/dev/null
}

# Waits up to 10 s for the saver to end; its exit code goes to $code.
wait_exit_within_10s() {
  code="still running"
  for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      code=$?
      pid=
      return 0
    fi
    sleep 0.1
  done
}

xdotool mousemove 200 200
wine "$saver" /s </dev/null >/dev/null 2>&1 &
pid=$!

window=
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --name '^Screen Saver$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || fail "saver ended before showing its window"
  sleep 0.1
done
[ -n "$window" ] || fail "no visible 'Screen Saver' window within 10 s"

read -r screen_width screen_height < <(xdotool getdisplaygeometry)
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$X" = 0 ] && [ "$Y" = 0 ] && [ "$WIDTH" = "$screen_width" ] && [ "$HEIGHT" = "$screen_height" ] ||
  fail "window at $X,$Y size ${WIDTH}x$HEIGHT does not cover the ${screen_width}x$screen_height screen"

shot="$out/saver_$input.png"
import -window root "$shot" || fail "no screenshot"
[ "$(identify -format '%w %h' "$shot")" = "$screen_width $screen_height" ] || fail "screenshot size"

still_running_after 0.3 || fail "saver ended without input"
case "$input" in
  key)
    xdotool key a
    ;;
  click)
    xdotool click 1
    ;;
  mousemove)
    # 3 right and 1 down is 4 pixels in total: the saver stays.
    xdotool mousemove 203 201
    still_running_after 0.7 || fail "a move of 4 pixels ended the saver"
    xdotool mousemove 240 230
    ;;
  *)
    fail "unknown input"
    ;;
esac

wait_exit_within_10s
[ "$code" = 0 ] || fail "exit code: $code"
echo "saver closed on real $input input with exit code 0; screenshot $shot"
