#!/usr/bin/env bash
# The calibrator on a lens monitor under a real window manager: Xorg with the
# dummy driver, its 2600 x 1500 screen split into two monitors with
# `xrandr --setmonitor` (which Xvfb ignores), and openbox. A monitor chosen by
# --screen gets the window full screen, pixel for pixel, and so does "DISP";
# a region that is no monitor gets its window there, not full screen.
# Exits 77 (skipped) where no Xorg can be started (not root).
CALIBRATOR=$1
RENDER=$2
source "$(dirname "$0")/lib.sh"

[ "$(id -u)" -eq 0 ] || { echo "window_manager_test: skipped: Xorg with a config of its own needs root"; exit 77; }
command -v Xorg >/dev/null && command -v openbox >/dev/null && command -v xrandr >/dev/null ||
  fail "Xorg, openbox or xrandr is missing: run scripts/install-deps"

start_xorg 2600x1500 "LEFT 1300/343x1500/396+0+0" "RIGHT 1300/343x1500/396+1300+0"
openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
E2E_PIDS+=("$!")
for i in $(seq "$WAIT_ROUNDS"); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.05; done
cd "$E2E_TMP"

expect_status 0 "$CALIBRATOR" --list-screens
[ "$(cat "$E2E_TMP/out")" = $'0  LEFT  1300x1500+0+0\n1  RIGHT  1300x1500+1300+0' ] ||
  fail "screens listed as: $(cat "$E2E_TMP/out")"

# Waits until the window stands at the geometry and, as asked, is full screen or not.
expect_window() {
  local window=$1 geometry=$2 fullscreen=$3 what=$4 now="" state="" i
  for i in $(seq "$WAIT_ROUNDS"); do
    now=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                                        /Width/ {w=$NF} /Height/ {h=$NF} END {printf "%sx%s+%s+%s", w, h, x, y}')
    state=$(xprop -id "$window" _NET_WM_STATE)
    if [ "$now" = "$geometry" ]; then
      if [ "$fullscreen" = yes ] && [[ $state == *_NET_WM_STATE_FULLSCREEN* ]]; then return 0; fi
      if [ "$fullscreen" = no ] && [[ $state != *_NET_WM_STATE_FULLSCREEN* ]]; then return 0; fi
    fi
    sleep 0.05
  done
  fail "$what: at $now ($state), expected $geometry, full screen: $fullscreen"
}

# The second monitor: the window full screen on it, the frame pixel for pixel.
mkdir -p pic
for v in 0 1 2; do convert -size 1300x1500 "xc:rgb($((v * 80)),90,200)" "pic/blender_00000_$v.png"; done
start_calibrator --screen=1
expect_parameter_line "param: -x     0 -y  3720 -pitch   8.0000        "
expect_window "$MAIN_WINDOW" 1300x1500+1300+0 yes "the calibrator on monitor 1"
"$RENDER" "$E2E_TMP/expected.png" -w=1300 -h=1500 idle >/dev/null 2>&1 || fail "could not render the frame"
expect_region 1300x1500+1300+0 "$E2E_TMP/expected.png" "monitor 1"
click_at 480 60 # "disp >"
disp=$(wait_window DISP)
expect_window "$disp" 1300x1500+1300+0 yes "DISP on monitor 1"
# "DISP" covers the calibrator; a click in it is the way back.
xdotool mousemove --window "$disp" 600 700 click 1
for i in $(seq "$WAIT_ROUNDS"); do [ -z "$(xdotool search --name '^DISP$' 2>/dev/null || true)" ] && break; sleep 0.05; done
[ -z "$(xdotool search --name '^DISP$' 2>/dev/null || true)" ] || fail "a click in the full-screen DISP did not close it"
xdotool mousemove --window "$MAIN_WINDOW" 600 705 # the calibrator sees the pointer leave "disp >"
expect_region 1300x1500+1300+0 "$E2E_TMP/expected.png" "monitor 1 after DISP"
quit_with_escape

# A region that is no monitor: the window at its origin, not full screen.
start_calibrator --screen=800x600+1700+300
expect_parameter_line "param: -x     0 -y  1320 -pitch   8.0000        "
expect_window "$MAIN_WINDOW" 800x600+1700+300 no "the calibrator on a region"
"$RENDER" "$E2E_TMP/expected.png" -w=800 -h=600 idle >/dev/null 2>&1 || fail "could not render the frame"
expect_region 800x600+1700+300 "$E2E_TMP/expected.png" "the region"
quit_with_escape

# A geometry wholly off the screen opens nothing.
expect_status 2 "$CALIBRATOR" --screen=800x600+3000+0
grep -q "off every monitor" "$E2E_TMP/err" || fail "an off-screen geometry gave: $(cat "$E2E_TMP/err")"
echo "window_manager_test: passed"
