#!/usr/bin/env bash
# On the lens display itself: the screens listed, the window put on one of
# them one to one, and a calibration resumed, saved and loaded.
CALIBRATOR=$1
RENDER=$2
TINY_WM=$3
source "$(dirname "$0")/lib.sh"

# A record of the last run's calibration, as a "param:" line.
record_line() {
  awk -F': *' '/^x:/ {x=$2} /^y:/ {y=$2} /^pitch:/ {p=$2} /^mirror:/ {m=$2}
               END {printf "param: -x %5d -y %5d -pitch %8.4f %s\n", x, y, p, (m == 1 ? "-mirror" : "       ")}' "$1"
}

start_xvfb 2600x1500
cd "$E2E_TMP"

expect_status 0 "$CALIBRATOR" --list-screens
grep -Eq '^0  .+  2600x1500\+0\+0' "$E2E_TMP/out" || fail "screens listed as: $(cat "$E2E_TMP/out")"

# Screens that are not there, windows that do not fit, records that are not records.
expect_status 2 "$CALIBRATOR" --screen=7
expect_status 2 "$CALIBRATOR" --screen=800x600+1700+300 -w=801
echo "x: [" >"$E2E_TMP/broken.yml"
expect_status 2 "$CALIBRATOR" --calibration="$E2E_TMP/broken.yml"
[ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] || fail "a broken record gave: $(cat "$E2E_TMP/err")"

# A part of the screen as the lens display: the window at its origin, one
# image pixel to one screen pixel, resumed from a printed line.
start_calibrator --screen=800x600+1700+300 "--from=param: -x     6 -y  1152 -pitch   8.2500 -mirror" \
  --save="$E2E_TMP/lens.yml"
expect_parameter_line "param: -x     6 -y  1320 -pitch   8.2500 -mirror"
grep -q "in force: -x 6 -y 1320 -mirror" "$E2E_TMP/stdout" || fail "no line about the slant in force"
position=$(xdotool getwindowgeometry "$MAIN_WINDOW" | awk '/Position/ {print $2}')
[ "$position" = "1700,300" ] || fail "window at $position, expected 1700,300"
for i in $(seq "$WAIT_ROUNDS"); do # no frame or title: the window manager's decorations off
  xprop -id "$MAIN_WINDOW" _MOTIF_WM_HINTS | grep -q '= 0x2, 0x0, 0x0' && break
  sleep 0.05
done
xprop -id "$MAIN_WINDOW" _MOTIF_WM_HINTS | grep -q '= 0x2, 0x0, 0x0' || fail "the window keeps its decorations"
"$RENDER" "$E2E_TMP/expected.png" -w=800 -h=600 -p=8.25 key:97 key:97 key:97 idle >/dev/null 2>&1 ||
  fail "could not render the frame"
expect_region 800x600+1700+300 "$E2E_TMP/expected.png" "the screen region"
key d
expect_parameter_line "param: -x     4 -y  1320 -pitch   8.2500 -mirror"
quit_with_escape
[ "$(record_line "$E2E_TMP/lens.yml")" = "param: -x     4 -y  1320 -pitch   8.2500 -mirror" ] ||
  fail "saved: $(cat "$E2E_TMP/lens.yml")"
grep -q '^screen: "800x600+1700+300"' "$E2E_TMP/lens.yml" || fail "no screen in the record"

# The record starts the next run where this one ended; closing the window
# saves it too, as JSON.
start_calibrator --calibration="$E2E_TMP/lens.yml" --save="$E2E_TMP/lens.json"
expect_parameter_line "param: -x     4 -y  1320 -pitch   8.2500 -mirror"
size=$(xdotool getwindowgeometry "$MAIN_WINDOW" | awk '/Geometry/ {print $2}')
[ "$size" = "800x600" ] || fail "the record's window size was not taken: $size"
xdotool windowclose "$MAIN_WINDOW"
expect_exit 0 "window closed"
expect_final_newline "window closed"
grep -q '"pitch": 8.25' "$E2E_TMP/lens.json" || fail "saved as JSON: $(cat "$E2E_TMP/lens.json")"
ls -a "$E2E_TMP" | grep -q '\.tmp$' && fail "a temporary record was left behind"

# The view phase, the panel's order and the views' order of a record come
# along into the saved one, and so do the sheet's gap and the panel's width
# (not the distance the old numbers were found from).
printf 'x: 6\ny: 1320\npitch: 8.25\nmirror: 1\nview_phase: 2.5\nsubpixel_order: bgr\nwidth: 800\nheight: 600\nreverse: 1\nview_offset: 3\n' \
  >"$E2E_TMP/display.yml"
printf 'gap_mm: 1.25\npanel_width_mm: 344\nviewing_distance_mm: 600\n' >>"$E2E_TMP/display.yml"
start_calibrator --calibration="$E2E_TMP/display.yml" --save="$E2E_TMP/display-saved.yml"
expect_parameter_line "param: -x     6 -y  1320 -pitch   8.2500 -mirror"
quit_with_escape
grep -q '^view_phase: 2.5' "$E2E_TMP/display-saved.yml" && grep -q '^subpixel_order: bgr' "$E2E_TMP/display-saved.yml" &&
  grep -qx 'reverse: 1' "$E2E_TMP/display-saved.yml" && grep -qx 'view_offset: 3' "$E2E_TMP/display-saved.yml" ||
  fail "the record lost the view phase, the panel order or the views' order: $(cat "$E2E_TMP/display-saved.yml")"
grep -q '^gap_mm: 1.25' "$E2E_TMP/display-saved.yml" && grep -q '^panel_width_mm: 344.' "$E2E_TMP/display-saved.yml" &&
  ! grep -q viewing_distance "$E2E_TMP/display-saved.yml" ||
  fail "the record's measures: $(cat "$E2E_TMP/display-saved.yml")"

# Ended by a signal (kill, a closed terminal), it saves as a quit does; its
# standard error holds the parameter lines and nothing from the libraries.
for signal in TERM HUP; do
  start_calibrator --calibration="$E2E_TMP/lens.json" --save="$E2E_TMP/signal.yml"
  expect_parameter_line "param: -x     4 -y  1320 -pitch   8.2500 -mirror"
  key d
  expect_parameter_line "param: -x     2 -y  1320 -pitch   8.2500 -mirror"
  kill -"$signal" "$CALIBRATOR_PID"
  expect_exit 0 "SIG$signal"
  expect_final_newline "SIG$signal"
  [ "$(record_line "$E2E_TMP/signal.yml")" = "param: -x     2 -y  1320 -pitch   8.2500 -mirror" ] ||
    fail "SIG$signal: saved $(cat "$E2E_TMP/signal.yml" 2>/dev/null)"
  others=$(tr '\r' '\n' <"$E2E_TMP/stderr" | grep -v '^param: ' | grep -v '^$' || true)
  [ -z "$others" ] || fail "SIG$signal: more than parameter lines on stderr: $others"
  rm "$E2E_TMP/signal.yml"
done

# Under a window manager, on a whole monitor, an image of its very size is
# asked to be full screen, in the main window and in "DISP"; a smaller one is
# not. A part of the screen is never full screen: the window is moved there.
"$TINY_WM" >"$E2E_TMP/wm.log" 2>&1 &
E2E_PIDS+=("$!")
for i in $(seq "$WAIT_ROUNDS"); do grep -q ready "$E2E_TMP/wm.log" && break; sleep 0.05; done
grep -q ready "$E2E_TMP/wm.log" || fail "the window manager of the test did not start: $(cat "$E2E_TMP/wm.log")"
mkdir -p pic
for v in 0 1 2; do convert -size 2600x1500 "xc:rgb($((v * 80)),90,200)" "pic/blender_00000_$v.png"; done
start_calibrator --screen=0
click_at 970 60 # "disp >", the buttons being wider on a wider window
disp=$(wait_window DISP)
main=$(printf '0x%x' "$MAIN_WINDOW")
for i in $(seq "$WAIT_ROUNDS"); do
  [ "$(grep -c '^add _NET_WM_STATE_FULLSCREEN' "$E2E_TMP/wm.log")" -ge 2 ] && break
  sleep 0.05
done
grep -q "^add _NET_WM_STATE_FULLSCREEN $main\$" "$E2E_TMP/wm.log" || fail "the main window was not asked full screen: $(cat "$E2E_TMP/wm.log")"
grep -q "^add _NET_WM_STATE_FULLSCREEN $(printf '0x%x' "$disp")\$" "$E2E_TMP/wm.log" ||
  fail "DISP was not asked full screen: $(cat "$E2E_TMP/wm.log")"
quit_with_escape
start_calibrator --screen=0 -w=640 -h=512
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0000        "
quit_with_escape
start_calibrator --screen=800x600+1700+300
expect_parameter_line "param: -x     0 -y  1320 -pitch   8.0000        "
for i in $(seq "$WAIT_ROUNDS"); do
  position=$(xdotool getwindowgeometry "$MAIN_WINDOW" | awk '/Position/ {print $2}')
  [ "$position" = "1700,300" ] && break
  sleep 0.05
done
[ "$position" = "1700,300" ] || fail "under a window manager the region's window is at $position, not 1700,300"
quit_with_escape
[ "$(grep -c '^add _NET_WM_STATE_FULLSCREEN' "$E2E_TMP/wm.log")" -eq 2 ] ||
  fail "a smaller window or a region was asked full screen: $(cat "$E2E_TMP/wm.log")"
echo "screen_test: passed"
