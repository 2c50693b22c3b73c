#!/usr/bin/env bash
# The newest programs against what a hostile or unlucky user types: every
# case is refused in one line on standard error, with exit 2 for what was
# typed and 1 for what was found, nothing written and no number printed.
INTERLACE=$1
SIMULATE=$2
AUTOCAL=$3
PLAY=$4
SAMPLES=$5
source "$(dirname "$0")/lib.sh"

cd "$E2E_TMP"
LINE='param: -x     6 -y  1152 -pitch   8.0000 -mirror'
"$SAMPLES" --dir=. --view-count=8 --frame-count=1 --size=96x64 >/dev/null || fail "could not write the sample views"
"$INTERLACE" --param="$LINE" -o frame.png --quiet || fail "could not interlace"
mkdir work

# Refused: the status, one line saying why, nothing on standard output, and
# the work folder empty.
refused() {
  local status=$1 why=$2; shift 2
  expect_status "$status" "$@"
  [ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] || fail "'$*': not one line on stderr: $(cat "$E2E_TMP/err")"
  grep -q -- "$why" "$E2E_TMP/err" || fail "'$*' does not say '$why': $(cat "$E2E_TMP/err")"
  [ -s "$E2E_TMP/out" ] && fail "'$*' printed: $(cat "$E2E_TMP/out")"
  [ -z "$(ls -A work)" ] || fail "'$*' left: $(ls -A work)"
  return 0
}

# An option given as --opt= is an empty value, never the next argument.
refused 2 "--pattern is given an empty value" "$AUTOCAL" --param="$LINE" --size=960x600 --pattern= --force
refused 2 "--panel is given an empty value" "$INTERLACE" --param="$LINE" -o work/x.png --panel=
refused 2 "--gap is given an empty value" "$SIMULATE" --image=frame.png --param="$LINE" --gap= --eye=5 -o work/x.png
refused 2 "--view-phase is given an empty value" "$PLAY" --param="$LINE" --image=frame.png --view-phase= --force

# NaN is no number.
refused 2 "view-phase" "$INTERLACE" --param="$LINE" --view-phase=nan -o work/x.png
refused 2 "view-phase" "$SIMULATE" --image=frame.png --param="$LINE" --gap=1000 --eye=5 --view-phase=nan -o work/x.png
refused 2 "view-phase" "$PLAY" --param="$LINE" --view-phase=nan
refused 2 "gap" "$SIMULATE" --image=frame.png --param="$LINE" --gap=inf --eye=5 -o work/x.png

# A record of the calibrator's smallest window is too small for a pattern.
printf 'x: 6\ny: 1152\npitch: 8\nmirror: 1\nwidth: 24\nheight: 5\n' >small.yml
refused 2 "too small for the pattern" "$AUTOCAL" --calibration=small.yml --pattern=work/p.png
refused 2 "too small for the pattern" "$AUTOCAL" --calibration=small.yml --photo=frame.png
refused 2 "too small for the pattern" "$AUTOCAL" --calibration=small.yml --camera='sim:pitch=8.25,x=6,mirror=1'
expect_status 0 "$AUTOCAL" --calibration=small.yml --size=64x64 --pattern=work/p.png
rm work/p.png

# The views' order a record kept is kept in the record autocal saves from it,
# and so are the sheet's gap and the panel's width, but not the distance the
# guess was found from: autocal's numbers are the camera's.
printf 'x: 6\ny: 1152\npitch: 8.2\nmirror: 1\nwidth: 640\nheight: 400\nreverse: 1\nview_offset: -2\n' >ordered.yml
printf 'gap_mm: 1.25\npanel_width_mm: 344\nviewing_distance_mm: 600\n' >>ordered.yml
expect_status 0 "$AUTOCAL" --calibration=ordered.yml --camera='sim:pitch=8.25,x=6,mirror=1' --save=kept.yml
grep -qx 'reverse: 1' kept.yml && grep -qx 'view_offset: -2' kept.yml || fail "the views' order was lost: $(cat kept.yml)"
grep -q '^gap_mm: 1.25' kept.yml && grep -q '^panel_width_mm: 344.' kept.yml || fail "the measures were lost: $(cat kept.yml)"
! grep -q viewing_distance kept.yml || fail "autocal kept the guess's distance: $(cat kept.yml)"

# PNG is written under PNG names only; --save says nothing with --pattern.
refused 2 "must end in .png" "$AUTOCAL" --param="$LINE" --size=960x600 --pattern=work/p.jpg
refused 2 "must end in .png" "$SIMULATE" --image=frame.png --param="$LINE" --gap=1000 --eye=5 -o work/seen.txt
refused 2 "must end in .png" "$SIMULATE" --image=frame.png --param="$LINE" --gap=1000 --eye=5 -o work/seen
refused 2 "--save" "$AUTOCAL" --param="$LINE" --size=960x600 --pattern=work/p.png --save=work/r.yml
refused 2 "does not exist" "$AUTOCAL" --param="$LINE" --size=640x400 --screen=0 --camera=0 --save=no/such/r.yml
refused 2 "--rounds is for a camera" "$AUTOCAL" --photo=frame.png --rounds=2
refused 2 "--settle is for a camera" "$AUTOCAL" --photo=frame.png --settle=100

# A record's whole number beyond an int is refused, not cut to its low bits.
printf 'x: 4294967302\ny: 1152\npitch: 8\nmirror: 1\n' >wrapped.yml
refused 2 "too large" "$INTERLACE" --calibration=wrapped.yml -o work/x.png
refused 2 "too large" "$SIMULATE" --image=frame.png --calibration=wrapped.yml --gap=1000 --eye=5 -o work/x.png

# Frames too small to light, numbers too flat to draw.
refused 1 "3 rows or more" "$INTERLACE" --param="$LINE" --size=640x2 -o work/x.png

start_xvfb 1024x768
refused 1 "too flat to draw" "$PLAY" --param='-x 16777216 -y 1 -pitch 8' --size=640x400
refused 2 "does not fit" "$PLAY" --param="$LINE" --size=2000x400 --screen=0
echo "hostile_programs_test: passed"
