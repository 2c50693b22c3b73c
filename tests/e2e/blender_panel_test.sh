#!/usr/bin/env bash
# The Blender add-on in Blender's own window under Xvfb: installed from its
# zip, its panel drawn in the camera's properties (a screenshot kept when a
# path is given), and its render started as a person starts it from the
# keyboard (F3, "veltrane", Return: Render > Render Veltrane Views): the
# views and the interlaced frames appear, the frames the bytes
# veltrane-interlace makes of those views.
# Arguments: blender, veltrane-interlace, the add-on's zip, the module's
# folder, tests/blender, Debian's python3, and optionally where to keep the
# screenshot.
set -euo pipefail
blender=$1 interlace=$2 addon_zip=$3 module_dir=$4 test_dir=$5 python=$6 keep_shot=${7:-}
source "$(dirname "$0")/lib.sh"
export PYTHONPATH=$module_dir

work="$E2E_TMP/scene"
mkdir "$work"
"$blender" -b --factory-startup -noaudio -P "$test_dir/make_scene.py" -- "$work/scene.blend" >"$E2E_TMP/out" 2>&1 ||
  fail "no scene: $(tail -n 3 "$E2E_TMP/out")"
"$python" - "$work/lens.yml" "$test_dir" <<'PY'
import sys
sys.path.insert(0, sys.argv[2])
import veltrane
from scene_numbers import DISTANCE, GAP, LINE, PANEL, PANEL_WIDTH
record = veltrane.Record()
record.calibration = veltrane.parse_parameter_line(LINE)
record.width, record.height = PANEL
record.measures.gap_mm, record.measures.panel_width_mm, record.measures.viewing_distance_mm = GAP, PANEL_WIDTH, DISTANCE
veltrane.save_record(sys.argv[1], record)
PY

start_xvfb 1000x1300
(cd "$work" && PWD=$work BLENDER_USER_SCRIPTS="$E2E_TMP/user" exec "$blender" --factory-startup -noaudio \
  "$work/scene.blend" -P "$test_dir/show_panel.py" -- "$addon_zip") >"$E2E_TMP/blender.out" 2>"$E2E_TMP/blender.err" &
E2E_PIDS+=("$!")
wait_until "the Veltrane panel was not drawn: $(tail -n 3 "$E2E_TMP/blender.err")" grep -q "panel drawn" "$E2E_TMP/blender.out"
window=$(xdotool search --onlyvisible --name "Blender" | head -n 1)
[ -n "$window" ] || fail "no Blender window"
# Drawn is not yet shown: the screen is read until two reads agree (the
# pointer in a corner, where it raises no tooltip).
xdotool mousemove --sync 999 1299
settled() {
  screenshot root "$E2E_TMP/now.png"
  if [ -f "$E2E_TMP/panel.png" ] &&
     [ "$(compare -metric AE "$E2E_TMP/now.png" "$E2E_TMP/panel.png" null: 2>&1 || true)" = 0 ]; then
    return 0
  fi
  mv "$E2E_TMP/now.png" "$E2E_TMP/panel.png"
  return 1
}
wait_until "Blender's window did not settle" settled
[ -z "$keep_shot" ] || cp "$E2E_TMP/panel.png" "$keep_shot"
grep -q Traceback "$E2E_TMP/blender.err" && fail "the add-on failed in Blender: $(grep -A3 Traceback "$E2E_TMP/blender.err")"

# As a person starts it: the menu search, the operator's name, Return.
xdotool mousemove --sync 300 300
xdotool key F3
searched() {
  screenshot root "$E2E_TMP/search.png"
  # The item found, highlighted in Blender's blue, in the search's list below the pointer.
  [ "$(convert "$E2E_TMP/search.png" -crop 650x200+250+280 +repage -fx 'b - r > 0.3' \
         -format '%[fx:mean > 0.02]' info:)" = 1 ]
}
xdotool type --delay 30 veltrane
wait_until "the menu search did not find the add-on's render" searched
xdotool key Return

WAIT_ROUNDS=2400 wait_until "the views were not rendered: $(tail -n 3 "$E2E_TMP/blender.err")" \
  test -s "$work/interlaced/frame_00002.png"
for frame in 00001 00002; do
  for view in 0 1 2 3 4; do
    [ -s "$work/pic/blender_${frame}_${view}.png" ] || fail "pic/blender_${frame}_${view}.png was not written"
  done
done
"$interlace" --calibration="$work/lens.yml" --views="$work/pic/blender_{frame:05}_{view}.png" \
  -o "$E2E_TMP/check_{frame:05}.png" --quiet 2>"$E2E_TMP/err" || fail "veltrane-interlace: $(cat "$E2E_TMP/err")"
"$python" - "$work/interlaced" "$E2E_TMP" <<'PY' || fail "the interlaced frames are not veltrane-interlace's"
import sys
import numpy
import veltrane
same = [numpy.array_equal(veltrane.read_image(f"{sys.argv[1]}/frame_{frame}.png"),
                          veltrane.read_image(f"{sys.argv[2]}/check_{frame}.png")) for frame in ("00001", "00002")]
sys.exit(0 if all(same) else 1)
PY
echo "blender panel: passed"
