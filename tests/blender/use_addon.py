"""Inside Blender: the add-on installed from its zip with Blender's own
installer, enabled, and its two buttons' operators run on the scene's
camera as the panel runs them; what they made written as JSON to the file
named after "--" (the zip's path before it)."""

import json
import sys

import addon_utils
import bpy

zip_file, report = sys.argv[sys.argv.index("--") + 1:][:2]
bpy.ops.preferences.addon_install(filepath=zip_file)
addon_utils.enable("veltrane_render", default_set=True)
scene = bpy.context.scene
camera = scene.camera
bpy.context.view_layer.objects.active = camera
settings = scene.veltrane
settings.calibration = "//lens.yml"
settings.views = 5
made = {"panel": hasattr(bpy.types, "VELTRANE_PT_camera")}
made["build"] = list(bpy.ops.veltrane.build_rig())
rig = sorted((child for child in camera.children if "veltrane_view" in child), key=lambda c: c["veltrane_view"])
made["cameras"] = [(c["veltrane_view"], c.location.x, c.data.shift_x, c.data.angle) for c in rig]
made["again"] = list(bpy.ops.veltrane.build_rig())  # built again: the same cameras, not more
made["children"] = sum(1 for child in camera.children if "veltrane_view" in child)
settings.use_interlace = True
made["render"] = list(bpy.ops.veltrane.render())
made["camera_after"] = scene.camera.name
made["resolution_after"] = (scene.render.resolution_x, scene.render.resolution_y)
made["refused"] = None
settings.views = 7
settings.use_quilt = True  # 4 x 2 tiles for 7 views
try:
    bpy.ops.veltrane.render()
except RuntimeError as error:
    made["refused"] = str(error)
with open(report, "w") as out:
    json.dump(made, out)
