#!/usr/bin/env bash
# veltrane-interlace --gpu, headless (EGL, no X server): the same files byte
# for byte as the processor's, for views and quilts, images and video; what
# the GPU cannot do refused in one line.
INTERLACE=$1
SAMPLES=$2
source "$(dirname "$0")/lib.sh"

cd "$E2E_TMP"
unset DISPLAY # no X server is needed
"$SAMPLES" --dir=. --view-count=12 --frame-count=2 --size=160x100 >/dev/null || fail "could not write the sample views"
convert -size 240x150 xc: +noise Random -depth 8 PNG24:scene_qs8x6a0.75.png || fail "could not make a quilt"
LINE='-x 6 -y 1152 -pitch 8.25 -mirror'

# The same bytes as the processor's, whatever the numbers and options.
same() {
  local name=$1; shift
  "$INTERLACE" --quiet "$@" -o "cpu_$name" || fail "the processor's '$*'"
  "$INTERLACE" --quiet --gpu "$@" -o "gpu_$name" || fail "--gpu '$*': $(cat "$E2E_TMP/err" 2>/dev/null)"
  local written=0 file
  for file in cpu_${name/\{frame\}/*}; do
    cmp -s "$file" "gpu_${file#cpu_}" || fail "--gpu wrote other bytes than the processor for '$*' ($file)"
    written=$((written + 1))
  done
  [ "$written" -ge 1 ] || fail "'$*' wrote nothing"
}
same 'views_{frame}.png' --param="$LINE"
[ -s cpu_views_1.png ] && [ -s gpu_views_1.png ] || fail "not every frame was written: $(ls)"
same 'film.mkv' --param="$LINE"
same phase.png --param="-x 1 -y 3 -pitch 12.5" --frames=1-1 --view-phase=2.35 --panel=bgr --reverse --weights=lines
same sized.png --param="$LINE" --frames=0-0 --size=333x207 --weights=full --view-offset=5
same quilt.png --param="$LINE" --quilt=scene_qs8x6a0.75.png --size=400x300 --tile-sampling=nearest
same turned.png --param="-x 4 -y 5 -pitch 2.5 -mirror" --quilt=scene_qs8x6a0.75.png --size=200x120 \
  --tile-sampling=nearest --reverse --view-phase=0.75 --weights=lines
ls -a | grep -q '\.tmp\.' && fail "a temporary file was left: $(ls -a)"

# Refused: one line, nothing written.
refused() {
  local status=$1 why=$2; shift 2
  expect_status "$status" "$@"
  [ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] || fail "'$*': not one line on stderr: $(cat "$E2E_TMP/err")"
  grep -q -- "$why" "$E2E_TMP/err" || fail "'$*' does not say '$why': $(cat "$E2E_TMP/err")"
  [ -e refused.png ] && fail "'$*' wrote its output"
  return 0
}
refused 2 "tile-sampling=nearest" "$INTERLACE" --param="$LINE" --quilt=scene_qs8x6a0.75.png --size=400x300 --gpu \
  -o refused.png
# No GPU driver to be had: one line and exit 1, never the processor's frame instead.
refused 1 "no GPU context" env __EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent "$INTERLACE" --param="$LINE" --frames=0-0 \
  --gpu -o refused.png
echo "veltrane-interlace --gpu: all checks passed"
