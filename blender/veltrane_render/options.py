"""What to render: the settings the panel and the command line share, the
command line read in the project's one convention (--name=VALUE or --name
VALUE, --help, unknown options refused in one line), and the names the
files are given."""

import math
import re
from dataclasses import dataclass
from typing import Optional, Tuple

PROGRAM = "veltrane-blender"
VIEWS_PATTERN = "pic/blender_{frame:05}_{view}.png"
QUILT_PATTERN = "pic/blender_{frame:05}_qs{columns}x{rows}a{aspect}.png"
MAX_VIEWS = 4096  # as the programs cap a view count
MAX_FRAME = 1048574  # Blender's last frame


class Refusal(Exception):
    """What cannot be done, in one line; usage when it is the asking that is wrong."""

    def __init__(self, message, usage=False):
        super().__init__(message)
        self.usage = usage


@dataclass
class RenderSettings:
    calibration: str = ""              # the record: its numbers, size, gap_mm, panel_width_mm, viewing_distance_mm
    views: int = 0
    distance: float = 0.0              # the viewer's, millimetres from the sheet; 0: the record's
    plane_distance: float = 0.0        # scene units from the camera to the display's plane; 0: the camera's focus
    output: str = ""                   # the views' (or quilts') names; empty: the usual ones
    quilt: Optional[Tuple[int, int]] = None  # columns, rows: one quilt a frame instead of a file a view
    interlace: str = ""                # the interlaced frames too, here
    frames: Optional[Tuple[int, int]] = None  # first, last; none: the scene's
    camera: str = ""                   # none: the scene's camera
    force: bool = False
    quiet: bool = False


HELP = f"""{PROGRAM}: renders a Blender scene's views for a slanted-lens display: the camera rig of a calibration record on the scene's camera, one file a view a frame (or a quilt a frame), interlaced too when asked.
Usage: blender -b SCENE.blend -P veltrane_render/runner.py -- [OPTIONS]

Options:
  --help                 show this help
  --calibration FILE     REQUIRED: the calibration record (with gap_mm, panel_width_mm and viewing_distance_mm)
  --views N              REQUIRED: the views to render, 2 to {MAX_VIEWS}
  --distance MM          the viewer's distance from the sheet (default the record's viewing_distance_mm)
  --plane-distance D     scene units from the camera to the display's plane, where the scene is in register in every view (default the camera's focus: its focus object, else its focus distance)
  --camera NAME          the camera the rig stands on (default the scene's)
  --frames A-B           the frames to render (default the scene's frame range)
  --quilt CxR            one quilt a frame of C x R tiles (C R = N; view 0 at the bottom left) instead of a file a view
  -o,--output PATTERN    the views' names (default {VIEWS_PATTERN}; a quilt's {QUILT_PATTERN})
  --interlace PATTERN    the interlaced frames too, as PNG, {{frame}} in the name for more than one frame
  --force                overwrite existing files
  --quiet                no progress (progress is shown only on a terminal)
"""

VALUED = {"--calibration", "--views", "--distance", "--plane-distance", "--camera", "--frames", "--quilt",
          "--output", "-o", "--interlace"}
FLAGS = {"--help", "--force", "--quiet"}


def printable(text):
    """What the user typed, shown and not obeyed: control characters escaped."""
    return "".join(c if c.isprintable() else repr(c)[1:-1] for c in text)


def _number(name, text, low, high, whole=False):
    try:
        value = int(text, 10) if whole else float(text)
    except ValueError:
        value = None
    if value is None or not math.isfinite(value) or not low <= value <= high:
        kind = "a whole number" if whole else "a number"
        raise Refusal(f"{name} must be {kind} from {low:g} to {high:g}, got '{printable(text)}'", usage=True)
    return value


def _pair(name, text, pattern, shape):
    match = re.fullmatch(pattern, text)
    if not match:
        raise Refusal(f"{name} must be {shape}, got '{printable(text)}'", usage=True)
    return int(match.group(1)), int(match.group(2))


def _read_values(argv):
    values, flags = {}, set()
    index = 0
    while index < len(argv):
        word = argv[index]
        name, equals, value = word.partition("=")
        if name in FLAGS and not equals:
            flags.add(name)
        elif name in VALUED:
            if not equals:
                index += 1
                if index == len(argv) or (argv[index].startswith("-") and len(argv[index]) > 1):
                    raise Refusal(f"{name} needs a value: {name}=VALUE", usage=True)
                value = argv[index]
            name = "--output" if name == "-o" else name
            if name in values:
                raise Refusal(f"{name} is given twice", usage=True)
            values[name] = value
        else:
            raise Refusal(f"unknown option or value: {printable(word)} (see --help)", usage=True)
        index += 1
    return values, flags


def parse_command_line(argv):
    """The settings of the words after Blender's "--"; None for --help. A Refusal for the rest."""
    values, flags = _read_values(argv)
    if "--help" in flags:
        return None
    settings = RenderSettings(force="--force" in flags, quiet="--quiet" in flags)
    for required in ("--calibration", "--views"):
        if required not in values:
            raise Refusal(f"give {required}", usage=True)
    settings.calibration = values["--calibration"]
    settings.views = _number("--views", values["--views"], 2, MAX_VIEWS, whole=True)
    if "--distance" in values:
        settings.distance = _number("--distance", values["--distance"], 50, 100000)
    if "--plane-distance" in values:
        settings.plane_distance = _number("--plane-distance", values["--plane-distance"], 1e-6, 1e9)
    if "--frames" in values:
        first, last = _pair("--frames", values["--frames"], r"(\d{1,7})-(\d{1,7})", "A-B, such as 1-250")
        if not first <= last <= MAX_FRAME:
            raise Refusal(f"--frames must run from a first frame to a later one, at most {MAX_FRAME}, "
                          f"got '{printable(values['--frames'])}'", usage=True)
        settings.frames = (first, last)
    if "--quilt" in values:
        settings.quilt = _pair("--quilt", values["--quilt"], r"(\d{1,4})x(\d{1,4})", "CxR, such as 9x5")
    settings.camera = values.get("--camera", "")
    settings.output = values.get("--output", "")
    settings.interlace = values.get("--interlace", "")
    check(settings)
    return settings


def check(settings):
    """The settings' own consistency, before anything is read or rendered."""
    if settings.quilt is not None:
        columns, rows = settings.quilt
        if columns < 1 or rows < 1 or columns * rows != settings.views:
            raise Refusal(f"a quilt of {columns} x {rows} tiles holds {columns * rows} views, not the "
                          f"{settings.views} asked", usage=True)
    output = settings.output or (QUILT_PATTERN if settings.quilt else VIEWS_PATTERN)
    check_pattern("the output", output, per_view=settings.quilt is None)
    if settings.interlace:
        check_pattern("--interlace", settings.interlace, per_view=False)


FIELD = re.compile(r"\{(frame|frame:0[1-9]|view|columns|rows|aspect)\}")


def check_pattern(what, pattern, per_view):
    bare = FIELD.sub("", pattern)
    if "{" in bare or "}" in bare:
        raise Refusal(f"{what} '{printable(pattern)}' may hold only {{frame}}, {{frame:05}}, {{view}}, "
                      "{columns}, {rows} and {aspect}", usage=True)
    if not pattern.lower().endswith(".png"):
        raise Refusal(f"{what} '{printable(pattern)}' must end in .png", usage=True)
    if per_view and "{view}" not in pattern:
        raise Refusal(f"{what} '{printable(pattern)}' needs {{view}}: one file a view", usage=True)
    if not per_view and "{view}" in pattern:
        raise Refusal(f"{what} '{printable(pattern)}' has {{view}}: each of its files holds every view", usage=True)


def aspect_text(width, height):
    """A tile's width over its height as a quilt's name gives it: 1.7778, 0.75."""
    return f"{width / height:.4f}".rstrip("0").rstrip(".")


def file_name(pattern, frame, view=None, quilt=None, tile=None):
    """The pattern's name for a frame (and a view, or a quilt's tiles and their size)."""
    def field(match):
        name = match.group(1)
        if name.startswith("frame"):
            width = int(name[7:]) if ":" in name else 0
            return str(frame).zfill(width)
        if name == "view":
            return str(view)
        if name == "columns":
            return str(quilt[0])
        if name == "rows":
            return str(quilt[1])
        return aspect_text(*tile)
    return FIELD.sub(field, pattern)


def frames_need_names(settings, frames):
    """More frames than one must each have their own name."""
    names = [settings.output or (QUILT_PATTERN if settings.quilt else VIEWS_PATTERN)]
    if settings.interlace:
        names.append(settings.interlace)
    for pattern in names:
        if len(frames) > 1 and "{frame" not in pattern:
            raise Refusal(f"'{printable(pattern)}' has no {{frame}}: {len(frames)} frames would share its "
                          "names", usage=True)
