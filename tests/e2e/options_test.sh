#!/usr/bin/env bash
# What a person who types a wrong option, or has no display, gets.
CALIBRATOR=$1
source "$(dirname "$0")/lib.sh"

expect_status 0 "$CALIBRATOR" --help
grep -q -- '-w=' "$E2E_TMP/out" || fail "usage does not show -w="
expect_status 0 "$CALIBRATOR" '-?'

for bad in -w=abc -w=3 -h=100 -p=0 -p=1000 -p=nan --wdth=640 -w ---h=0 ----w=300 -p=999.99999999999988; do
  expect_status 2 env DISPLAY=:99999 "$CALIBRATOR" "$bad"
  [ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] || fail "'$bad' did not give a one-line message"
done

expect_status 1 env -u DISPLAY -u WAYLAND_DISPLAY "$CALIBRATOR"
grep -q 'display' "$E2E_TMP/err" || fail "no message about the display"
expect_status 1 env DISPLAY=:99999 "$CALIBRATOR"
# Wayland alone is no display for it: it says so instead of aborting.
expect_status 1 env -u DISPLAY WAYLAND_DISPLAY=wayland-9 QT_QPA_PLATFORM=wayland "$CALIBRATOR"
grep -q 'X display' "$E2E_TMP/err" || fail "no message about the X display under Wayland"
echo "options_test: passed"
