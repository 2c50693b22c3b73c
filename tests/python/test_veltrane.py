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


@pytest.mark.parametrize("weights", ["lines", "full"])
def test_interlacing_gives_veltrane_interlaces_bytes(tmp_path, weights):
    os.mkdir(tmp_path / "pic")
    views = views_of(8)
    for index, view in enumerate(views):
        veltrane.write_png(str(tmp_path / "pic" / f"blender_00000_{index}.png"), view)
    subprocess.run([INTERLACE, "--param=" + LINE, "--views=pic/blender_{frame:05}_{view}.png",
                    "--weights=" + weights, "-o", "out.png"], cwd=tmp_path, check=True, capture_output=True)
    theirs = veltrane.read_image(str(tmp_path / "out.png"))
    ours = veltrane.interlace(veltrane.parse_parameter_line(LINE), views, weights)
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
    back = veltrane.load_record(name)
    assert back.measures.gap_mm == 4.0 and back.width == 480
    rig = veltrane.camera_rig(back, 5)
    # A view zone: (10.0571 / 5) x (300 / 1440) x 700 / 4.
    assert rig.spacing == pytest.approx(10.0571 / 5 * 300 / 1440 * 700 / 4)
    assert [camera.view for camera in rig.cameras] == [0, 1, 2, 3, 4]
    assert rig.cameras[0].place[0] == pytest.approx(2 * rig.spacing)  # view 0 on the right
    assert rig.cameras[2].place == pytest.approx((0.0, 0.0, 704.0))
    assert rig.blur_at(0.0) == 0.0
    with pytest.raises(ValueError, match="no rig"):
        veltrane.camera_rig(back, 0)
