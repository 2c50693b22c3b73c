#!/usr/bin/env bash
# veltrane-interlace against what a hostile or unlucky user gives it: every
# case ends in exit 0 with exact output, or in one line on standard error and
# exit 1 or 2 with nothing written and nothing left behind.
INTERLACE=$1
SAMPLES=$2
PROBE=$3
source "$(dirname "$0")/lib.sh"

cd "$E2E_TMP"
LINE='param: -x     6 -y  1152 -pitch   8.0000 -mirror'

one_line() { [ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] || fail "$1: not one line on stderr: $(cat "$E2E_TMP/err")"; }
says() { grep -q -- "$2" "$E2E_TMP/err" || fail "$1: does not say '$2': $(cat "$E2E_TMP/err")"; }
# No file but the ones named, hidden temporaries included.
only() {
  local left
  left=$(cd work && ls -A | sort | tr '\n' ' ')
  [ "$left" = "$1" ] || fail "$2: the folder holds '$left', expected '$1'"
}
# A refusal: the status, one line that says why, and no output.
refused() {
  local status=$1 why=$2 what=$3; shift 3
  expect_status "$status" "$@"
  one_line "$what"
  says "$what" "$why"
}

"$SAMPLES" --dir=. --frame-count=3 --size=64x48 >/dev/null || fail "could not write the sample views"
VIEWS='pic/blender_{frame:05}_{view}.jpg'
mkdir work

# Video keeps every pixel at any size, and two runs write the same bytes.
expect_status 0 "$INTERLACE" --param="$LINE" --views="$VIEWS" --size=641x481 -o work/odd.mkv
[ "$("$PROBE" work/odd.mkv)" = "641x481 3" ] || fail "odd-sized video holds $("$PROBE" work/odd.mkv)"
expect_status 0 "$INTERLACE" --param="$LINE" --views="$VIEWS" --size=641x481 -o work/again.mkv
cmp -s work/odd.mkv work/again.mkv || fail "two runs wrote different videos"
rm work/odd.mkv work/again.mkv

# A full disk (a file size limit, whose signal would end the process) while
# the video is written: a failure in one line, and no video under its name or
# a temporary.
for output in full.mkv full.avi 'full_{frame}.png'; do
  expect_status 1 bash -c "ulimit -f 20; exec '$INTERLACE' --param='$LINE' --views='$VIEWS' \
    --size=320x240 -o 'work/$output'"
  one_line "full disk, $output"
  only "" "full disk, $output"
done

# Malformed fields in the output pattern, {view} in it, '-o=NAME'.
for output in 'a_{frame:5}.png' '{frame.png' 'a_{frame:}.png' 'a_{x}.png' 'a}.png' 'v_{view}.png'; do
  refused 2 "pattern\|{view}" "output '$output'" "$INTERLACE" --param="$LINE" --views="$VIEWS" -o "work/$output"
done
refused 2 "after a space" "-o=NAME" "$INTERLACE" --param="$LINE" --views="$VIEWS" -o=work/x.png
refused 2 "no {view}" "views without {view}" "$INTERLACE" --param="$LINE" --views=pic/x.jpg -o work/x.png
refused 2 "needs {frame}" "--frames without frames" \
  "$INTERLACE" --param="$LINE" --views='pic/blender_00000_{view}.jpg' --frames=0-1 -o work/x.png
refused 2 "fps" "--fps=nan" "$INTERLACE" --param="$LINE" --views="$VIEWS" --fps=nan -o work/x.mkv
only "" "usage errors"

# Records: deep, large, repeated keys, names with '?', and the hand-written form.
printf '{"x": %s%s}' "$(printf "[%.0s" $(seq 20000))" "$(printf "]%.0s" $(seq 20000))" >deep.json
refused 2 "nested deeper" "a deep record" "$INTERLACE" --calibration=deep.json -o work/x.png
head -c 52000000 /dev/zero | tr '\0' '#' >large.yml
refused 2 "more than a calibration record" "a large record" "$INTERLACE" --calibration=large.yml -o work/x.png
printf 'x: 6\ny: 1152\npitch: 8\nmirror: 1\nx: 7\n' >twice.yml
refused 2 "given twice" "a repeated key" "$INTERLACE" --calibration=twice.yml -o work/x.png
printf 'x: 1073741824\ny: 1152\npitch: 8\nmirror: 1\n' >huge.yml
refused 2 "out of range" "a huge x" "$INTERLACE" --calibration=huge.yml -o work/x.png
printf 'x: 6\ny: 1152\npitch: 8\nmirror: 1\n' >'lens?v2.yml'
printf 'not a record\n' >lens
expect_status 0 "$INTERLACE" --calibration='lens?v2.yml' --views="$VIEWS" --frames=0-0 -o work/record.png
expect_status 0 "$INTERLACE" --param="$LINE" --views="$VIEWS" --frames=0-0 -o work/line.png
[ "$(pixel_difference work/record.png work/line.png)" = "0" ] || fail "the hand-written record is not the line"
rm work/record.png work/line.png

# Termination: no temporary file is left behind, whichever signal.
"$SAMPLES" --dir=big --view-count=16 --frame-count=40 --size=1280x720 >/dev/null
set -m # background runs keep SIGINT, as under an interactive shell
ulimit -c 0 # SIGQUIT would leave a core file
for signal in INT TERM HUP QUIT USR1 ALRM; do
  "$INTERLACE" --param="$LINE" --views="big/pic/blender_{frame:05}_{view}.jpg" -o work/signal.mkv \
    2>"$E2E_TMP/err" &
  pid=$!
  for i in $(seq "$WAIT_ROUNDS"); do ls -A work | grep -q tmp && break; sleep 0.05; done
  kill -"$signal" "$pid"
  status=0
  wait "$pid" || status=$?
  [ "$status" -gt 128 ] || fail "SIGINT $signal: exit $status"
  only "" "after SIG$signal"
done
set +m

# Two runs writing the same output at once: one wins, the other refuses.
won=0
for i in 1 2; do
  ( "$INTERLACE" --param="$LINE" --views="big/pic/blender_{frame:05}_{view}.jpg" --frames=0-3 -o work/race.mkv \
    2>"$E2E_TMP/race$i" && echo won >"$E2E_TMP/won$i" ) &
done
wait
for i in 1 2; do [ -e "$E2E_TMP/won$i" ] && won=$((won + 1)); done
[ "$won" -eq 1 ] || fail "$won of two racing runs wrote race.mkv"
grep -hq "exists" "$E2E_TMP/race1" "$E2E_TMP/race2" || fail "the loser of the race did not say why"
rm work/race.mkv

# Frame names longer than a temporary name holds: with two encoders writing
# at once, every frame's file holds its own frame.
"$SAMPLES" --dir=many --frame-count=40 --size=160x120 >/dev/null
LONG=$(printf 'a%.0s' $(seq 245))
mkdir work/long work/short
expect_status 0 "$INTERLACE" --param="$LINE" --views="many/pic/blender_{frame:05}_{view}.jpg" \
  -o "work/long/${LONG}_{frame}.png"
expect_status 0 "$INTERLACE" --param="$LINE" --views="many/pic/blender_{frame:05}_{view}.jpg" \
  -o 'work/short/f_{frame}.png'
for frame in $(seq 0 39); do
  cmp -s "work/long/${LONG}_$frame.png" "work/short/f_$frame.png" || fail "the long-named frame $frame is not frame $frame"
done
[ "$(ls -A work/long | wc -l)" -eq 40 ] || fail "long names: not 40 files in the folder"
rm -r work/long work/short many

# Numbers: an offset of any size, a slant too flat to draw, too many views.
expect_status 0 "$INTERLACE" --param="$LINE" --views="$VIEWS" --frames=0-0 --view-offset=2147483647 -o work/big.png
expect_status 0 "$INTERLACE" --param="$LINE" --views="$VIEWS" --frames=0-0 --view-offset=7 -o work/small.png
[ "$(pixel_difference work/big.png work/small.png)" = "0" ] || fail "offset 2^31-1 is not offset 7 of 8 views"
rm work/big.png work/small.png
refused 2 "not a value" "-x 715827883" "$INTERLACE" --param="-x 715827883 -y 1 -pitch 8" -o work/x.png
refused 1 "too flat" "-x 2731 -y 1" "$INTERLACE" --param="-x 2731 -y 1 -pitch 8" --views="$VIEWS" \
  --frames=0-0 --size=640x512 -o work/x.png
convert -size 40x30 xc:white quilt.png
refused 2 "more than 4096 views" "5760 x 1800 tiles" "$INTERLACE" --param="$LINE" --quilt=quilt.png \
  --tiles=5760x1800 --size=64x48 -o work/x.png
expect_status 0 "$INTERLACE" --param="$LINE" --quilt=quilt.png --tiles=40x30 --size=64x48 --weights=lines \
  -o work/dark.png
one_line "1200 views"
says "1200 views" "warning: 1200 views"
rm work/dark.png
# The full weighting keeps every view's share: no warning, and white stays white.
expect_status 0 "$INTERLACE" --param="$LINE" --quilt=quilt.png --tiles=40x30 --size=64x48 -o work/bright.png
[ ! -s "$E2E_TMP/err" ] || fail "1200 views in full: $(cat "$E2E_TMP/err")"
[ "$(convert work/bright.png -format '%[fx:minima]' info:)" = "1" ] || fail "1200 white views in full are not white"
rm work/bright.png
refused 2 "--weights is given an empty value" "an empty --weights=" "$INTERLACE" --param="$LINE" --views="$VIEWS" \
  --weights= -o work/x.png
only "" "numbers"

# Frames numbered past 99999 are all found.
for frame in 99999 100000 100001; do
  for view in 0 1; do cp pic/blender_00000_$view.jpg "high_${frame}_$view.jpg"; done
done
expect_status 0 "$INTERLACE" --param="$LINE" --views='high_{frame}_{view}.jpg' -o 'work/high_{frame}.png'
only "high_100000.png high_100001.png high_99999.png " "frames past 99999"
rm work/high_*

# Views that cannot be used: each named in one line, never used in silence.
mkdir bad
cp pic/blender_00000_0.jpg bad/v_0.jpg
head -c "$(( $(stat -c %s pic/blender_00000_1.jpg) / 2 ))" pic/blender_00000_1.jpg >bad/v_1.jpg
refused 1 "cut short" "a truncated JPEG" "$INTERLACE" --param="$LINE" --views='bad/v_{view}.jpg' -o work/x.png
rm bad/v_1.jpg && mkfifo bad/v_1.jpg
refused 1 "not a regular file" "a pipe as a view" timeout 10 "$INTERLACE" --param="$LINE" \
  --views='bad/v_{view}.jpg' -o work/x.png
rm bad/v_1.jpg && ln -s v_1.jpg bad/v_1.jpg
refused 1 "symbolic links" "a looping link as a view" "$INTERLACE" --param="$LINE" --views='bad/v_{view}.jpg' \
  -o work/x.png
rm bad/v_1.jpg && printf '\211PNG\r\n\032\n\0\0\0\rIHDR\0\0\0\100\0\0\0\060\10\2\0\0\0BAD' >bad/v_1.jpg
refused 1 "v_1.jpg" "a broken PNG (and the codec's own complaint kept off stderr)" "$INTERLACE" --param="$LINE" \
  --views='bad/v_{view}.jpg' -o work/x.png
# An orientation tag: the view is used as stored.
convert pic/blender_00000_1.jpg -orient right-top bad/v_1.jpg
expect_status 0 "$INTERLACE" --param="$LINE" --views='bad/v_{view}.jpg' -o work/x.png
rm work/x.png
only "" "bad views"

# Unusable outputs are found before the work.
mkdir work/folder.png
refused 2 "a folder" "an output that is a folder" "$INTERLACE" --param="$LINE" --views="$VIEWS" --frames=0-0 \
  -o work/folder.png
rmdir work/folder.png
refused 2 "no file can be made" "an output where nothing can be made" "$INTERLACE" --param="$LINE" \
  --views="$VIEWS" --frames=0-0 -o /proc/x.png
ln -s nowhere work/link.png
refused 2 "exists" "a link that leads nowhere" "$INTERLACE" --param="$LINE" --views="$VIEWS" --frames=0-0 \
  -o work/link.png
rm work/link.png
refused 2 "longer than" "a name too long" "$INTERLACE" --param="$LINE" --views="$VIEWS" --frames=0-0 \
  -o "work/$(printf 'n%.0s' $(seq 260)).png"

# A failure in a later frame leaves the frames before it, whole, as the README says.
mkdir -p late/pic && cp pic/*.jpg late/pic/
head -c 100 pic/blender_00002_3.jpg >late/pic/blender_00002_3.jpg
refused 1 "blender_00002_3.jpg" "a bad view in frame 2" "$INTERLACE" --param="$LINE" \
  --views="late/pic/blender_{frame:05}_{view}.jpg" -o 'work/late_{frame}.png'
only "late_0.png late_1.png " "a failure in frame 2"
echo "hostile_inputs_test: passed"
