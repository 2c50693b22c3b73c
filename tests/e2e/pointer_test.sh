#!/usr/bin/env bash
# The pointer in the real window: a slant drag, the "pitch" button and a drag
# on the hundredths row. Each resulting window must equal, pixel for pixel,
# the frame that the same build renders for that interaction through the
# scripted back end.
CALIBRATOR=$1
RENDER=$2
source "$(dirname "$0")/lib.sh"

pointer() { xdotool mousemove --window "$MAIN_WINDOW" "$1" "$2"; sleep 0.1; }
button() { xdotool "$1" 1; sleep 0.1; }

# Compares the window with the rendered frame for the same steps.
expect_window_equals() {
  local name=$1; shift
  "$RENDER" "$E2E_TMP/$name-expected.png" "$@" >/dev/null 2>&1 || fail "could not render $name"
  expect_screenshot "$MAIN_WINDOW" "$E2E_TMP/$name.png" "$E2E_TMP/$name-expected.png"
}

# The renderer refuses an output it cannot write, with its usage line.
status=0; "$RENDER" --help >/dev/null 2>"$E2E_TMP/render-usage" || status=$?
[ "$status" -eq 2 ] && grep -q usage "$E2E_TMP/render-usage" || fail "render-frames --help exited with $status"

start_xvfb
start_calibrator
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0000        "

# Slant: 50 pixels to the right, then left past the origin, released there.
pointer 300 100; button mousedown
pointer 350 100
expect_parameter_line "param: -x   100 -y  1152 -pitch   8.0000        "
pointer 250 100
expect_parameter_line "param: -x   100 -y  1152 -pitch   8.0000 -mirror"
button mouseup
expect_window_equals slant idle press:300,100 move:350,100 move:250,100 release:250,100

# The arrows still reach the calibrator after a click (the toolkit's image
# view would take them once clicked).
key Right
expect_parameter_line "param: -x    98 -y  1152 -pitch   8.0000 -mirror"
key Left
expect_parameter_line "param: -x   100 -y  1152 -pitch   8.0000 -mirror"

# A drag released outside the window ends there, with what was last shown;
# back in the window, the pointer with no button held moves nothing, and the
# keys work again.
pointer 300 100; button mousedown
pointer 320 100
expect_parameter_line "param: -x    60 -y  1152 -pitch   8.0000 -mirror"
pointer 700 100
button mouseup
pointer 200 100
pointer 420 120
sleep 0.2
expect_parameter_line "param: -x    60 -y  1152 -pitch   8.0000 -mirror"
key d
expect_parameter_line "param: -x    58 -y  1152 -pitch   8.0000 -mirror"
pointer 300 100; button mousedown
pointer 329 100
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0000        "
pointer 329 500 # the bottom strip: released over the read-outs
button mouseup
pointer 360 100
sleep 0.2
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0000        "
key a
expect_parameter_line "param: -x     2 -y  1152 -pitch   8.0000 -mirror"
pointer 300 100; button mousedown # back where the first drag ended
pointer 251 100; button mouseup
expect_parameter_line "param: -x   100 -y  1152 -pitch   8.0000 -mirror"

# Back to upright with a second drag, then pitch mode and a drag on the
# hundredths row.
pointer 200 300; button mousedown
pointer 250 300; button mouseup
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0000        "
pointer 150 30; button click
pointer 300 250; button mousedown
pointer 320 250
pointer 335 250
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0300        "
button mouseup
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0300        "
expect_window_equals pitch idle click:150,30 press:300,250 move:335,250 release:335,250

# The pitch keys step the digit under the pointer, the arrows as well.
key d
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0400        "
key Right
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0500        "
key Left
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0400        "

# The quit button ends the calibrator.
pointer 600 30; button click
status=0
wait "$CALIBRATOR_PID" || status=$?
[ "$status" -eq 0 ] || fail "quit button: exit status $status"
echo "pointer_test: passed"
