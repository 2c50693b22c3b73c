"""The rig on a camera: one camera a view, children of the scene's camera,
standing on its horizontal axis a view zone apart, all looking the way it
looks, each through a lens shifted so that its window is the display's
rectangle on the display's plane (the same rectangle for every view: the
plane is in register in all of them)."""

import math

import bpy

from .engine import module
from .options import Refusal

COLLECTION = "Veltrane rig"


def focus_distance(camera):
    """Scene units from the camera to its focus: the focus object's along the view, else the focus distance."""
    focus = camera.data.dof.focus_object
    if focus is None:
        return camera.data.dof.focus_distance
    forward = camera.matrix_world.to_3x3().normalized().col[2] * -1.0
    return (focus.matrix_world.translation - camera.matrix_world.translation).dot(forward)


def load_rig(settings):
    """The record and the rig its numbers give for the settings' views and distance."""
    try:
        record = module().load_record(bpy.path.abspath(settings.calibration))
        rig = module().camera_rig(record, settings.views, settings.distance)
    except ValueError as error:
        raise Refusal(str(error)) from None
    return record, rig


def _rig_collection(scene):
    collection = bpy.data.collections.get(COLLECTION)
    if collection is None:
        collection = bpy.data.collections.new(COLLECTION)
    if collection.name not in scene.collection.children:
        scene.collection.children.link(collection)
    return collection


def remove_rig(camera):
    """The rig's cameras built on camera before, gone."""
    for child in list(camera.children):
        if "veltrane_view" in child:
            data = child.data
            bpy.data.objects.remove(child)
            if data is not None and data.users == 0:
                bpy.data.cameras.remove(data)


def display_plane(camera, plane_distance):
    """Scene units from camera to the display's plane: plane_distance, or
    (0) the camera's focus."""
    if camera is None or camera.type != 'CAMERA':
        raise Refusal("the rig stands on a camera: give the scene a camera (or --camera NAME)", usage=True)
    if "veltrane_view" in camera:
        raise Refusal(f"'{camera.name}' is one of a rig's cameras: choose the camera it stands on", usage=True)
    plane = plane_distance or focus_distance(camera)
    if not math.isfinite(plane) or plane <= 0:
        raise Refusal(f"the display's plane must lie in front of the camera, not {plane:g} from it: set the "
                      "camera's focus (object or distance) or give --plane-distance", usage=True)
    return plane


def build_rig(scene, camera, rig, plane_distance):
    """The rig's cameras on camera, view 0 first; plane_distance scene units
    from it lies the display's plane (0: the camera's focus)."""
    plane = display_plane(camera, plane_distance)
    remove_rig(camera)
    units = plane / rig.cameras[0].place[2]  # scene units a millimetre: the cameras stand distance + gap from the panel
    scale = camera.matrix_world.to_scale()
    collection = _rig_collection(scene)
    made = []
    for rigged in rig.cameras:
        data = camera.data.copy()
        data.name = f"{camera.name} view {rigged.view}"
        data.type = 'PERSP'
        data.sensor_fit = 'AUTO'
        data.angle = math.radians(rig.field_of_view)
        data.shift_x = rigged.shift_x
        data.shift_y = rigged.shift_y
        data.dof.focus_object = None
        data.dof.focus_distance = plane
        view = bpy.data.objects.new(data.name, data)
        view["veltrane_view"] = rigged.view
        collection.objects.link(view)
        view.parent = camera
        view.matrix_parent_inverse.identity()
        # On the camera's own axes, its scale undone: x to the right as the camera looks.
        view.location = (rigged.place[0] * units / scale.x, rigged.place[1] * units / scale.y, 0.0)
        view.scale = (1.0 / scale.x, 1.0 / scale.y, 1.0 / scale.z)
        view.hide_render = False
        made.append(view)
    return made
