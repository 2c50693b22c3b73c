#!/usr/bin/env bash
# The engine as another project uses it: installed into a prefix of its own,
# the example found through find_package(Veltrane) and through pkg-config,
# built outside the tree, run, and its output the reference engine's.
set -euo pipefail
source_dir=$1
build_dir=$2
sample_views=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
for file in lib/libveltrane_engine.a lib/libveltrane_records.a include/veltrane/engine/interlace.h \
            include/veltrane/records/parameter_line.h lib/cmake/Veltrane/VeltraneConfig.cmake \
            lib/pkgconfig/veltrane.pc bin/veltrane-interlace lib/libveltrane_gpu.a \
            include/veltrane/gpu/gpu_compositor.h lib/pkgconfig/veltrane-gpu.pc share/veltrane/compose.frag \
            share/veltrane/compose.vert lib/libveltrane_rig.a include/veltrane/rig/camera_rig.h \
            share/veltrane/blender/veltrane_render.zip share/veltrane/blender/veltrane_render/runner.py; do
  [ -e "$work/prefix/$file" ] || fail "not installed: $file"
done
# The Python module, where Debian's python3 looks under a prefix (for
# /usr/local it needs no PYTHONPATH): imported and used from there.
modules=$(/usr/bin/python3 -c 'import sys; print("lib/python3.%d/dist-packages" % sys.version_info[1])')
ls "$work/prefix/$modules"/veltrane.*.so >/dev/null 2>&1 || fail "the Python module is not installed in $modules"
(cd "$work" && PYTHONPATH="$work/prefix/$modules" /usr/bin/python3 -c \
  'import veltrane; assert veltrane.parse_parameter_line("-x 6 -y 1152 -pitch 8.25").pitch == 8.25') ||
  fail "the installed Python module cannot be imported"
# A manual page a program, made from its --help.
for program in veltrane-calibrator veltrane-interlace veltrane-play veltrane-simulate veltrane-autocal \
               veltrane-sample-views; do
  page="$work/prefix/share/man/man1/$program.1"
  [ -s "$page" ] || fail "no manual page: share/man/man1/$program.1"
  MANWIDTH=100 man -l "$page" 2>/dev/null | grep -q -- '--help' || fail "man $program does not show its options"
done
MANWIDTH=100 man -l "$work/prefix/share/man/man1/veltrane-interlace.1" 2>/dev/null | grep -q -- '--param LINE' ||
  fail "man veltrane-interlace does not show --param"
# Nothing private is installed: no header of a library's src/.
[ ! -e "$work/prefix/include/veltrane/engine/fast_interlace.h" ] || fail "a private header is installed"

cmake -S "$source_dir/examples/interlace-two-images" -B "$work/example" -DCMAKE_PREFIX_PATH="$work/prefix" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null || fail "the example does not configure against the package"
cmake --build "$work/example" >/dev/null || fail "the example does not build"

g++ -std=c++17 "$source_dir/examples/interlace-two-images/main.cpp" -o "$work/by-pkg-config" \
    $(PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --cflags --libs veltrane) -lopencv_imgcodecs \
  || fail "the example does not build with pkg-config"

# The snippet of docs/engine.md compiles as shown, and runs: its includes on
# top, its lines in a main that gives the images it names.
snippet=$(awk '/^```cpp$/ {on = 1; next} on && /^```$/ {exit} on' "$source_dir/docs/engine.md")
[ -n "$snippet" ] || fail "docs/engine.md has no C++ snippet"
{
  grep '^#include' <<<"$snippet"
  cat <<'CPP'
#include <opencv2/core.hpp>
#include <string>
#include <vector>
int main()
{
    const cv::Size size(64, 48);
    const cv::Mat left(size, CV_8UC3, cv::Scalar(10, 20, 30)), right(size, CV_8UC3, cv::Scalar(200, 100, 50));
    const cv::Mat view3 = left, view7 = right;
    const std::vector<cv::Mat> views(16, left), tiles(45, cv::Mat(12, 16, CV_8UC3, cv::Scalar::all(90)));
CPP
  grep -v '^#include' <<<"$snippet"
  echo '    return status == veltrane::Status::Done ? 0 : 1;'
  echo '}'
} >"$work/snippet.cpp"
g++ -std=c++17 "$work/snippet.cpp" -o "$work/snippet" \
    $(PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --cflags --libs veltrane) 2>"$work/snippet.log" ||
  fail "the snippet of docs/engine.md does not compile: $(grep -m 3 error "$work/snippet.log")"
"$work/snippet" || fail "the snippet of docs/engine.md does not end with Done"

"$sample_views" --dir="$work" --view-count=2 --size=320x200 --frame-count=1 >/dev/null
left=$work/pic/blender_00000_0.jpg
right=$work/pic/blender_00000_1.jpg
line="param: -x    14 -y   384 -pitch   6.2500 -mirror"
"$work/example/interlace-two-images" "$line" "$left" "$right" "$work/fast.png"
"$work/by-pkg-config" "$line" "$left" "$right" "$work/pkg.png"
"$work/example/interlace-two-images" "$line" "$left" "$right" "$work/reference.png" --reference
for image in fast pkg; do
  differ=$(compare -metric AE "$work/$image.png" "$work/reference.png" null: 2>&1 || true)
  [ "$differ" = 0 ] || fail "$image.png differs from the reference engine in $differ pixels"
done
# And it is an interlace: neither view alone.
differ=$(compare -metric AE "$work/fast.png" "$left" null: 2>&1 || true)
[ "$differ" != 0 ] || fail "the output is the left view"

# The GPU's example: its own context, a quilt drawn into a texture every
# frame, composed by the installed library, the last frame the processor's.
cmake -S "$source_dir/examples/gl-compose" -B "$work/gl-compose" -DCMAKE_PREFIX_PATH="$work/prefix" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null || fail "the GPU's example does not configure against the package"
cmake --build "$work/gl-compose" >/dev/null || fail "the GPU's example does not build"
"$work/gl-compose/gl-compose" >"$work/gl-compose.out" || fail "the GPU's example: $(cat "$work/gl-compose.out")"
grep -q "differs from the processor's in 0 bytes" "$work/gl-compose.out" ||
  fail "the GPU's example did not check its frame: $(cat "$work/gl-compose.out")"
PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --cflags --libs veltrane-gpu >/dev/null ||
  fail "pkg-config does not find veltrane-gpu"
echo "install example: 5 passed, 0 failed"
