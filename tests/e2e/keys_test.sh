#!/usr/bin/env bash
# The real calibrator in a real window: start-up, keys, parameter line,
# window size, and Escape.
CALIBRATOR=$1
source "$(dirname "$0")/lib.sh"

start_xvfb
start_calibrator

grep -qx '\[ Veltrane autostereoscopic-image calibrator \]' "$E2E_TMP/stdout" || fail "no banner on stdout"
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0000        "

# One key at a time: the window library keeps only the last key of a wait.
key a
expect_parameter_line "param: -x     2 -y  1152 -pitch   8.0000 -mirror"
key a
expect_parameter_line "param: -x     4 -y  1152 -pitch   8.0000 -mirror"
key A
expect_parameter_line "param: -x     6 -y  1152 -pitch   8.0000 -mirror"
for expected in "4 -y  1152 -pitch   8.0000 -mirror" "2 -y  1152 -pitch   8.0000 -mirror" \
                "0 -y  1152 -pitch   8.0000        "; do
  key Right
  expect_parameter_line "param: -x     $expected"
done
key d
expect_parameter_line "param: -x     2 -y  1152 -pitch   8.0000        "
key Left
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0000        "

screenshot "$MAIN_WINDOW" "$E2E_TMP/window.png"
size=$(identify -format '%wx%h' "$E2E_TMP/window.png")
[ "$size" = "640x512" ] || fail "window is $size, expected 640x512"

quit_with_escape
expect_final_newline "Escape"
echo "keys_test: passed"
