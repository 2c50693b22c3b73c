#!/usr/bin/env bash
# veltrane-interlace from the command line: exit statuses and one-line
# messages, the calibrator's own "DISP" reproduced byte for byte, an animation
# written as PNGs and as video, and progress on a terminal only.
INTERLACE=$1
RENDER=$2
SAMPLES=$3
source "$(dirname "$0")/lib.sh"

cd "$E2E_TMP"
one_line() { [ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] || fail "$1: not one line: $(cat "$E2E_TMP/err")"; }

expect_status 0 "$INTERLACE" --help
grep -q -- '--quilt' "$E2E_TMP/out" || fail "usage does not show --quilt"
expect_status 2 "$INTERLACE" -o x.png
one_line "no calibration"
expect_status 2 "$INTERLACE" --param="-x 6 -y 1152" -o x.png
one_line "a malformed line"
expect_status 1 "$INTERLACE" --param="-x 6 -y 1152 -pitch 8" -o x.png
one_line "no views"

"$SAMPLES" --dir=. --frame-count=3 >/dev/null || fail "could not write the sample views"
line=$'param: -x     6 -y  1152 -pitch   8.0000 -mirror\r'
expect_status 0 "$INTERLACE" --param "$line" -o still.png --frames=0-0 --weights=lines
[ ! -s "$E2E_TMP/err" ] || fail "a run off a terminal printed: $(cat "$E2E_TMP/err")"
# The calibrator at the same numbers (three steps left: -x 6 -mirror), "disp >".
"$RENDER" disp.png --window=DISP key:97 key:97 key:97 idle click:250,30 idle >/dev/null 2>&1 ||
  fail "could not render DISP"
[ "$(pixel_difference still.png disp.png)" = "0" ] || fail "the interlaced still (lines) differs from the calibrator's DISP"
expect_status 2 "$INTERLACE" --param "$line" -o still.png --frames=0-0
one_line "an existing output"
# The default weighting lights every subpixel: eight views of flat grey are that grey;
# a record's weights are taken, and --weights over them.
mkdir -p grey
for v in 0 1 2 3 4 5 6 7; do convert -size 96x64 xc:'rgb(200,200,200)' "grey/g_$v.png"; done
expect_status 0 "$INTERLACE" --param "$line" --views='grey/g_{view}.png' -o grey.png
[ "$(pixel_difference grey.png grey/g_0.png)" = "0" ] || fail "flat grey did not stay flat"
printf 'x: 6\ny: 1152\npitch: 8\nmirror: 1\nweights: lines\n' >lines.yml
expect_status 0 "$INTERLACE" --calibration=lines.yml --views='grey/g_{view}.png' -o grey_lines.png
[ "$(pixel_difference grey_lines.png grey/g_0.png)" != "0" ] || fail "the record's weights: lines was not taken"
expect_status 0 "$INTERLACE" --calibration=lines.yml --views='grey/g_{view}.png' --weights=full -o grey_full.png
[ "$(pixel_difference grey_full.png grey/g_0.png)" = "0" ] || fail "--weights=full did not override the record"
expect_status 2 "$INTERLACE" --param "$line" --views='grey/g_{view}.png' --weights=soft -o x.png
one_line "a weighting that is none"
grep -q -- "--weights must be full or lines" "$E2E_TMP/err" || fail "--weights=soft gave: $(cat "$E2E_TMP/err")"
# Too few views for the lens: one warning, and the frame still written.
expect_status 0 "$INTERLACE" --param="-x 6 -y 1152 -pitch 24.5" --views='grey/g_{view}.png' -o wide.png
grep -q "8 views cannot fill a lens of pitch 24.5000: render 13 views or more" "$E2E_TMP/err" ||
  fail "no warning of too few views: $(cat "$E2E_TMP/err")"
one_line "too few views"

expect_status 0 "$INTERLACE" --param "$line" -o "anim_{frame:02}.png"
ls anim_00.png anim_01.png anim_02.png >/dev/null || fail "not one PNG a frame: $(ls)"
expect_status 0 "$INTERLACE" --param "$line" -o anim.mkv --quiet
[ -s anim.mkv ] || fail "no video"

# Progress goes to a terminal, and --quiet silences it there too.
script -qc "'$INTERLACE' --param='-x 6 -y 1152 -pitch 8' -o tty.mkv" /dev/null >"$E2E_TMP/tty" </dev/null
grep -q 'frame 3/3' "$E2E_TMP/tty" || fail "no progress on a terminal: $(cat -v "$E2E_TMP/tty")"
script -qc "'$INTERLACE' --param='-x 6 -y 1152 -pitch 8' -o quiet.mkv --quiet" /dev/null >"$E2E_TMP/tty" </dev/null
[ ! -s "$E2E_TMP/tty" ] || fail "--quiet printed: $(cat -v "$E2E_TMP/tty")"
# A record made on another panel size: a warning that says how to get the
# panel's size, and none once --size gives it.
printf 'x: 6\ny: 1152\npitch: 8\nmirror: 1\nwidth: 1280\nheight: 1024\n' >panel.yml
expect_status 0 "$INTERLACE" --calibration=panel.yml --frames=0-0 -o small.png
grep -q -- "--size=1280x1024" "$E2E_TMP/err" || fail "no word of the panel's size: $(cat "$E2E_TMP/err")"
one_line "a record of another size"
expect_status 0 "$INTERLACE" --calibration=panel.yml --frames=0-0 --size=1280x1024 -o panel.png
[ ! -s "$E2E_TMP/err" ] || fail "a warning at the panel's size: $(cat "$E2E_TMP/err")"

# A whole view phase is the view offset; the record's phase and panel order are taken.
expect_status 0 "$INTERLACE" --param="$line" --frames=0-0 --view-offset=3 -o offset.png
expect_status 0 "$INTERLACE" --param="$line" --frames=0-0 --view-phase=3 -o phase.png
[ "$(pixel_difference offset.png phase.png)" = "0" ] || fail "--view-phase=3 is not --view-offset=3"
printf 'x: 6\ny: 1152\npitch: 8\nmirror: 1\nview_phase: 3\nsubpixel_order: bgr\n' >display.yml
expect_status 0 "$INTERLACE" --calibration=display.yml --frames=0-0 -o record.png
expect_status 0 "$INTERLACE" --param="$line" --frames=0-0 --view-phase=3 --panel=bgr -o options.png
[ "$(pixel_difference record.png options.png)" = "0" ] || fail "the record's phase and panel were not taken"
[ "$(pixel_difference record.png phase.png)" != "0" ] || fail "--panel=bgr changed nothing"

# The default views fall back to PNG, as "disp >" does.
mkdir png && (cd png && "$SAMPLES" --dir=. >/dev/null && for f in pic/*.jpg; do convert "$f" "${f%.jpg}.png" && rm "$f"; done)
(cd png && expect_status 0 "$INTERLACE" --param="$line" -o png.png)

# Sample views of a smaller sample replace a larger one whole.
"$SAMPLES" --dir=sample --view-count=12 --frame-count=2 --size=32x32 >/dev/null
"$SAMPLES" --dir=sample --view-count=4 --size=48x32 >"$E2E_TMP/out"
[ "$(ls sample/pic | wc -l)" -eq 4 ] || fail "older views left behind: $(ls sample/pic)"
grep -q "removed 20 views" "$E2E_TMP/out" || fail "the removal is not said: $(cat "$E2E_TMP/out")"
# Renders of the person's own in pic/ are kept: refused in one line, unless --force.
mkdir -p renders/pic && convert -size 8x8 xc:green renders/pic/blender_00000_0.jpg && cp renders/pic/blender_00000_0.jpg mine.jpg
expect_status 2 "$SAMPLES" --dir=renders --size=32x32
[ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] && grep -q -- "--force" "$E2E_TMP/err" || fail "renders refused how: $(cat "$E2E_TMP/err")"
cmp -s renders/pic/blender_00000_0.jpg mine.jpg || fail "a render of the person's own was replaced"
expect_status 0 "$SAMPLES" --dir=renders --size=32x32 --force
expect_status 0 "$SAMPLES" --dir=renders --size=32x32 # its own views, marked as such
ls -a renders/pic | grep -q '\.tmp' && fail "a temporary was left: $(ls -a renders/pic)"
echo "interlace_test: passed"
