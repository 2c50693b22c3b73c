#!/usr/bin/env bash
# What the surroundings can do to the running calibrator: closed standard
# streams, a reader that goes away, and windows closed by the window system.
CALIBRATOR=$1
SEND_WM_DELETE=$2
SAMPLES=$3
source "$(dirname "$0")/lib.sh"

start_xvfb
cd "$E2E_TMP"

# Starts the calibrator with standard output or error closed, or piped.
start_with() {
  case $1 in
    no-stderr) "$CALIBRATOR" 2>&- >/dev/null & ;;
    no-stdout) "$CALIBRATOR" >&- 2>/dev/null & ;;
    pipe) "$CALIBRATOR" 2>"$E2E_TMP/pipe" >/dev/null & ;;
  esac
  CALIBRATOR_PID=$!
  E2E_PIDS+=("$CALIBRATOR_PID")
  MAIN_WINDOW=$(wait_window "Veltrane calibration")
}

# Standard error closed: the X connection must not take its place.
start_with no-stderr
sleep 0.5
quit_with_escape

# Standard output closed, and "disp >" with no pic/ folder, which prints.
start_with no-stdout
click_at 250 30
sleep 0.5
quit_with_escape

# A reader of standard error that stops after ten bytes.
mkfifo "$E2E_TMP/pipe"
head -c 10 <"$E2E_TMP/pipe" >"$E2E_TMP/head" &
start_with pipe
sleep 1.5
if ! kill -0 "$CALIBRATOR_PID" 2>/dev/null; then
  status=0
  wait "$CALIBRATOR_PID" || status=$?
  fail "the calibrator died when its reader went away (exit $status)"
fi
[ "$(wc -c <"$E2E_TMP/head")" -eq 10 ] || fail "the reader got '$(cat "$E2E_TMP/head")'"
quit_with_escape

# The close box of the main window (WM_DELETE_WINDOW) ends it like Escape.
start_calibrator
"$SEND_WM_DELETE" "$MAIN_WINDOW"
expect_exit 0 "close box"

# So does a main window destroyed outright, once it shows its first frame.
start_calibrator
expect_parameter_line "param: -x     0 -y  1152 -pitch   8.0000        "
xdotool windowclose "$MAIN_WINDOW"
expect_exit 0 "window destroyed"

# Closing "DISP" closes only that window; the next "disp >" opens it again,
# at the size of the composition.
"$SAMPLES" --dir=. >/dev/null || fail "could not write the sample views"
start_calibrator
click_at 250 30
disp=$(wait_window DISP)
"$SEND_WM_DELETE" "$disp"
for i in $(seq "$WAIT_ROUNDS"); do
  xdotool search --name '^DISP$' >/dev/null 2>&1 || break
  sleep 0.05
done
xdotool search --name '^DISP$' >/dev/null 2>&1 && fail "DISP did not close"
kill -0 "$CALIBRATOR_PID" 2>/dev/null || fail "closing DISP ended the calibrator"
click_at 250 30
disp=$(wait_window DISP)
sleep 0.5
size=$(xdotool getwindowgeometry "$disp" | awk '/Geometry/ {print $2}')
[ "$size" = "640x512" ] || fail "DISP opened again at $size"
quit_with_escape
echo "hostile_test: passed"
