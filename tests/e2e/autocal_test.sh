#!/usr/bin/env bash
# veltrane-autocal at the command line: the virtual camera's rounds print the
# numbers it saw and save them; the pattern written once, kept unless
# --force; the rounds of a phone, photo after photo, each read from its
# pattern's code without the guess retyped (mirrored and turned photos too),
# each writing the next round's pattern; a guess that is not the photo's
# refused; bad input refused with one line, exit 2 for usage and 1 for what
# is found wrong, never a number.
AUTOCAL=$1
BUILD=${2:-release}
TAKE_PHOTO=$3
source "$(dirname "$0")/lib.sh"

cd "$E2E_TMP"
GUESS='-x 8 -y 1152 -pitch 8.5000 -mirror'
SIM='sim:pitch=8.25,x=6,mirror=1,gap=30,distance=20000,yaw=8,tilt=-5,blur=1,noise=5'
"$AUTOCAL" --param="$GUESS" --size=640x400 --camera="$SIM" --save=found.yml >line 2>err || fail "the rounds failed: $(cat err)"
# From 20000 away, a sheet 30 in front of the panel looks 1.0015 times as wide.
grep -Eq '^param: -x +6 -y +1152 -pitch +8\.26[0-9]{2} -mirror$' line || fail "it printed '$(cat line)'"
[ -s err ] && fail "it said more than the numbers: $(cat err)"
grep -q '^x: 6$' found.yml && grep -q '^mirror: 1$' found.yml || fail "the record: $(cat found.yml)"

# On a terminal each round says what it found, the last the numbers printed;
# --quiet says nothing there either (the program's own lines: on the
# release build only, for time).
if [ "$BUILD" = release ]; then
  script -qc "'$AUTOCAL' --param='$GUESS' --size=640x400 --camera='$SIM'" /dev/null </dev/null | tr -d '\r' >tty
  grep -Eq '^veltrane-autocal: round 1 of 3: param: -x +[0-9]+ ' tty || fail "no progress on a terminal: $(cat -v tty)"
  [ "$(grep -c 'round [0-9] of 3' tty)" -ge 2 ] || fail "not each round: $(cat tty)"
  [ "$(grep 'round' tty | tail -n 1 | sed 's/.*: param: //')" = "$(sed 's/^param: //' line)" ] ||
    fail "the last round is not the numbers printed: $(cat tty)"
  script -qc "'$AUTOCAL' --param='$GUESS' --size=640x400 --camera='$SIM' --quiet" /dev/null </dev/null | tr -d '\r' >tty
  grep -q 'round' tty && fail "--quiet showed progress: $(cat tty)"
fi

"$AUTOCAL" --param="$GUESS" --size=640x400 --pattern=pattern.png || fail "no pattern"
cp pattern.png kept.png
expect_status 2 "$AUTOCAL" --param="$GUESS" --size=640x400 --pattern=pattern.png
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

# The phone's rounds: the guess typed once; each photo says which pattern it
# shows, and the next round's pattern is written beside the first.
mkdir phone && cd phone
PHONE='pitch=8.25,x=6,mirror=1,gap=30,distance=20000,yaw=8,tilt=-5,blur=1,noise=5'
"$AUTOCAL" --param="$GUESS" --size=960x600 --pattern=pattern.png 2>err || fail "no round 1 pattern: $(cat err)"
[ -s err ] && fail "the round 1 pattern came with '$(cat err)'"
"$TAKE_PHOTO" pattern.png photo-1.png "$PHONE" || fail "no photo"
"$AUTOCAL" --photo=photo-1.png --save=lens.yml --pattern=pattern.png >line 2>err || fail "round 1: $(cat err)"
grep -Eq '^param: -x +6 -y +1152 -pitch +8\.2[56][0-9]{2} -mirror$' line || fail "round 1 printed '$(cat line)'"
grep -q "round 2's pattern: pattern-2.png" err || fail "round 1 said '$(cat err)'"
[ -s pattern-2.png ] && [ -s lens.yml ] || fail "round 1 left no pattern-2.png or record"
ROUND1=$(cat line)
"$TAKE_PHOTO" pattern-2.png photo-2.png "$PHONE" mirrored || fail "no photo"
"$AUTOCAL" --photo=photo-2.png --save=lens.yml --pattern=pattern.png >line 2>err || fail "round 2: $(cat err)"
grep -Eq '^param: -x +6 -y +1152 -pitch +8\.26[0-9]{2} -mirror$' line || fail "round 2 printed '$(cat line)'"
grep -q "round 3's pattern: pattern-3.png" err || fail "round 2 said '$(cat err)'"
"$TAKE_PHOTO" pattern-3.png photo-3.png "$PHONE" turned || fail "no photo"
"$AUTOCAL" --photo=photo-3.png >line 2>err || fail "round 3: $(cat err)"
grep -Eq '^param: -x +6 -y +1152 -pitch +8\.26[0-9]{2} -mirror$' line || fail "round 3 printed '$(cat line)'"
# The guess, when given, must be the photo's: the next round's numbers on
# this round's photo, the other leaning, another pitch, another display.
expect_status 0 "$AUTOCAL" --photo=photo-1.png --param="$GUESS" --size=960x600
refused 1 --photo=photo-1.png --param="$ROUND1"
grep -q "drawn for 'param: -x     8" "$E2E_TMP/err" || fail "the refusal said '$(cat "$E2E_TMP/err")'"
refused 1 --photo=photo-1.png --param='-x 8 -y 1152 -pitch 8.5000'
refused 1 --photo=photo-1.png --param='-x 8 -y 1152 -pitch 9.5000 -mirror'
refused 1 --photo=photo-1.png --size=1920x1080
refused 1 --photo=photo-1.png --pattern=pattern.png # pattern-2.png exists
# A pattern without a code (its lenses too wide for one here): its photo
# needs the guess, and a wrong one is refused by the fringes.
"$AUTOCAL" --param='-x 8 -y 1152 -pitch 16.0000 -mirror' --size=960x600 --pattern=wide.png 2>err || fail "no wide pattern"
grep -q 'carries no code' err || fail "the wide pattern came with '$(cat err)'"
"$TAKE_PHOTO" wide.png wide-photo.png "${PHONE/pitch=8.25/pitch=15.6}" || fail "no photo"
refused 1 --photo=wide-photo.png
grep -q 'no pattern code' "$E2E_TMP/err" || fail "the refusal said '$(cat "$E2E_TMP/err")'"
"$AUTOCAL" --photo=wide-photo.png --param='-x 8 -y 1152 -pitch 16.0000 -mirror' --size=960x600 >line 2>err ||
  fail "the wide photo: $(cat err)"
grep -q 'no pattern code can be read' err || fail "no warning: '$(cat err)'"
refused 1 --photo=wide-photo.png --param='-x 8 -y 1152 -pitch 17.0000 -mirror' --size=960x600
grep -q 'do not fit' "$E2E_TMP/err" || fail "the refusal said '$(cat "$E2E_TMP/err")'"
cd ..
echo "autocal_test: passed"
