"""The views of every frame rendered through the rig, and written as the
interlacer reads them: a PNG a view, or a quilt a frame, and the
interlaced frame when asked. Every file is rendered under a temporary name
beside it and moved into place without replacing another (unless forced);
the temporaries go, whatever ends the run."""

import errno
import os
import shutil
import tempfile
from contextlib import contextmanager

import bpy
import numpy

from . import options
from .engine import module
from .options import Refusal, file_name, printable
from .rig_cameras import build_rig, display_plane, load_rig


def _place(made, final, force):
    """A file made under a temporary name, moved to its own (through a copy
    beside it when it lies on another file system)."""
    try:
        try:
            _move(made, final, force)
        except OSError as error:
            if error.errno != errno.EXDEV:
                raise
            handle, beside = tempfile.mkstemp(prefix=".veltrane-", suffix=".png", dir=os.path.dirname(final) or ".")
            os.close(handle)
            try:
                shutil.copyfile(made, beside)
                _move(beside, final, force)
            finally:
                if os.path.lexists(beside):
                    os.unlink(beside)
    except FileExistsError:
        raise Refusal(f"'{printable(final)}' exists: give --force to overwrite it") from None
    except OSError as error:
        raise Refusal(f"cannot write '{printable(final)}': {error.strerror}") from None


def _move(made, final, force):
    if force:
        os.replace(made, final)
    else:
        os.link(made, final)  # never over another file, even one made meanwhile
        os.unlink(made)


def _refuse_taken(names, force):
    for name in names:
        folder = os.path.dirname(name) or "."
        if not force and os.path.lexists(name):
            raise Refusal(f"'{printable(name)}' exists: give --force to overwrite it", usage=True)
        if os.path.exists(folder) and not os.path.isdir(folder):
            raise Refusal(f"cannot write '{printable(name)}': {printable(folder)} is not a folder", usage=True)


@contextmanager
def _kept(scene):
    """The scene's camera, frame, size and output as they were, afterwards."""
    render = scene.render
    image = render.image_settings
    kept = (scene.camera, scene.frame_current, render.resolution_x, render.resolution_y, render.pixel_aspect_x,
            render.pixel_aspect_y, render.filepath, render.use_file_extension, image.file_format, image.color_mode,
            image.color_depth)
    try:
        yield
    finally:
        (scene.camera, frame, render.resolution_x, render.resolution_y, render.pixel_aspect_x, render.pixel_aspect_y,
         render.filepath, render.use_file_extension, image.file_format, image.color_mode, image.color_depth) = kept
        scene.frame_set(frame)


def _frames(scene, settings):
    first, last = settings.frames or (scene.frame_start, scene.frame_end)
    return list(range(first, last + 1, max(1, scene.frame_step)))


def _quilt_image(tiles, columns, rows):
    """The views as one image, view 0 at the bottom left, left to right, then upward."""
    height, width = tiles[0].shape[:2]
    quilt = numpy.zeros((rows * height, columns * width, 3), numpy.uint8)
    for view, tile in enumerate(tiles):
        top = (rows - 1 - view // columns) * height
        left = (view % columns) * width
        quilt[top:top + height, left:left + width] = tile
    return quilt


class _Run:
    """One run's record, rig, frames and the names of its files."""

    def __init__(self, scene, settings, record, rig):
        self.settings = settings
        self.record = record
        self.rig = rig
        percentage = scene.render.resolution_percentage
        self.size = (max(1, record.width * percentage // 100), max(1, record.height * percentage // 100))
        self.output = bpy.path.abspath(settings.output or (options.QUILT_PATTERN if settings.quilt
                                                            else options.VIEWS_PATTERN))
        self.interlace = bpy.path.abspath(settings.interlace) if settings.interlace else ""
        self.frames = _frames(scene, settings)

    def names(self, frame):
        """The files a frame makes, with what each holds: a view's number, "quilt" or "interlaced"."""
        made = []
        if self.settings.quilt:
            made.append((file_name(self.output, frame, quilt=self.settings.quilt, tile=self.size), "quilt"))
        else:
            made += [(file_name(self.output, frame, view=v), v) for v in range(self.settings.views)]
        if self.interlace:
            made.append((file_name(self.interlace, frame), "interlaced"))
        return made

    def check(self):
        if not self.frames:
            raise Refusal("the scene has no frames to render", usage=True)
        options.frames_need_names(self.settings, self.frames)
        if self.interlace and self.size != (self.record.width, self.record.height):
            raise Refusal(f"interlacing needs the views at the panel's size, {self.record.width} x "
                          f"{self.record.height}: set the output's resolution scale to 100 %", usage=True)
        names = [name for frame in self.frames for name, _ in self.names(frame)]
        if len(set(names)) != len(names):
            raise Refusal("the output's names repeat: give {frame} and {view} in them", usage=True)
        _refuse_taken(names, self.settings.force)


def _render_view(scene, camera, into):
    scene.camera = camera
    scene.render.filepath = into
    bpy.ops.render.render(write_still=True)
    if not os.path.isfile(into):
        raise Refusal(f"Blender rendered no image of {camera.name}")


def _set_up_output(scene, size):
    render = scene.render
    render.resolution_x, render.resolution_y = size  # rendered at the scene's resolution scale
    render.pixel_aspect_x = render.pixel_aspect_y = 1.0
    render.use_file_extension = False
    render.image_settings.file_format = 'PNG'
    render.image_settings.color_mode = 'RGB'
    render.image_settings.color_depth = '8'


class Stopped(Exception):
    """The run asked to stop (by a signal): the files of the frames finished are kept."""


def render_animation(scene, camera, settings, progress=None, stop=None):
    """Renders the settings' frames through the rig on camera; returns the rig.
    progress(done, total) is told after each view rendered; stop() asked
    then too, a reason to stop or None."""
    display_plane(camera, settings.plane_distance)
    record, rig = load_rig(settings)
    run = _Run(scene, settings, record, rig)
    run.check()
    cameras = build_rig(scene, camera, rig, settings.plane_distance)
    first_name = run.names(run.frames[0])[0][0]
    folder = os.path.dirname(first_name) or "."
    for name, _ in run.names(run.frames[0]):
        os.makedirs(os.path.dirname(name) or ".", exist_ok=True)
    scratch = tempfile.mkdtemp(prefix=".veltrane-render-", dir=folder)
    total = len(run.frames) * settings.views
    try:
        with _kept(scene):
            _set_up_output(scene, (record.width, record.height))
            for index, frame in enumerate(run.frames):
                scene.frame_set(frame)
                rendered = []
                for view, rig_camera in enumerate(cameras):
                    into = os.path.join(scratch, f"view_{view}.png")
                    _render_view(scene, rig_camera, into)
                    rendered.append(into)
                    if progress:
                        progress(index * settings.views + view + 1, total)
                    reason = stop() if stop else None
                    if reason:
                        raise Stopped(reason)
                _write_frame(run, frame, rendered, scratch)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return rig


def _read(name):
    try:
        return module().read_image(name)
    except ValueError as error:
        raise Refusal(str(error)) from None


def _write(image, into):
    try:
        module().write_png(into, image, force=True)
    except ValueError as error:
        raise Refusal(str(error)) from None


def _write_frame(run, frame, rendered, scratch):
    settings = run.settings
    images = None
    if settings.quilt or run.interlace:
        images = [_read(name) for name in rendered]
    for final, holds in run.names(frame):
        os.makedirs(os.path.dirname(final) or ".", exist_ok=True)
        if holds == "quilt":
            made = os.path.join(scratch, "quilt.png")
            _write(_quilt_image(images, *settings.quilt), made)
        elif holds == "interlaced":
            made = os.path.join(scratch, "interlaced.png")
            weights = run.record.weights or "full"
            frame_image = module().interlace(run.rig.numbers, images, weights, reverse=run.record.reverse,
                                             view_offset=run.record.view_offset)
            _write(frame_image, made)
        else:
            made = rendered[holds]
        _place(made, final, settings.force)
