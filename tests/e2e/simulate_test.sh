#!/usr/bin/env bash
# veltrane-simulate at the command line: an interlaced frame seen from two
# eyes into two files; an existing output kept unless --force; bad input
# refused with one line, exit 2 for usage and 1 for what is found wrong.
SIMULATE=$1
INTERLACE=$2
SAMPLES=$3
source "$(dirname "$0")/lib.sh"

cd "$E2E_TMP"
"$SAMPLES" --dir=. --view-count=8 --frame-count=1 --size=96x64 >/dev/null || fail "could not write the sample views"
SHEET='-x 6 -y 1152 -pitch 8.0000 -mirror'
"$INTERLACE" --param="$SHEET" -o frame.png --quiet || fail "could not interlace"

"$SIMULATE" --image=frame.png --param="$SHEET" --view-count=8 --gap=1000 --eye=1e9 --eye=1e9,2e6 -o 'seen_{eye}.png' ||
  fail "two eyes did not simulate"
[ -s seen_0.png ] && [ -s seen_1.png ] || fail "the eyes' files are not there: $(ls)"
cmp -s seen_0.png seen_1.png && fail "two eyes a view apart saw the same"

# Each eye as it is written, on a terminal only, and not with --quiet.
script -qc "'$SIMULATE' --image=frame.png --param='$SHEET' --gap=1000 --eye=1e9 --eye=1e9,2e6 -o 'tty_{eye}.png'" \
  /dev/null </dev/null | tr -d '\r' >tty
grep -qx 'veltrane-simulate: tty_0.png written (eye 1 of 2)' tty && grep -qx 'veltrane-simulate: tty_1.png written (eye 2 of 2)' tty ||
  fail "no progress on a terminal: $(cat -v tty)"
script -qc "'$SIMULATE' --image=frame.png --param='$SHEET' --gap=1000 --eye=1e9 -o quiet.png --quiet" /dev/null </dev/null >tty
[ ! -s tty ] || fail "--quiet printed: $(cat -v tty)"

# A slant as an angle, signed as a record's angle_degrees: 1/10 of a pixel a
# row, mirrored, is the line -x 1 -y 10 -mirror.
"$SIMULATE" --image=frame.png --param="-x 1 -y 10 -pitch 8.0000 -mirror" --gap=1000 --eye=1e9,3e5 -o by_line.png ||
  fail "the sheet of a line"
"$SIMULATE" --image=frame.png --param="-x 0 -y 10 -pitch 8.0000" --angle=-5.710593137499643 --gap=1000 --eye=1e9,3e5 \
  -o by_angle.png || fail "the sheet of an angle"
cmp -s by_line.png by_angle.png || fail "the angle's sheet is not the line's"

# An output that exists stays, unless --force.
cp seen_1.png kept.png
expect_status 2 "$SIMULATE" --image=frame.png --param="$SHEET" --gap=1000 --eye=1e9 -o seen_1.png
cmp -s seen_1.png kept.png || fail "an existing output was replaced"
expect_status 0 "$SIMULATE" --image=frame.png --param="$SHEET" --view-count=8 --gap=1000 --eye=1e9 --force -o seen_1.png
cmp -s seen_0.png seen_1.png || fail "--force did not replace the output with the first eye's view"
ls -a | grep -q '\.tmp\.' && fail "a temporary file was left: $(ls -a)"

# Bad input: one line each, nothing written.
refused() {
  local status=$1; shift
  expect_status "$status" "$SIMULATE" "$@"
  [ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] || fail "'$*' said more than one line: $(cat "$E2E_TMP/err")"
  [ -e out.png ] && fail "'$*' wrote its output"
  return 0
}
refused 2 --image=frame.png --gap=1000 --eye=1e9 -o out.png                      # no sheet
refused 2 --image=frame.png --param="$SHEET" --eye=1e9 -o out.png                # no gap
refused 2 --image=frame.png --param="$SHEET" --gap=1000 --eye=0 -o out.png       # an eye on the sheet
refused 2 --image=frame.png --param="$SHEET" --gap=-1 --eye=5 -o out.png
refused 2 --image=frame.png --param="$SHEET" --gap=1000 --eye=5 --eye=6 -o out.png # two eyes, one name
refused 2 --image=frame.png --param="$SHEET" --gap=1000 --eye=5 --spot=0 -o out.png
refused 2 --image=frame.png --param="-x 6 -y 1152" --gap=1000 --eye=5 -o out.png
refused 2 --image=frame.png --param="$SHEET" --gap=1000 --eye=5 --panel=grb -o out.png
refused 2 --image=frame.png --param="$SHEET" --gap=1000 --eye=5 --angle=75 -o out.png
refused 2 --image=frame.png --param="$SHEET" --gap=1000 --eye=5 --bogus -o out.png
refused 2 --image=frame.png --param="$SHEET" --gap=1000 --eye=5 "$(printf 'x\ny')" -o out.png # shown, not obeyed
refused 1 --image=missing.png --param="$SHEET" --gap=1000 --eye=5 -o out.png
mkdir folder.png
refused 1 --image=folder.png --param="$SHEET" --gap=1000 --eye=5 -o out.png
refused 2 --image=frame.png --param="-x 6 -y 0 -pitch 8.0000" --gap=1000 --eye=5 -o out.png
refused 1 --image=frame.png --param="-x 99999 -y 1 -pitch 1.0000" --gap=1000 --eye=5 -o out.png # all but horizontal
refused 2 --image=frame.png --param="$SHEET" --gap=1000 --eye=5 -o no/such/folder/out.png
echo "simulate_test: passed"
