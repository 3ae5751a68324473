#!/usr/bin/env bash
# The saver on a machine with two monitors: an Xvfb of its own with two screens
# joined by Xinerama, and a Wine prefix of its own (kept in the output folder
# between runs) told not to use XRandR, so that Wine reports two monitors (both
# at 0,0: Xvfb cannot place them side by side). Checks that the frame window
# covers the primary monitor and the second monitor gets its own window
# playing the movie; that window's mouse rule (nothing in the first second,
# then a move arms it and the next one quits), its click rule, and that
# quitting from it leaves the work folder as it is.
#   saver_two_monitors.sh <saver.scr> <saverbuild.exe> <make_plays_movie.exe> <output folder>
set -uo pipefail
runtime=${1:?saver.scr}
saverbuild=${2:?saverbuild.exe}
movie_maker=${3:?make_plays_movie.exe}
out=${4:?output folder}/two_monitors
mkdir -p "$out"

export WINEPREFIX="$out/wineprefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
expected_pixel="srgb(51,102,204)"
temp_folder="$WINEPREFIX/drive_c/users/$(id -un)/Temp"
work_folder="$temp_folder/qnfpssver_1"

pid=
xvfb_pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1
}
trap cleanup EXIT
step=setup
fail() {
  echo "FAIL (two monitors, $step): $*" >&2
  exit 1
}

for n in $(seq 210 250); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" +xinerama -screen 0 1024x768x24 -screen 1 800x600x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  if kill -0 "$xvfb_pid" 2>/dev/null; then
    export DISPLAY=":$n"
    break
  fi
  xvfb_pid=
done
[ -n "$xvfb_pid" ] || fail "no free X display"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
fi
wineserver -p </dev/null >/dev/null 2>&1
wineboot </dev/null >/dev/null 2>&1

wine "$movie_maker" "$out/movie.swf" 3366CC </dev/null >/dev/null 2>&1 || fail "no movie"
build() {  # build <output name> [options]
  local name=$1
  shift
  wine "$saverbuild" build --runtime "$runtime" "$@" -o "$out/$name" "$out/movie.swf" \
    </dev/null >"$out/build.log" 2>&1 || fail "builder: $(cat "$out/build.log")"
}
build two.scr
cp "$out/two.scr" "$out/default.scr"
build no_click.scr --no-exit-on-mouse-click

# Starts a saver; sets $monitor_window (the X window of the second monitor's
# saver window) and $shown_after (seconds from launch until it was seen).
start_saver() {
  cp "$out/$1" "$out/two.scr"
  rm -rf "$work_folder" "$temp_folder/movie.swf" "$temp_folder/npfp.dll"
  rm -f "$out/trace.txt"
  xdotool mousemove 700 700
  local launched
  launched=$(date +%s%N)
  NPFP_TRACE="Z:$(echo "$out/trace.txt" | tr / '\\')" wine "$out/two.scr" /s </dev/null >/dev/null 2>&1 &
  pid=$!
  monitor_window=
  for _ in $(seq 1 200); do
    monitor_window=$(xwininfo -root -tree 2>/dev/null | awk '/"two.scr"/ && / 800x600\+0\+0 / {print $1; exit}')
    [ -n "$monitor_window" ] && break
    kill -0 "$pid" 2>/dev/null || fail "saver ended at start"
    sleep 0.02
  done
  [ -n "$monitor_window" ] || fail "no 800x600 window for the second monitor"
  # Up once both windows show the movie (the second monitor's window at
  # 10,10, the frame alone at 900,700).
  seen=
  for _ in $(seq 1 100); do
    import -window root "$out/screen.png" 2>/dev/null &&
      seen=$(/usr/bin/convert "$out/screen.png" -format '%[pixel:p{10,10}] %[pixel:p{900,700}]' info:)
    [ "$seen" = "$expected_pixel $expected_pixel" ] && break
    sleep 0.05
  done
  [ "$seen" = "$expected_pixel $expected_pixel" ] || fail "pixels '$seen' are not the movie's colour"
  shown_after=$(( ($(date +%s%N) - launched) / 1000000 ))
}
running_after() {
  sleep "$1"
  kill -0 "$pid" 2>/dev/null
}
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
window_under() {  # window_under X Y: decimal id of the X window under that point
  xdotool mousemove "$1" "$2" getmouselocation --shell | sed -n 's/^WINDOW=//p'
}

# --- both monitors play, the frame covers the primary one ----------------------
step="windows and pictures"
start_saver default.scr
xwininfo -root -tree | grep -q '"Screen Saver": ("two.scr" "two.scr")  1024x768+0+0 ' ||
  fail "the frame window does not cover the primary monitor: $(xwininfo -root -tree | grep two.scr)"
grep -q 'NPP_SetWindow x=0 y=0 w=800 h=600 type=2' "$out/trace.txt" || fail "no 800x600 player"
grep -q 'NPP_SetWindow x=0 y=0 w=1024 h=768 type=2' "$out/trace.txt" || fail "no 1024x768 player"
[ "$(grep -c '^NPP_New ' "$out/trace.txt")" = 2 ] || fail "not two plug-in instances"
grep -q '^NPP_New .*src=C:\\users\\[^\\]*\\Temp\\movie.swf' "$out/trace.txt" ||
  fail "the second monitor's movie does not come from the temporary folder itself"

# --- its mouse rule: nothing in the first second, then arm, then quit ----------
step="mouse rule"
echo "both monitors showed the movie ${shown_after} ms after launch"
if [ "$shown_after" -lt 700 ]; then
  xdotool mousemove 100 100
  running_after 0.3 || fail "a move in the first second ended the saver"
fi
sleep 1.1
xdotool mousemove 150 150
running_after 0.4 || fail "the arming move ended the saver"
xdotool mousemove 200 200
wait_exit
[ "$code" = 0 ] || fail "the move after arming did not end the saver (exit: $code)"
# Quitting from the second monitor skips the clean-up of the work folder.
left=$(ls -A "$work_folder" 2>/dev/null | sort | tr '\n' ' ')
[ "$left" = "movie.swf npfp.dll " ] || fail "the work folder holds '$left'"
[ -f "$temp_folder/movie.swf" ] || fail "the second monitor's movie copy is gone"

# --- its click rule ---------------------------------------------------------
step="click ends"
start_saver default.scr
# One move (at most it arms the window), then a click without moving.
under=$(window_under 10 10)
[ "$under" = "$((monitor_window))" ] ||
  fail "the window at 10,10 is $under, not the second monitor's $monitor_window"
xdotool click 1
wait_exit
[ "$code" = 0 ] || fail "a click on the second monitor did not end the saver (exit: $code)"

step="click swallowed"
start_saver no_click.scr
xdotool mousemove 100 100 click 1
running_after 0.6 || fail "a click ended the saver with exit_on_mouse_click false"
grep -q 'event=0x0201' "$out/trace.txt" && fail "the click reached a movie"
xdotool key a
wait_exit
[ "$code" = 0 ] || fail "a key did not end the saver (exit: $code)"

echo "ok (two monitors): both monitors play; the second monitor's window arms, quits and leaves the work folder"
