#!/usr/bin/env bash
# veltrane-play in a real window: a quilt played on a part of the screen, one
# image pixel to one screen pixel; tuning keys pressed, and the window's
# pixels equal what veltrane-interlace writes for the same numbers; the
# numbers saved, and a second start from the record shows the same frame;
# an interlaced image shown as it is, without a calibration.
PLAY=$1
INTERLACE=$2
SAMPLES=$3
FACE_PHOTO=$4
source "$(dirname "$0")/lib.sh"

cd "$E2E_TMP"
make_sample_quilt "$SAMPLES"
LINE='param: -x     6 -y  1152 -pitch   8.0000 -mirror'
start_xvfb 1024x768

start_play --param="$LINE" --quilt=scene_qs4x2.png --screen=640x400+100+50 --save="$E2E_TMP/play.yml" --weights=lines
"$INTERLACE" --param="$LINE" --quilt=scene_qs4x2.png --tile-sampling=nearest --size=640x400 --weights=lines \
  -o start.png --quiet || fail "no start frame"
expect_region 640x400+100+50 "$E2E_TMP/start.png" "the quilt as veltrane-interlace writes it"
for k in bracketright braceright equal b period; do key "$k"; done
"$INTERLACE" --param="param: -x 5 -y 1152 -pitch 8.0001 -mirror" --view-phase=1.1 --panel=bgr \
  --quilt=scene_qs4x2.png --tile-sampling=nearest --size=640x400 --weights=lines -o tuned.png --quiet || fail "no tuned frame"
expect_region 640x400+100+50 "$E2E_TMP/tuned.png" "after ] } = b ."
end_play q "q"
grep -Eq "frames? shown" "$E2E_TMP/stdout" || fail "no line about the frames: $(cat "$E2E_TMP/stdout")"
[ ! -s "$E2E_TMP/stderr" ] || fail "standard error: $(cat "$E2E_TMP/stderr")"
for expected in 'x: 5' 'pitch: 8.0000999999999998e+00' 'view_phase: 1.1000000000000001e+00' 'subpixel_order: bgr' 'weights: lines'; do
  grep -qx "$expected" "$E2E_TMP/play.yml" || fail "the record lacks '$expected': $(cat "$E2E_TMP/play.yml")"
done

# The saved record shows the same frame.
start_play --calibration="$E2E_TMP/play.yml" --quilt=scene_qs4x2.png --screen=640x400+100+50
expect_region 640x400+100+50 "$E2E_TMP/tuned.png" "started from the saved record"
end_play Escape "Escape"

# From a seat elsewhere: the window shows what the interlacer writes for the
# same seat, and the record saved keeps the numbers of the measures' place
# with the measures.
cp "$E2E_TMP/play.yml" "$E2E_TMP/measured.yml"
printf 'gap_mm: 1.5\npanel_width_mm: 300\nviewing_distance_mm: 650\n' >>"$E2E_TMP/measured.yml"
"$INTERLACE" --calibration="$E2E_TMP/measured.yml" --quilt=scene_qs4x2.png --tile-sampling=nearest --size=640x400 \
  --viewer=-150,450,40 -o seat.png --quiet || fail "no frame for the seat"
cmp -s seat.png tuned.png && fail "the seat changed nothing"
start_play --calibration="$E2E_TMP/measured.yml" --quilt=scene_qs4x2.png --screen=640x400+100+50 \
  --viewer=-150,450,40 --save="$E2E_TMP/seat.yml"
expect_region 640x400+100+50 "$E2E_TMP/seat.png" "from the seat -150,450,40"
end_play q "--viewer"
for expected in 'pitch: 8.0000999999999998e+00' 'gap_mm: 1.5000000000000000e+00' 'viewing_distance_mm: 650.'; do
  grep -q "^$expected" "$E2E_TMP/seat.yml" || fail "the seat's record lacks '$expected': $(cat "$E2E_TMP/seat.yml")"
done

# A head followed by the virtual webcam: the record's own numbers until the
# face is found, then the numbers for the tracked place; t shows the record's
# own again, and t follows once more. A camera that cannot be opened is one
# line and status 1.
start_play --calibration="$E2E_TMP/measured.yml" --quilt=scene_qs4x2.png --screen=640x400+100+50 \
  --track=sim:-150,450,40 --face-photo="$FACE_PHOTO"
expect_region_differs 640x400+100+50 "$E2E_TMP/tuned.png" "the tracked head"
key t
expect_region 640x400+100+50 "$E2E_TMP/tuned.png" "tracking turned off"
key t # from the window painted with the record's numbers: a difference now is the tracked place's
expect_region_differs 640x400+100+50 "$E2E_TMP/tuned.png" "tracking turned on again"
end_play q "--track=sim"
grep -Eq "a face in [1-9][0-9]* of [0-9]+ camera frames" "$E2E_TMP/stdout" ||
  fail "no faces tracked: $(cat "$E2E_TMP/stdout")"
[ ! -s "$E2E_TMP/stderr" ] || fail "standard error while tracking: $(cat "$E2E_TMP/stderr")"
status=0
"$PLAY" --calibration="$E2E_TMP/measured.yml" --quilt=scene_qs4x2.png --screen=640x400+100+50 --track=63 \
  >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr" || status=$?
[ "$status" -eq 1 ] || fail "a camera that cannot be opened: status $status"
[ "$(cat "$E2E_TMP/stderr")" = "veltrane-play: camera 63 cannot be opened, or gives no picture" ] ||
  fail "a camera that cannot be opened: $(cat "$E2E_TMP/stderr")"

# An interlaced image is shown as it is, without a calibration: pixel for
# pixel, and one frame said in the singular.
start_play --image="$E2E_TMP/tuned.png" --screen=640x400+100+50
expect_region 640x400+100+50 "$E2E_TMP/tuned.png" "the image shown as it is"
end_play q "--image without a calibration"
grep -q "1 frame shown" "$E2E_TMP/stdout" || fail "the image's line: $(cat "$E2E_TMP/stdout")"

# Keys typed faster than frames are composed are every one applied, in
# order: five ] (a view each), each after an h (the overlay), and q, sent at
# once. (No key twice in a row, nor } after ]: one key pressed again at the
# same instant is what a key held down sends, and Qt takes it for a repeat.)
"$SAMPLES" --dir=big --view-count=16 --size=1280x800 >/dev/null
start_play --param="$LINE" --views='big/pic/blender_{frame:05}_{view}.jpg' --screen=640x400+100+50 \
  --save="$E2E_TMP/keys.yml"
xdotool key --window "$MAIN_WINDOW" --delay 0 bracketright h bracketright h bracketright h bracketright h \
  bracketright h q 2>/dev/null || ! window_viewable "$MAIN_WINDOW" || fail "the keys did not reach the player"
status=0; wait "$PLAY_PID" || status=$?
[ "$status" -eq 0 ] || fail "ten keys and q: exit status $status: $(cat "$E2E_TMP/stderr")"
grep -qx 'view_phase: 5\.' "$E2E_TMP/keys.yml" || fail "keys were lost: $(grep view_phase "$E2E_TMP/keys.yml")"
[ ! -s "$E2E_TMP/stderr" ] || fail "views of the output's shape: $(cat "$E2E_TMP/stderr")"

# The interlacer's own video, played as it is: its frames pixel for pixel.
"$SAMPLES" --dir=anim --frame-count=3 --size=160x100 >/dev/null
for output in film.mkv 'film_{frame}.png'; do
  "$INTERLACE" --param="$LINE" --views='anim/pic/blender_{frame:05}_{view}.jpg' --size=640x400 -o "$output" --quiet ||
    fail "could not interlace the film to $output"
done
start_play --image=film.mkv --screen=640x400+100+50 --fps=0.25 # 4 s a frame: paused on the one seen
expect_region 640x400+100+50 "$E2E_TMP/film_0.png" "the video's frame 0"
key space # paused where it is, then one step on
paused=""
for i in $(seq 120); do
  import -window root -crop 640x400+100+50 +repage "$E2E_TMP/region.png"
  for f in 0 1 2; do
    [ "$(pixel_difference "$E2E_TMP/region.png" "$E2E_TMP/film_$f.png")" = 0 ] && paused=$f
  done
  [ -n "$paused" ] && break
  sleep 0.25
done
[ -n "$paused" ] || fail "the paused video shows none of its frames"
key Right
expect_region 640x400+100+50 "$E2E_TMP/film_$(( (paused + 1) % 3 )).png" "a step on from frame $paused"
end_play q "the video"
grep -Eq "^veltrane-play: [0-9]+ frames shown" "$E2E_TMP/stdout" || fail "the video's line: $(cat "$E2E_TMP/stdout")"

# Views of another shape (160 x 100 on 640 x 480): stretched with a note, or
# contained, black bands above and below them, no note.
start_play --param="$LINE" --screen=640x480+100+50
end_play q "views stretched"
grep -q "160 x 100 views were stretched to 640 x 480" "$E2E_TMP/stderr" || fail "no note: $(cat "$E2E_TMP/stderr")"
# True when the rows of the region are black, and the middle of the window is not.
banded() {
  import -window root -crop "$1" +repage "$E2E_TMP/band.png"
  import -window root -crop 640x100+100+240 +repage "$E2E_TMP/middle.png"
  [ "$(convert "$E2E_TMP/band.png" -format '%[fx:maxima]' info:)" = 0 ] &&
    [ "$(convert "$E2E_TMP/middle.png" -format '%[fx:maxima]' info:)" != 0 ]
}
start_play --param="$LINE" --screen=640x480+100+50 --fit=contain
wait_until "no black band above the contained views" banded 640x40+100+50
wait_until "no black band below the contained views" banded 640x40+100+490
end_play Escape "--fit=contain"
[ ! -s "$E2E_TMP/stderr" ] || fail "contained views: $(cat "$E2E_TMP/stderr")"

expect_status 0 "$PLAY" --list-screens
grep -q "1024x768+0+0" "$E2E_TMP/out" || fail "--list-screens: $(cat "$E2E_TMP/out")"

# Usage errors in one line.
expect_status 2 "$PLAY" --param="$LINE" --quilt=scene_qs4x2.png --views='v_{view}.png'
[ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] || fail "not one line: $(cat "$E2E_TMP/err")"
expect_status 2 "$PLAY" --param="$LINE" --quilt=scene_qs4x2.png
grep -q -- "--size" "$E2E_TMP/err" || fail "a quilt without a size: $(cat "$E2E_TMP/err")"
echo "play_test: passed"
