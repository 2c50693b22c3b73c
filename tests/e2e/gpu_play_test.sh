#!/usr/bin/env bash
# veltrane-play --gpu in a real window (GLX on Xvfb, llvmpipe): the window's
# pixels equal veltrane-interlace's file for a quilt and for view files,
# before and after tuning keys (a new table made while the old frame
# stays); an interlaced image shown as it is; the overlay over the frame;
# the numbers saved as tuned; no GL to be had refused in one line, exit 1.
PLAY=$1
INTERLACE=$2
SAMPLES=$3
source "$(dirname "$0")/lib.sh"

cd "$E2E_TMP"
make_sample_quilt "$SAMPLES"
LINE='param: -x     6 -y  1152 -pitch   8.0000 -mirror'
start_xvfb 1024x768
PLAY_OPTIONS=--gpu

# Ends the player as end_play does; nothing may be said on standard error.
end_quietly() {
  end_play "$@"
  [ ! -s "$E2E_TMP/stderr" ] || fail "$2: standard error: $(cat "$E2E_TMP/stderr")"
}

# A quilt, then tuned: a whole phase step and a fraction, a pitch step, the
# panel's order and a slant step, each a new table but the first.
start_play --param="$LINE" --quilt=scene_qs4x2.png --screen=640x400+100+50 --save="$E2E_TMP/play.yml" --weights=lines
"$INTERLACE" --param="$LINE" --quilt=scene_qs4x2.png --tile-sampling=nearest --size=640x400 --weights=lines \
  -o start.png --quiet || fail "no start frame"
expect_region 640x400+100+50 "$E2E_TMP/start.png" "the quilt on the GPU as veltrane-interlace writes it"
for k in bracketright braceright equal b period; do key "$k"; done
"$INTERLACE" --param="param: -x 5 -y 1152 -pitch 8.0001 -mirror" --view-phase=1.1 --panel=bgr \
  --quilt=scene_qs4x2.png --tile-sampling=nearest --size=640x400 --weights=lines -o tuned.png --quiet || fail "no tuned frame"
expect_region 640x400+100+50 "$E2E_TMP/tuned.png" "on the GPU after ] } = b ."
# The overlay: its dark box over the frame's top left, the frame beside it.
key h
wait_until "the overlay's box" sh -c "import -window root -crop 4x4+102+52 +repage txt:- | grep -q '#1E1E1E'"
key h
expect_region 640x400+100+50 "$E2E_TMP/tuned.png" "the overlay gone again"
end_quietly q "q"
for expected in 'x: 5' 'pitch: 8.0000999999999998e+00' 'view_phase: 1.1000000000000001e+00' 'subpixel_order: bgr'; do
  grep -qx "$expected" "$E2E_TMP/play.yml" || fail "the record lacks '$expected': $(cat "$E2E_TMP/play.yml")"
done

# View files, reversed and offset, the full weighting.
start_play --param="$LINE" --frames=0-0 --screen=480x300+10+10 --reverse --view-offset=3 --view-phase=0.25
"$INTERLACE" --param="$LINE" --frames=0-0 --size=480x300 --reverse --view-offset=3 --view-phase=0.25 -o views.png \
  --quiet || fail "no frame of views"
expect_region 480x300+10+10 "$E2E_TMP/views.png" "view files on the GPU as veltrane-interlace writes them"
key r
"$INTERLACE" --param="$LINE" --frames=0-0 --size=480x300 --view-offset=3 --view-phase=0.25 -o unreversed.png \
  --quiet || fail "no frame of views"
expect_region 480x300+10+10 "$E2E_TMP/unreversed.png" "after r"
end_quietly Escape "Escape"

# An interlaced image as it is.
start_play --image="$E2E_TMP/tuned.png" --screen=640x400+100+50
expect_region 640x400+100+50 "$E2E_TMP/tuned.png" "the image shown as it is on the GPU"
end_quietly q "--image"

# No context to be had: one line, exit 1, nothing shown.
expect_status 1 env MESA_GL_VERSION_OVERRIDE=3.0 "$PLAY" --gpu --param="$LINE" --quilt=scene_qs4x2.png --size=320x200
[ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] && grep -q "no OpenGL 3.3" "$E2E_TMP/err" ||
  fail "a GL 3.0 context was not refused in one line: $(cat "$E2E_TMP/err")"
[ ! -s "$E2E_TMP/out" ] || fail "a refused --gpu said it showed frames: $(cat "$E2E_TMP/out")"
XVFB_OPTIONS="-extension GLX" start_xvfb 800x600
expect_status 1 "$PLAY" --gpu --param="$LINE" --quilt=scene_qs4x2.png --size=320x200
[ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] && grep -q "no OpenGL (GLX)" "$E2E_TMP/err" ||
  fail "a display without GLX was not refused in one line: $(cat "$E2E_TMP/err")"
echo "veltrane-play --gpu: all checks passed"
