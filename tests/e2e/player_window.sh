#!/usr/bin/env bash
# Builds a windowed player with the builder from the demo movie, runs it
# under Wine with the plug-in's trace on, checks that the movie plays in a
# window of the movie's size under the given title, and ends it the way the
# case says: Escape (the settings' exit_on_escape) or Alt+F4 (closing the
# main window). Afterwards only the loaded plug-in library may be left in
# the work folder.
#   player_window.sh <case> <player.exe> <saverbuild.exe> <make_demo_movie.exe> <output folder>
# Cases: escape, close.
set -uo pipefail
case_name=${1:?case}
runtime=${2:?player.exe}
saverbuild=${3:?saverbuild.exe}
movie_maker=${4:?make_demo_movie.exe}
out=${5:?output folder}/$case_name
: "${DISPLAY:?needs an X display: run through scripts/run-windows-tests}"
: "${WINEPREFIX:?needs the Wine prefix: run through scripts/run-windows-tests}"
rm -rf "$out"
mkdir -p "$out"

title="Windowed demo $case_name"
temp_folder="$WINEPREFIX/drive_c/users/$(id -un)/Temp"
work_folder="$temp_folder/qnfpssver_1"
trace="$out/trace.txt"

pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
}
trap cleanup EXIT
fail() {
  echo "FAIL ($case_name): $*" >&2
  [ -f "$trace" ] && { echo "--- plug-in trace (last lines):" >&2; tail -n 15 "$trace" >&2; }
  exit 1
}

# --- build ------------------------------------------------------------------
wine "$movie_maker" "$out/demo.swf" </dev/null >/dev/null 2>&1 || fail "no demo movie"
wine "$saverbuild" build --windowed --runtime "$runtime" --title "$title" \
  -o "$out/demo.exe" "$out/demo.swf" </dev/null >"$out/build.log" 2>&1 ||
  fail "builder: $(cat "$out/build.log")"
# The screen saver program is refused for a windowed build.
if wine "$saverbuild" build --runtime "$runtime" -o "$out/wrong.scr" "$out/demo.swf" \
  </dev/null >"$out/wrong.log" 2>&1; then
  fail "the builder made a saver from the windowed player program"
fi

# --- run --------------------------------------------------------------------
rm -rf "$work_folder"
NPFP_TRACE="Z:$(echo "$trace" | tr / '\\')" wine "$out/demo.exe" </dev/null >/dev/null 2>&1 &
pid=$!

window=
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || fail "the player ended before showing its window"
  window=$(xdotool search --name "^$title\$" 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no window titled '$title'"

# The window's client area is the movie's size (the settings' swf_size).
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" -ge 100 ] && [ "$HEIGHT" -ge 100 ] || fail "window is ${WIDTH}x${HEIGHT}"

# The movie plays inside the window: its picture there is neither empty
# (black) nor the class brush, and it moves, within 10 s.
window_picture() {
  import -window root "$out/screen.png" 2>/dev/null || return 1
  /usr/bin/convert "$out/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage rgb:- | md5sum
}
corner=
for _ in $(seq 1 50); do
  kill -0 "$pid" 2>/dev/null || fail "the player ended before showing the movie"
  first=$(window_picture)
  corner=$(/usr/bin/convert "$out/screen.png" -format "%[pixel:p{$((X + 3)),$((Y + 3))}]" info:)
  case "$corner" in
    "srgb(0,0,0)" | "srgb(212,208,200)" | "srgb(240,240,240)" | "") sleep 0.2 ;;
    *) break ;;
  esac
done
case "$corner" in
  "srgb(0,0,0)" | "srgb(212,208,200)" | "srgb(240,240,240)" | "")
    fail "the window shows no movie (corner '$corner')"
    ;;
esac
moved=
for _ in $(seq 1 20); do
  sleep 0.2
  [ "$(window_picture)" != "$first" ] && moved=yes && break
done
[ -n "$moved" ] || fail "the picture in the window does not move"
# The plug-in draws at the window's client size; the X window may include
# the frame that Wine draws.
drawn=$(grep -o '^NPP_SetWindow x=0 y=0 w=[0-9]* h=[0-9]*' "$trace" | tail -n 1)
drawn_width=$(echo "$drawn" | sed 's/.* w=\([0-9]*\) .*/\1/')
drawn_height=$(echo "$drawn" | sed 's/.* h=\([0-9]*\)$/\1/')
[ -n "$drawn_width" ] && [ "$WIDTH" -ge "$drawn_width" ] && [ "$HEIGHT" -ge "$drawn_height" ] &&
  [ $((WIDTH - drawn_width)) -lt 40 ] && [ $((HEIGHT - drawn_height)) -lt 60 ] ||
  fail "the plug-in draws ${drawn_width}x${drawn_height} in a window of ${WIDTH}x${HEIGHT}"
grep -q "^NPP_New .*wmode=opaque" "$trace" || fail "no NPP_New in the trace"
grep -q "^NPObject invoke name=apiInitFinished argc=0" "$trace" || fail "no apiInitFinished call"
[ "$(grep -c '^NPP_New ' "$trace")" = 1 ] || fail "more than one plug-in instance"

# --- end --------------------------------------------------------------------
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 0.3
kill -0 "$pid" 2>/dev/null || fail "the player ended on its own"
case "$case_name" in
  escape) xdotool key Escape ;;
  close) xdotool key alt+F4 ;;
  *) fail "unknown case" ;;
esac
code="still running"
for _ in $(seq 1 100); do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    code=$?
    pid=
    break
  fi
  sleep 0.1
done
[ "$code" = 0 ] || fail "exit code $code after the $case_name"
if [ "$case_name" = close ]; then
  grep -q "^NPP_Destroy" "$trace" || fail "closing the window did not destroy the instance"
fi
left=$(ls -A "$work_folder" 2>/dev/null | tr '\n' ' ')
[ -z "$left" ] || [ "$left" = "npfp.dll " ] || fail "the work folder holds '$left' after closing"
echo "ok ($case_name): the movie played in its window ($WIDTH x $HEIGHT) and the player ended with 0"
