#!/usr/bin/env bash
# veltrane-autocal on --screen: each round's pattern shown full screen on
# the monitor given, one image pixel to one screen pixel, before its photo
# is taken (here by the virtual camera); the numbers printed at the end.
AUTOCAL=$1
source "$(dirname "$0")/lib.sh"

cd "$E2E_TMP"
start_xvfb 1024x768
GUESS='-x 8 -y 1152 -pitch 8.5000 -mirror'
SIM='sim:pitch=8.25,x=6,mirror=1,gap=30,distance=20000,blur=1,noise=5'
"$AUTOCAL" --param="$GUESS" --size=640x400 --pattern=first.png || fail "no pattern"
"$AUTOCAL" --param="$GUESS" --screen=640x400+100+50 --camera="$SIM" --settle=4000 >line 2>"$E2E_TMP/stderr" &
AUTOCAL_PID=$!
E2E_PIDS+=("$AUTOCAL_PID")
wait_window "Veltrane autocal" >/dev/null
expect_region 640x400+100+50 "$E2E_TMP/first.png" "the first round's pattern on the screen"
status=0
wait "$AUTOCAL_PID" || status=$?
[ "$status" -eq 0 ] || fail "it exited with $status: $(cat "$E2E_TMP/stderr")"
grep -Eq '^param: -x +6 -y +1152 -pitch +8\.26[0-9]{2} -mirror$' line || fail "it printed '$(cat line)'"
grep -v 'XGetInputFocus' "$E2E_TMP/stderr" | grep -q . && fail "it said: $(cat "$E2E_TMP/stderr")"

# q or Escape in the pattern's window stops the rounds: one line, status 1, no number.
for key in q Escape; do
  "$AUTOCAL" --param="$GUESS" --screen=640x400+100+50 --camera="$SIM" --settle=60000 >line 2>"$E2E_TMP/stderr" &
  AUTOCAL_PID=$!
  E2E_PIDS+=("$AUTOCAL_PID")
  window=$(wait_window "Veltrane autocal")
  expect_region 640x400+100+50 "$E2E_TMP/first.png" "the pattern before $key"
  xdotool key --window "$window" "$key" 2>/dev/null || ! window_viewable "$window" || fail "$key did not reach autocal"
  status=0
  wait "$AUTOCAL_PID" || status=$?
  [ "$status" -eq 1 ] && [ ! -s line ] || fail "$key: status $status, printed '$(cat line)'"
  grep -q "stopped at round 1: the pattern.s window was closed; nothing saved" "$E2E_TMP/stderr" || fail "$key: $(cat "$E2E_TMP/stderr")"
done

expect_status 0 "$AUTOCAL" --list-screens
grep -q "1024x768+0+0" "$E2E_TMP/out" || fail "--list-screens: $(cat "$E2E_TMP/out")"
echo "autocal_screen_test: passed"
