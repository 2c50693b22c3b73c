"""Inside Blender's window: the add-on installed from its zip (named after
"--") and enabled, the test's record chosen for 5 views, interlaced too,
the camera's properties shown over the whole window; "panel drawn" printed
once the Veltrane panel has been drawn there."""

import sys

import addon_utils
import bpy

zip_file = sys.argv[sys.argv.index("--") + 1]
bpy.ops.preferences.addon_install(filepath=zip_file)
addon_utils.enable("veltrane_render", default_set=True)
scene = bpy.context.scene
bpy.context.view_layer.objects.active = scene.camera
scene.camera.select_set(True)
scene.veltrane.calibration = "//lens.yml"
scene.veltrane.views = 5
scene.veltrane.use_interlace = True

panel = bpy.types.VELTRANE_PT_camera
drawn = panel.draw


def draw_and_tell(self, context):
    drawn(self, context)
    if not getattr(draw_and_tell, "told", False):
        draw_and_tell.told = True
        print("panel drawn", flush=True)


panel.draw = draw_and_tell


def show_properties():
    window = bpy.context.window_manager.windows[0]
    for area in window.screen.areas:
        if area.type == 'PROPERTIES':
            area.spaces.active.context = 'DATA'
            with bpy.context.temp_override(window=window, area=area):
                bpy.ops.screen.screen_full_area()
            break
    return None


bpy.app.timers.register(show_properties, first_interval=0.1)
