# The Python module against the programs: the same bytes as veltrane-interlace
# for the same views and numbers, records read back as written, the rig's
# figures, and every bad array refused with a clear exception.
import os
import subprocess

import numpy
import pytest

import veltrane

INTERLACE = os.environ["VELTRANE_INTERLACE"]
SIMULATE = os.environ["VELTRANE_SIMULATE"]
AUTOCAL = os.environ["VELTRANE_AUTOCAL"]
TAKE_PHOTO = os.environ["VELTRANE_TAKE_PHOTO"]
LINE = "-x 6 -y 1152 -pitch 8.2500 -mirror"


def views_of(count, rows=90, columns=160, seed=7):
    rng = numpy.random.default_rng(seed)
    return [rng.integers(0, 256, (rows, columns, 3), dtype=numpy.uint8) for _ in range(count)]


def test_a_line_is_read_and_printed_as_the_calibrator_prints_it():
    calibration = veltrane.parse_parameter_line("param: " + LINE)
    assert (calibration.x, calibration.y, calibration.pitch, calibration.mirror) == (6, 1152, 8.25, True)
    assert veltrane.parameter_line(calibration) == "param: -x     6 -y  1152 -pitch   8.2500 -mirror"
    with pytest.raises(ValueError, match="pitch"):
        veltrane.parse_parameter_line("-x 6 -y 1152 -pitch nan")


@pytest.mark.parametrize("weights,reverse,offset", [("lines", False, 0), ("full", False, 0), ("full", True, 3),
                                                     ("lines", False, -2)])
def test_interlacing_gives_veltrane_interlaces_bytes(tmp_path, weights, reverse, offset):
    os.mkdir(tmp_path / "pic")
    views = views_of(8)
    for index, view in enumerate(views):
        veltrane.write_png(str(tmp_path / "pic" / f"blender_00000_{index}.png"), view)
    order = (["--reverse"] if reverse else []) + [f"--view-offset={offset}"]
    subprocess.run([INTERLACE, "--param=" + LINE, "--views=pic/blender_{frame:05}_{view}.png",
                    "--weights=" + weights, "-o", "out.png"] + order, cwd=tmp_path, check=True, capture_output=True)
    theirs = veltrane.read_image(str(tmp_path / "out.png"))
    ours = veltrane.interlace(veltrane.parse_parameter_line(LINE), views, weights, reverse=reverse,
                              view_offset=offset)
    assert ours.shape == (90, 160, 3) and ours.dtype == numpy.uint8
    assert numpy.array_equal(ours, theirs)
    # Not every view alike: the composition is not one of its inputs.
    assert not numpy.array_equal(ours, views[0])


def test_what_an_eye_sees_is_veltrane_simulates(tmp_path):
    panel = views_of(1)[0]
    veltrane.write_png(str(tmp_path / "panel.png"), panel)
    subprocess.run([SIMULATE, "--image=panel.png", "--param=" + LINE, "--gap=40", "--eye=9000,300,-50",
                    "--view-count=8", "--view-phase=2.5", "--spot=2", "-o", "seen.png"],
                   cwd=tmp_path, check=True, capture_output=True)
    sheet = veltrane.parse_parameter_line(LINE)
    sheet.view_phase = 2.5
    ours = veltrane.see(panel, sheet, 40.0, 9000.0, 300.0, -50.0, view_count=8, spot=2.0)
    assert numpy.array_equal(ours, veltrane.read_image(str(tmp_path / "seen.png")))
    assert not numpy.array_equal(ours, panel)
    with pytest.raises(ValueError, match="cannot be seen through"):
        veltrane.see(panel, sheet, 40.0, -1.0)


@pytest.mark.parametrize("top_left,sampling", [(False, "smooth"), (True, "nearest")])
def test_a_quilt_is_interlaced_as_veltrane_interlace_does_it(tmp_path, top_left, sampling):
    # 4 x 2 tiles of 40 x 45 onto a panel of 160 x 90: each tile enlarged.
    rng = numpy.random.default_rng(11)
    quilt = rng.integers(0, 256, (90, 160, 3), dtype=numpy.uint8)
    veltrane.write_png(str(tmp_path / "scene_qs4x2a0.89.png"), quilt)
    command = [INTERLACE, "--param=" + LINE, "--quilt=scene_qs4x2a0.89.png", "--size=160x90",
               "--tile-sampling=" + sampling, "-o", "out.png"]
    if top_left:
        command.append("--quilt-origin=top-left")
    subprocess.run(command, cwd=tmp_path, check=True, capture_output=True)
    calibration = veltrane.parse_parameter_line(LINE)
    ours = veltrane.interlace_quilt(calibration, quilt, 4, 2, (160, 90), top_left=top_left,
                                    nearest_tiles=sampling == "nearest")
    assert numpy.array_equal(ours, veltrane.read_image(str(tmp_path / "out.png")))
    # The quilt's tiles are views: the same as the tiles interlaced as views.
    if sampling == "nearest":
        tiles = [quilt[r * 45:(r + 1) * 45, c * 40:(c + 1) * 40] for r in range(2) for c in range(4)]
        if not top_left:
            tiles = tiles[4:] + tiles[:4]
        enlarged = [numpy.ascontiguousarray(t.repeat(2, axis=0).repeat(4, axis=1)) for t in tiles]
        assert numpy.array_equal(ours, veltrane.interlace(calibration, enlarged))
    with pytest.raises(ValueError, match="not divisible"):
        veltrane.interlace_quilt(calibration, quilt, 3, 2, (160, 90))
    with pytest.raises(ValueError, match="tiles"):
        veltrane.interlace_quilt(calibration, quilt, 0, 2, (160, 90))
    with pytest.raises(ValueError, match="output's size"):
        veltrane.interlace_quilt(calibration, quilt, 4, 2, (0, 90))


def test_an_autocal_round_from_a_photo_array_finds_what_veltrane_autocal_finds(tmp_path):
    guess = "-x 6 -y 1152 -pitch 8.5000 -mirror"
    subprocess.run([AUTOCAL, "--param=" + guess, "--size=960x600", "--pattern=pattern.png"], cwd=tmp_path,
                   check=True, capture_output=True)
    subprocess.run([TAKE_PHOTO, "pattern.png", "photo.png",
                    "pitch=8.25,x=6,mirror=1,gap=30,distance=20000,yaw=8,tilt=-5,blur=1,noise=5"],
                   cwd=tmp_path, check=True, capture_output=True)
    printed = subprocess.run([AUTOCAL, "--photo=photo.png"], cwd=tmp_path, check=True, capture_output=True,
                             text=True).stdout.strip()
    photo = veltrane.read_image(str(tmp_path / "photo.png"))
    round = veltrane.autocal_round(photo)
    assert veltrane.parameter_line(round.calibration) == printed
    assert abs(round.calibration.pitch - 8.25) < 0.02 and round.calibration.x == 6
    assert veltrane.parameter_line(round.guess) == "param: " + guess.replace("-x 6 -y 1152 -pitch 8.5000",
                                                                              "-x     6 -y  1152 -pitch   8.5000")
    assert round.size == (960, 600) and round.round == 1
    # The photo array is left as it was given.
    assert numpy.array_equal(photo, veltrane.read_image(str(tmp_path / "photo.png")))
    other = veltrane.parse_parameter_line("-x 8 -y 1152 -pitch 8.5000")
    with pytest.raises(ValueError, match="drawn for"):
        veltrane.autocal_round(photo, other)
    grey = numpy.full((600, 800, 3), 128, numpy.uint8)
    with pytest.raises(ValueError, match="no pattern code"):
        veltrane.autocal_round(grey)
    with pytest.raises(ValueError, match="no display found"):
        veltrane.autocal_round(grey, veltrane.parse_parameter_line(guess), (960, 600))


def test_bad_arrays_are_refused_with_what_is_wrong():
    calibration = veltrane.parse_parameter_line(LINE)
    good = views_of(2)
    cases = [
        ([good[0].astype(numpy.float32), good[1]], "dtype uint8"),
        ([good[0][:, :, 0], good[1]], "rows x columns x 3"),
        ([numpy.zeros((90, 160, 4), numpy.uint8), good[1]], "rows x columns x 3"),
        ([good[0][:, ::2], good[1][:, ::2]], "C-contiguous"),
        ([good[0], good[1][:45]], "one size"),
        ([numpy.zeros((0, 160, 3), numpy.uint8)], "from 1 to"),
        ([], "at least one view"),
    ]
    for views, says in cases:
        with pytest.raises(ValueError, match=says):
            veltrane.interlace(calibration, views)
    with pytest.raises(ValueError, match="'lines' or 'full'"):
        veltrane.interlace(calibration, good, "thick")
    with pytest.raises(TypeError):
        veltrane.interlace(calibration, [[1, 2, 3]])


def test_files_are_written_whole_and_never_over_others(tmp_path):
    image = views_of(1)[0]
    name = str(tmp_path / "a.png")
    veltrane.write_png(name, image)
    assert numpy.array_equal(veltrane.read_image(name), image)
    with pytest.raises(ValueError, match="exists"):
        veltrane.write_png(name, image)
    veltrane.write_png(name, image, force=True)
    with pytest.raises(ValueError, match="cannot be read"):
        veltrane.read_image(str(tmp_path / "none.png"))


def test_a_record_is_read_back_and_gives_the_rig(tmp_path):
    record = veltrane.Record()
    record.calibration = veltrane.parse_parameter_line("-x 4 -y 9 -pitch 10.0571")
    record.width, record.height = 480, 270
    name = str(tmp_path / "lens.yml")
    veltrane.save_record(name, record)
    with pytest.raises(ValueError, match="gap_mm"):
        veltrane.camera_rig(veltrane.load_record(name), 5)
    record.measures.gap_mm = 4.0
    record.measures.panel_width_mm = 300.0
    record.measures.viewing_distance_mm = 700.0
    veltrane.save_record(name, record)
    record.reverse, record.view_offset, record.weights = True, 2, "lines"
    veltrane.save_record(name, record)
    back = veltrane.load_record(name)
    assert back.measures.gap_mm == 4.0 and back.width == 480
    assert (back.reverse, back.view_offset, back.weights) == (True, 2, "lines")
    with pytest.raises(ValueError, match="'lines' or 'full'"):
        back.weights = "thick"
    rig = veltrane.camera_rig(back, 5)
    # A view zone: (10.0571 / 5) x (300 / 1440) x 700 / 4.
    assert rig.spacing == pytest.approx(10.0571 / 5 * 300 / 1440 * 700 / 4)
    assert [camera.view for camera in rig.cameras] == [0, 1, 2, 3, 4]
    assert rig.cameras[0].place[0] == pytest.approx(2 * rig.spacing)  # view 0 on the right
    assert rig.cameras[2].place == pytest.approx((0.0, 0.0, 704.0))
    assert rig.blur_at(0.0) == 0.0
    with pytest.raises(ValueError, match="no rig"):
        veltrane.camera_rig(back, 0)
