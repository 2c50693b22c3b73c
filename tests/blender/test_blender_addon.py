# The Blender add-on in Debian's blender, headless: a small scene made by
# make_scene.py, its views rendered through the rig by the add-on's runner,
# the files named and sized as veltrane-interlace reads them, every ball
# where the geometry of the display puts it in each view (worked out here
# from the record's numbers, not by the add-on), and the interlaced frames
# the same bytes as veltrane-interlace's of the same views.
import json
import math
import os
import shutil
import signal
import subprocess
import time

import numpy
import pytest

import veltrane
from scene_numbers import BALLS, DISTANCE, GAP, LINE, PANEL, PANEL_WIDTH, PLANE, VIEWS, ball_in_scene

BLENDER = os.environ.get("VELTRANE_BLENDER", "blender")
INTERLACE = os.environ["VELTRANE_INTERLACE"]
HERE = os.path.dirname(os.path.abspath(__file__))
RUNNER = os.path.join(os.environ["VELTRANE_BLENDER_ADDON"], "runner.py")
ADDON_ZIP = os.environ["VELTRANE_BLENDER_ADDON_ZIP"]


def blender(*words, cwd):
    """The runner in cwd (Blender takes its folder from PWD, not the process's own)."""
    command = [BLENDER, "-b", "--factory-startup", "-noaudio", str(cwd / "scene.blend"), "-P", RUNNER, "--"]
    return subprocess.run(command + list(words), cwd=cwd, env=dict(os.environ, PWD=str(cwd)), capture_output=True,
                          text=True, timeout=600)


@pytest.fixture(scope="module")
def scene(tmp_path_factory):
    folder = tmp_path_factory.mktemp("scene")
    made = subprocess.run([BLENDER, "-b", "--factory-startup", "-noaudio", "-P", os.path.join(HERE, "make_scene.py"),
                           "--", str(folder / "scene.blend")], capture_output=True, text=True, timeout=300)
    assert made.returncode == 0, made.stderr
    record = veltrane.Record()
    record.calibration = veltrane.parse_parameter_line(LINE)
    record.width, record.height = PANEL
    record.measures.gap_mm = GAP
    record.measures.panel_width_mm = PANEL_WIDTH
    record.measures.viewing_distance_mm = DISTANCE
    veltrane.save_record(str(folder / "lens.yml"), record)
    return folder


def zone(distance):
    """Millimetres between neighbouring cameras: a view spans P / N subpixel
    columns behind a lens of focal length g, P the pitch seen from distance."""
    sheet_pitch = veltrane.parse_parameter_line(LINE).pitch / (1 + GAP / DISTANCE)
    pitch = sheet_pitch * (1 + GAP / distance)
    column = PANEL_WIDTH / (3 * PANEL[0])
    return pitch / VIEWS * column * distance / GAP


def where_seen(name, view, distance, frame=1):
    """The pixel (column, row) where camera view's perspective puts a ball's centre."""
    units = PLANE / (distance + GAP)
    camera_x = ((VIEWS - 1) / 2 - view) * zone(distance) * units  # view 0 the rightmost
    x, y, z = ball_in_scene(name, frame)
    along = PLANE / -z  # to the display's plane
    hit_x = camera_x + (x - camera_x) * along
    hit_y = y * along
    width = PANEL_WIDTH * units
    height = width * PANEL[1] / PANEL[0]
    return ((hit_x / width + 0.5) * PANEL[0] - 0.5, (0.5 - hit_y / height) * PANEL[1] - 0.5)


def seen_at(image, name):
    """The brightness-weighted centre of a ball's colour in a view."""
    colour = BALLS[name][1]
    channel = 2 - colour.index(1.0)  # blue first
    light = image[:, :, channel].astype(float)
    light[light < 40] = 0
    assert light.sum() > 0, f"the {name} ball is not in the view"
    rows, columns = numpy.mgrid[0:image.shape[0], 0:image.shape[1]]
    return ((light * columns).sum() / light.sum(), (light * rows).sum() / light.sum())


def assert_balls_where_seen(images, distance, frame=1):
    for view, image in enumerate(images):
        for name in BALLS:
            column, row = seen_at(image, name)
            expected = where_seen(name, view, distance, frame)
            assert math.hypot(column - expected[0], row - expected[1]) < 1.0, (name, view, (column, row), expected)


def test_views_and_interlaced_frames(scene):
    ran = blender("--calibration=lens.yml", f"--views={VIEWS}", "--interlace=interlaced/frame_{frame:05}.png",
                  cwd=scene)
    assert ran.returncode == 0, ran.stderr
    assert ran.stderr == ""
    assert "cameras" in ran.stdout
    for frame in (1, 2):
        names = [scene / "pic" / f"blender_{frame:05}_{view}.png" for view in range(VIEWS)]
        images = [veltrane.read_image(str(name)) for name in names]
        assert all(image.shape == (PANEL[1], PANEL[0], 3) for image in images)
        assert_balls_where_seen(images, DISTANCE, frame)
    # The ball on the display's plane stands still; the near one moves against the far one.
    first = [seen_at(veltrane.read_image(str(scene / "pic" / f"blender_00001_{v}.png")), "on") for v in (0, VIEWS - 1)]
    assert abs(first[0][0] - first[1][0]) < 0.5
    interlaced = subprocess.run([INTERLACE, "--calibration=lens.yml", "--views=pic/blender_{frame:05}_{view}.png",
                                 "-o", "check_{frame:05}.png"], cwd=scene, capture_output=True, text=True)
    assert interlaced.returncode == 0, interlaced.stderr
    for frame in (1, 2):
        ours = veltrane.read_image(str(scene / "interlaced" / f"frame_{frame:05}.png"))
        theirs = veltrane.read_image(str(scene / f"check_{frame:05}.png"))
        assert numpy.array_equal(ours, theirs)
    assert not any(name.startswith(".veltrane") for name in os.listdir(scene / "pic"))


def test_a_quilt_a_frame_for_another_distance(scene):
    ran = blender("--calibration=lens.yml", f"--views={VIEWS}", "--quilt=5x1", "--distance=900", "--frames=2-2",
                  "--interlace=quilted.png", cwd=scene)
    assert ran.returncode == 0, ran.stderr
    name = "pic/blender_00002_qs5x1a1.7778.png"
    quilt = veltrane.read_image(str(scene / name))
    assert quilt.shape == (PANEL[1], 5 * PANEL[0], 3)
    tiles = [quilt[:, v * PANEL[0]:(v + 1) * PANEL[0]] for v in range(VIEWS)]
    assert_balls_where_seen(tiles, 900.0, frame=2)
    interlaced = subprocess.run([INTERLACE, "--calibration=lens.yml", "--quilt=" + name, "--viewer=0,900",
                                 "-o", "check_quilt.png"], cwd=scene, capture_output=True, text=True)
    assert interlaced.returncode == 0, interlaced.stderr
    assert numpy.array_equal(veltrane.read_image(str(scene / "quilted.png")),
                             veltrane.read_image(str(scene / "check_quilt.png")))


def test_the_addon_installed_from_its_zip_builds_the_rig_and_renders(scene, tmp_path):
    for name in ("scene.blend", "lens.yml"):
        shutil.copy(scene / name, tmp_path / name)
    ran = subprocess.run([BLENDER, "-b", "--factory-startup", "-noaudio", str(tmp_path / "scene.blend"), "-P",
                          os.path.join(HERE, "use_addon.py"), "--", ADDON_ZIP, str(tmp_path / "made.json")],
                         cwd=tmp_path, env=dict(os.environ, PWD=str(tmp_path), BLENDER_USER_SCRIPTS=str(tmp_path / "u")),
                         capture_output=True, text=True, timeout=600)
    assert ran.returncode == 0, ran.stdout + ran.stderr
    made = json.loads((tmp_path / "made.json").read_text())
    assert made["panel"] and made["build"] == ["FINISHED"] and made["again"] == ["FINISHED"]
    assert made["children"] == VIEWS
    units = PLANE / (DISTANCE + GAP)
    for view, (number, x, shift_x, angle) in enumerate(made["cameras"]):
        place = ((VIEWS - 1) / 2 - view) * zone(DISTANCE)  # millimetres, view 0 the rightmost
        assert number == view
        assert x == pytest.approx(place * units, abs=1e-6)
        assert shift_x == pytest.approx(-place / PANEL_WIDTH, abs=1e-6)
        assert angle == pytest.approx(2 * math.atan(PANEL_WIDTH / 2 / (DISTANCE + GAP)), abs=1e-6)
    assert made["render"] == ["FINISHED"]
    assert made["camera_after"] == "Camera" and made["resolution_after"] == [1920, 1080]
    assert "holds 8 views, not the 7" in made["refused"]
    images = [veltrane.read_image(str(tmp_path / "pic" / f"blender_00002_{v}.png")) for v in range(VIEWS)]
    assert_balls_where_seen(images, DISTANCE, frame=2)
    interlaced = subprocess.run([INTERLACE, "--calibration=lens.yml", "--views=pic/blender_{frame:05}_{view}.png",
                                 "--frames=2-2", "-o", "check.png"], cwd=tmp_path, capture_output=True, text=True)
    assert interlaced.returncode == 0, interlaced.stderr
    assert numpy.array_equal(veltrane.read_image(str(tmp_path / "interlaced" / "frame_00002.png")),
                             veltrane.read_image(str(tmp_path / "check.png")))


def test_a_signal_stops_the_run_after_the_view_under_way(scene, tmp_path):
    for name in ("scene.blend", "lens.yml"):
        shutil.copy(scene / name, tmp_path / name)
    views = 100
    command = [BLENDER, "-b", "--factory-startup", "-noaudio", str(tmp_path / "scene.blend"), "-P", RUNNER, "--",
               "--calibration=lens.yml", f"--views={views}"]
    run = subprocess.Popen(command, cwd=tmp_path, env=dict(os.environ, PWD=str(tmp_path)),
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    last = tmp_path / "pic" / f"blender_00001_{views - 1}.png"
    try:
        while not last.exists() and run.poll() is None:  # frame 1 done: frame 2's views under way
            time.sleep(0.02)
        run.send_signal(signal.SIGTERM)
        _, errors = run.communicate(timeout=300)
    finally:
        run.kill()
    assert run.returncode == 1, errors
    assert errors.splitlines() == ["veltrane-blender: stopped by SIGTERM; the files of the frames finished are kept"]
    made = sorted(os.listdir(tmp_path / "pic"))
    assert made == sorted(f"blender_00001_{v}.png" for v in range(views))  # nothing of frame 2, no temporaries


@pytest.mark.parametrize("words,status,says", [
    (["--views=5"], 2, "give --calibration"),
    (["--calibration=lens.yml", "--views=1"], 2, "--views must be a whole number from 2"),
    (["--calibration=lens.yml", "--views=5", "--bogus"], 2, "unknown option or value: --bogus"),
    (["--calibration=lens.yml", "--views"], 2, "--views needs a value"),
    (["--calibration=lens.yml", "--views=5", "--quilt=3x2"], 2, "holds 6 views, not the 5"),
    (["--calibration=lens.yml", "--views=5", "-o", "pic/one.png"], 2, "needs {view}"),
    (["--calibration=lens.yml", "--views=5", "-o", "pic/{view}.png"], 2, "has no {frame}"),
    (["--calibration=lens.yml", "--views=5", "-o", "pic/{frame}_{view}.jpg"], 2, "must end in .png"),
    (["--calibration=none.yml", "--views=5"], 1, "none.yml"),
    (["--calibration=bare.yml", "--views=5"], 1, "gap_mm"),
    (["--calibration=lens.yml", "--views=5", "--camera=near"], 2, "stands on a camera"),
    (["--calibration=lens.yml", "--views=5", "--frames=1-1"], 2, "exists: give --force"),
])
def test_refusals_in_one_line(scene, words, status, says):
    bare = veltrane.Record()
    bare.calibration = veltrane.parse_parameter_line(LINE)
    bare.width, bare.height = PANEL
    if not (scene / "bare.yml").exists():
        veltrane.save_record(str(scene / "bare.yml"), bare)
    if not (scene / "pic" / "blender_00001_0.png").exists():  # the last case needs a view there
        os.makedirs(scene / "pic", exist_ok=True)
        veltrane.write_png(str(scene / "pic" / "blender_00001_0.png"), numpy.zeros((2, 2, 3), numpy.uint8))
    before = sorted(os.listdir(scene / "pic"))
    stamp = os.stat(scene / "pic" / "blender_00001_0.png").st_mtime_ns
    ran = blender(*words, cwd=scene)
    assert ran.returncode == status, ran.stderr
    lines = ran.stderr.splitlines()
    assert len(lines) == 1 and lines[0].startswith("veltrane-blender: ") and says in lines[0], ran.stderr
    assert sorted(os.listdir(scene / "pic")) == before
    assert os.stat(scene / "pic" / "blender_00001_0.png").st_mtime_ns == stamp
