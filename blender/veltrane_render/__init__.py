"""Veltrane for Blender: the views of a slanted-lens display rendered from a
calibration record, through a rig of cameras built on the scene's camera."""

bl_info = {
    "name": "Veltrane views",
    "author": "Veltrane",
    "version": (0, 2, 0),
    "blender": (3, 4, 0),
    "location": "Properties > Camera > Veltrane",
    "description": "Renders the views of a slanted-lens display from its calibration record: the camera rig, "
                   "a file a view (or a quilt) a frame, and the interlaced frames",
    "category": "Render",
}


def register():
    from . import panel
    panel.register()


def unregister():
    from . import panel
    panel.unregister()
