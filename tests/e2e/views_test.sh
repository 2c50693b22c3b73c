#!/usr/bin/env bash
# "disp >" and "disp <" in the real window on the sample views: the "DISP"
# window must show, pixel for pixel, the composition that the same build
# makes through the scripted back end.
CALIBRATOR=$1
RENDER=$2
SAMPLES=$3
source "$(dirname "$0")/lib.sh"

cd "$E2E_TMP"
"$SAMPLES" --dir=. >/dev/null || fail "could not write the sample views"
start_xvfb
start_calibrator
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0000        "

check_composition() {
  local name=$1 x=$2
  click_at "$x" 30
  local disp
  disp=$(wait_window DISP)
  xdotool windowmove "$disp" 700 0
  "$RENDER" "$name-expected.png" --window=DISP idle "click:$x,30" idle >/dev/null 2>&1 || fail "could not render $name"
  expect_screenshot "$disp" "$PWD/$name.png" "$PWD/$name-expected.png"
  local size
  size=$(identify -format '%wx%h' "$name.png")
  [ "$size" = "640x512" ] || fail "$name: DISP is $size"
}

check_composition forward 250
check_composition reverse 350
[ "$(grep -c . "$E2E_TMP/stdout")" -eq 1 ] || fail "unexpected output: $(cat "$E2E_TMP/stdout")"
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0000        "

# Waits until no window is named DISP.
expect_no_disp() {
  local i
  for i in $(seq "$WAIT_ROUNDS"); do
    [ -z "$(xdotool search --name '^DISP$' 2>/dev/null || true)" ] && return 0
    sleep 0.05
  done
  fail "$1: DISP is still there"
}

# A click in "DISP" closes it (the way back from a full-screen "DISP"), and
# "disp >" opens it again; so it does after its window was destroyed outright.
disp=$(wait_window DISP)
xdotool mousemove --window "$disp" 100 100 click 1
expect_no_disp "a click in DISP"
check_composition forward 250
xdotool windowclose "$(wait_window DISP)"
expect_no_disp "DISP destroyed"
check_composition reverse 350
quit_with_escape
echo "views_test: passed"
