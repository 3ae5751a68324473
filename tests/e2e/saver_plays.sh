#!/usr/bin/env bash
# Builds a saver with the builder from a one-colour movie, runs it full screen
# under Wine with the plug-in's trace on, checks that the movie's colour covers
# the screen, then feeds it real X input and checks what the settings say
# should happen: whether it closes, what reached the plug-in, and what is left
# in the work folder afterwards.
#   saver_plays.sh <case> <saver.scr> <saverbuild.exe> <make_plays_movie.exe> <output folder>
# Cases: key, mousemove, click, flash_click, drag_click, right_press, keys,
#        flash_moves, swallowed_moves.
set -uo pipefail
case_name=${1:?case}
runtime=${2:?saver.scr}
saverbuild=${3:?saverbuild.exe}
movie_maker=${4:?make_plays_movie.exe}
out=${5:?output folder}/$case_name
: "${DISPLAY:?needs an X display: run through scripts/run-windows-tests}"
: "${WINEPREFIX:?needs the Wine prefix: run through scripts/run-windows-tests}"
rm -rf "$out"
mkdir -p "$out"

movie_colour=3366CC
expected_pixel="srgb(51,102,204)"
saver_name=plays.scr
app_key="HKCU\\Software\\Wine\\AppDefaults\\$saver_name"
temp_folder="$WINEPREFIX/drive_c/users/$(id -un)/Temp"
work_folder="$temp_folder/qnfpssver_1"
trace="$out/trace.txt"

pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  wine reg delete "$app_key" /f </dev/null >/dev/null 2>&1
}
trap cleanup EXIT
fail() {
  echo "FAIL ($case_name): $*" >&2
  [ -f "$trace" ] && { echo "--- plug-in trace (last lines):" >&2; tail -n 15 "$trace" >&2; }
  exit 1
}

# Wine waits two seconds at every close of a managed full-screen window on an
# X server without window manager; this saver's windows are unmanaged.
wine reg add "$app_key\\X11 Driver" /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1

# --- build ------------------------------------------------------------------
options=()
case "$case_name" in
  flash_click) options=(--no-exit-on-mouse-click --left-mouse flash) ;;
  drag_click) options=(--no-exit-on-mouse-click --left-mouse drag) ;;
  right_press) options=(--no-exit-on-mouse-click --left-mouse flash) ;;
  keys) options=(--no-exit-on-key-press --exit-on-escape) ;;
  flash_moves) options=(--no-exit-on-mouse-move --left-mouse flash --right-mouse ignore) ;;
  swallowed_moves) options=(--no-exit-on-mouse-move --left-mouse ignore --right-mouse flash) ;;
  key | mousemove | click) ;;
  *) fail "unknown case" ;;
esac
wine "$movie_maker" "$out/movie.swf" "$movie_colour" </dev/null >/dev/null 2>&1 || fail "no movie"
# Files the movie might load, so that the work folder lists entries on both
# sides of the plug-in library, whatever order the file system lists them in.
extras=()
for name in a1 a2 a3 a4 z1 z2 z3 z4; do
  echo "extra file $name" >"$out/$name.txt"
  extras+=("$out/$name.txt")
done
wine "$saverbuild" build --runtime "$runtime" "${options[@]}" -o "$out/$saver_name" "$out/movie.swf" \
  "${extras[@]}" </dev/null >"$out/build.log" 2>&1 || fail "builder: $(cat "$out/build.log")"

# --- run --------------------------------------------------------------------
rm -rf "$work_folder"
xdotool mousemove 200 200
NPFP_TRACE="Z:$(echo "$trace" | tr / '\\')" wine "$out/$saver_name" /s </dev/null >/dev/null 2>&1 &
pid=$!

still_running_after() {
  sleep "$1"
  kill -0 "$pid" 2>/dev/null
}
# Waits up to 10 s for the saver to end; its exit code goes to $code.
wait_exit() {
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
pixels() {
  import -window root "$out/screen.png" 2>/dev/null || return 1
  /usr/bin/convert "$out/screen.png" -format \
    '%[pixel:p{0,0}] %[pixel:p{1023,0}] %[pixel:p{512,384}] %[pixel:p{0,767}] %[pixel:p{1023,767}]' info:
}
trace_has() { grep -q "$1" "$trace" 2>/dev/null; }

# The movie's colour over the whole screen, within 10 s.
want="$expected_pixel $expected_pixel $expected_pixel $expected_pixel $expected_pixel"
seen=
for _ in $(seq 1 50); do
  kill -0 "$pid" 2>/dev/null || fail "saver ended before showing the movie"
  seen=$(pixels)
  [ "$seen" = "$want" ] && break
  sleep 0.2
done
[ "$seen" = "$want" ] || fail "screen corners and centre are '$seen', not the movie's colour"
trace_has "^NPP_New .*wmode=opaque" || fail "no NPP_New in the trace"
# One monitor: the frame is the saver's only window (besides Wine's input
# method window), and it plays the only instance.
windows=$(xwininfo -root -tree | grep "(\"$saver_name\" " | grep -v '"Default IME"' | wc -l)
[ "$windows" = 1 ] || fail "$windows windows instead of the frame alone"
[ "$(grep -c '^NPP_New ' "$trace")" = 1 ] || fail "more than one plug-in instance"
# The movie hears that the host's API is ready, as it would in a window.
trace_has "^NPObject invoke name=apiInitFinished argc=0" || fail "no apiInitFinished call"
trace_has "^NPP_HandleEvent event=0x000F" || fail "the plug-in never painted"

expect_closed() {
  wait_exit
  [ "$code" = 0 ] || fail "$1: exit code $code"
}
expect_running() {
  still_running_after "${2:-0.8}" || fail "$1: the saver ended"
}

case "$case_name" in
  key)
    expect_running "no input yet" 0.3
    xdotool key a
    expect_closed "a key press"
    trace_has "event=0x0100" && fail "the key reached the movie"
    ;;
  mousemove)
    xdotool mousemove 203 201  # 4 pixels in total: not enough
    expect_running "a move of 4 pixels"
    xdotool mousemove 240 230
    expect_closed "a move of 70 pixels"
    ;;
  click)
    xdotool click 1
    expect_closed "a left click"
    ;;
  flash_click)
    xdotool click 1
    expect_running "a left click with left_mouse_action flash"
    trace_has "event=0x0201" || fail "the press did not reach the plug-in"
    trace_has "event=0x0202" || fail "the release did not reach the plug-in"
    xdotool key a
    expect_closed "a key press"
    ;;
  drag_click)
    xdotool click 1
    expect_closed "a left click with left_mouse_action drag"
    trace_has "event=0x0201" && fail "the press reached the plug-in"
    ;;
  right_press)
    xdotool click 3
    expect_running "a right click"
    trace_has "event=0x020[45]" && fail "the right button reached the plug-in"
    xdotool key a
    expect_closed "a key press"
    ;;
  keys)
    xdotool key a
    expect_running "a key with exit_on_key_press false"
    trace_has "event=0x0100 wParam=0x41" || fail "the key press did not reach the plug-in"
    trace_has "event=0x0102 wParam=0x61" || fail "the character did not reach the plug-in"
    xdotool key Escape
    expect_closed "Escape with exit_on_escape"
    trace_has "event=0x0100 wParam=0x1B" && fail "Escape reached the plug-in"
    ;;
  flash_moves)
    xdotool mousemove 400 300
    expect_running "a move with exit_on_mouse_move false"
    xdotool mousemove 420 310
    expect_running "a second move" 0.3
    trace_has "event=0x0200 .*lParam=0x13601A4" || fail "the move did not reach the plug-in"
    xdotool key a
    expect_closed "a key press"
    ;;
  swallowed_moves)
    xdotool mousemove 400 300
    expect_running "a move with exit_on_mouse_move false"
    xdotool mousemove 420 310
    expect_running "a second move" 0.3
    trace_has "event=0x0200" && fail "a move reached the plug-in"
    xdotool key a
    expect_closed "a key press"
    ;;
esac

# After a normal close only what could not be deleted is left: the loaded
# plug-in library, and the folder that holds it.
left=$(ls -A "$work_folder" 2>/dev/null | tr '\n' ' ')
[ "$left" = "npfp.dll " ] || fail "the work folder holds '$left' after closing"
echo "ok ($case_name): movie on screen, input handled as set, work folder holds only npfp.dll"
