#!/usr/bin/env bash
# veltrane-autocal at the command line: the virtual camera's rounds print the
# numbers it saw and save them; the pattern written once, kept unless
# --force; one round from a photo file; bad input refused with one line,
# exit 2 for usage and 1 for what is found wrong, never a number.
AUTOCAL=$1
BUILD=${2:-release}
source "$(dirname "$0")/lib.sh"

cd "$E2E_TMP"
GUESS='-x 8 -y 1152 -pitch 8.5000 -mirror'
SIM='sim:pitch=8.25,x=6,mirror=1,gap=30,distance=20000,yaw=8,tilt=-5,blur=1,noise=5'
"$AUTOCAL" --param="$GUESS" --size=640x400 --camera="$SIM" --save=found.yml >line 2>err || fail "the rounds failed: $(cat err)"
# From 20000 away, a sheet 30 in front of the panel looks 1.0015 times as wide.
grep -Eq '^param: -x +6 -y +1152 -pitch +8\.26[0-9]{2} -mirror$' line || fail "it printed '$(cat line)'"
[ -s err ] && fail "it said more than the numbers: $(cat err)"
grep -q '^x: 6$' found.yml && grep -q '^mirror: 1$' found.yml || fail "the record: $(cat found.yml)"

"$AUTOCAL" --param="$GUESS" --size=640x400 --pattern=pattern.png || fail "no pattern"
cp pattern.png kept.png
expect_status 1 "$AUTOCAL" --param="$GUESS" --size=640x400 --pattern=pattern.png
cmp -s pattern.png kept.png || fail "an existing pattern was replaced"
expect_status 0 "$AUTOCAL" --param="$GUESS" --size=640x400 --pattern=pattern.png --force

refused() {
  local status=$1; shift
  expect_status "$status" "$AUTOCAL" "$@"
  [ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] || fail "'$*' said more than one line: $(cat "$E2E_TMP/err")"
  [ -s "$E2E_TMP/out" ] && fail "'$*' printed numbers: $(cat "$E2E_TMP/out")"
  return 0
}
# The pattern itself is no photo of it: no display in it seen through lenses.
refused 1 --param="$GUESS" --size=640x400 --photo=pattern.png
refused 1 --param="$GUESS" --size=640x400 --photo=missing.png
[ "$BUILD" = release ] && refused 1 --param="$GUESS" --size=640x400 --camera=63
refused 2 --size=640x400 --camera="$SIM"                                  # no guess
refused 2 --param="$GUESS" --camera="$SIM"                                # no size
refused 2 --param="$GUESS" --size=640x400                                 # no photos
refused 2 --param="$GUESS" --size=640x400 --camera=sim:pitch=abc
refused 2 --param="$GUESS" --size=640x400 --camera=sim:colour=3
refused 2 --param="$GUESS" --size=640x400 --camera="$SIM" --rounds=0
refused 2 --param="$GUESS" --size=20x400 --camera="$SIM"
refused 2 --param="$GUESS" --size=640x400 --photo=a.png --camera=0
refused 2 --param="$GUESS" --size=640x400 --camera="$SIM" --save=no/such/folder/r.yml # as the other programs refuse it
echo "autocal_test: passed"
