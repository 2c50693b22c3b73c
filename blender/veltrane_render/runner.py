"""The add-on from the command line:

    blender -b scene.blend -P veltrane_render/runner.py -- --calibration=lens.yml --views=45

Exit status 0 when every file is written, 2 for a command line that cannot
be done as asked, 1 for what went wrong while working; one line on standard
error then. Blender's own lines of each render are kept off the terminal."""

import math
import os
import signal
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from veltrane_render.options import HELP, PROGRAM, Refusal, parse_command_line, printable  # noqa: E402


# The signal that asked the run to stop: the render under way (Blender's own
# code, which would swallow an exception) finishes, and the run stops after it.
_stop_signal = []


def _stop(number, _frame):
    _stop_signal.append(signal.Signals(number).name)


class _BlenderLinesAside:
    """Blender's standard output sent to /dev/null while it renders."""

    def __enter__(self):
        sys.stdout.flush()
        self.kept = os.dup(1)
        null = os.open(os.devnull, os.O_WRONLY)
        os.dup2(null, 1)
        os.close(null)
        return self

    def __exit__(self, *_):
        sys.stdout.flush()
        os.dup2(self.kept, 1)
        os.close(self.kept)


def _progress(quiet):
    if quiet or not sys.stderr.isatty():
        return None

    def told(done, total):
        sys.stderr.write(f"\r{PROGRAM}: view {done} of {total} rendered")
        if done == total:
            sys.stderr.write("\n")
        sys.stderr.flush()
    return told


def main(argv):
    words = argv[argv.index("--") + 1:] if "--" in argv else []
    try:
        settings = parse_command_line(words)
    except Refusal as refusal:
        sys.stderr.write(f"{PROGRAM}: {refusal}\n")
        return 2
    if settings is None:
        sys.stdout.write(HELP)
        return 0
    import bpy
    from veltrane_render.rendering import Stopped, render_animation
    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(number, _stop)
    scene = bpy.context.scene
    camera = bpy.data.objects.get(settings.camera) if settings.camera else scene.camera
    if settings.camera and camera is None:
        sys.stderr.write(f"{PROGRAM}: the scene has no object '{printable(settings.camera)}'\n")
        return 2
    try:
        with _BlenderLinesAside():
            rig = render_animation(scene, camera, settings, _progress(settings.quiet),
                                   lambda: _stop_signal[0] if _stop_signal else None)
    except Refusal as refusal:
        sys.stderr.write(f"{PROGRAM}: {refusal}\n")
        return 2 if refusal.usage else 1
    except RuntimeError as error:  # Blender's own, from a render
        sys.stderr.write(f"{PROGRAM}: Blender could not render: {' '.join(str(error).split())}\n")
        return 1
    except Stopped as stopped:
        sys.stderr.write(f"{PROGRAM}: stopped by {stopped}; the files of the frames finished are kept\n")
        return 1
    behind = "everything behind" if math.isinf(rig.sharp_behind) else f"{rig.sharp_behind:.0f} mm behind"
    print(f"{PROGRAM}: {settings.views} views a frame from cameras {rig.spacing:.2f} mm apart at {rig.distance:g} mm; "
          f"sharp from {behind} the panel to {rig.sharp_in_front:.0f} mm in front")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
