"""The add-on in Blender's window: in the camera's properties, a panel that
reads a calibration record, builds the rig on the camera and renders the
animation's views (or quilts), interlaced too when asked."""

import bpy
from bpy.props import BoolProperty, FloatProperty, IntProperty, PointerProperty, StringProperty

from . import engine
from .options import QUILT_PATTERN, VIEWS_PATTERN, Refusal, RenderSettings, check
from .rendering import render_animation
from .rig_cameras import build_rig, load_rig


class VeltraneSettings(bpy.types.PropertyGroup):
    calibration: StringProperty(name="Calibration", subtype='FILE_PATH',
                                description="The calibration record (with gap_mm, panel_width_mm and "
                                            "viewing_distance_mm)")
    views: IntProperty(name="Views", default=8, min=2, max=4096, description="The views to render")
    distance: FloatProperty(name="Viewer's distance, mm", default=0.0, min=0.0, max=100000.0, precision=0,
                            description="The viewer's distance from the sheet in millimetres (0: the record's)")
    plane_distance: FloatProperty(name="Display's plane", default=0.0, min=0.0, subtype='DISTANCE',
                                  description="From the camera to the display's plane, where the scene is in "
                                              "register in every view (0: the camera's focus)")
    output: StringProperty(name="Files", subtype='FILE_PATH', default="//" + VIEWS_PATTERN,
                           description="The views' names: {frame}, {frame:05} and {view} in them")
    use_quilt: BoolProperty(name="One quilt a frame", default=False)
    quilt_columns: IntProperty(name="Columns", default=4, min=1, max=4096)
    quilt_rows: IntProperty(name="Rows", default=2, min=1, max=4096)
    quilt_output: StringProperty(name="Files", subtype='FILE_PATH', default="//" + QUILT_PATTERN,
                                 description="The quilts' names: {frame} and {frame:05} in them")
    use_interlace: BoolProperty(name="Interlace", default=False,
                                description="Interlace each frame's views for the display, too")
    interlace: StringProperty(name="Interlaced", subtype='FILE_PATH', default="//interlaced/frame_{frame:05}.png")
    force: BoolProperty(name="Overwrite", default=False, description="Overwrite existing files")


def settings_of(properties):
    settings = RenderSettings(
        calibration=properties.calibration, views=properties.views, distance=properties.distance,
        plane_distance=properties.plane_distance,
        output=properties.quilt_output if properties.use_quilt else properties.output,
        quilt=(properties.quilt_columns, properties.quilt_rows) if properties.use_quilt else None,
        interlace=properties.interlace if properties.use_interlace else "", force=properties.force)
    if not settings.calibration:
        raise Refusal("choose the calibration record", usage=True)
    check(settings)
    return settings


def camera_of(context):
    """The camera whose properties are shown, else the scene's camera."""
    shown = context.object
    return shown if shown is not None and shown.type == 'CAMERA' else context.scene.camera


class VELTRANE_OT_build_rig(bpy.types.Operator):
    """Build the rig's cameras on this camera, one a view"""
    bl_idname = "veltrane.build_rig"
    bl_label = "Build the rig"
    bl_options = {'REGISTER', 'UNDO'}

    def execute(self, context):
        try:
            settings = settings_of(context.scene.veltrane)
            _, rig = load_rig(settings)
            build_rig(context.scene, camera_of(context), rig, settings.plane_distance)
        except Refusal as refusal:
            self.report({'ERROR'}, str(refusal))
            return {'CANCELLED'}
        self.report({'INFO'}, f"{settings.views} cameras {rig.spacing:.2f} mm apart")
        return {'FINISHED'}


class VELTRANE_OT_render(bpy.types.Operator):
    """Render the animation's views for the lens display through the rig on this camera"""
    bl_idname = "veltrane.render"
    bl_label = "Render Veltrane Views"

    def execute(self, context):
        window = context.window_manager
        try:
            settings = settings_of(context.scene.veltrane)
            window.progress_begin(0, 1)
            render_animation(context.scene, camera_of(context), settings,
                             lambda done, total: window.progress_update(done / total))
        except Refusal as refusal:
            self.report({'ERROR'}, str(refusal))
            return {'CANCELLED'}
        finally:
            window.progress_end()
        self.report({'INFO'}, "the views are rendered")
        return {'FINISHED'}


class VELTRANE_PT_camera(bpy.types.Panel):
    bl_label = "Veltrane"
    bl_space_type = 'PROPERTIES'
    bl_region_type = 'WINDOW'
    bl_context = "data"

    @classmethod
    def poll(cls, context):
        return context.object is not None and context.object.type == 'CAMERA'

    def draw(self, context):
        properties = context.scene.veltrane
        layout = self.layout
        layout.use_property_split = True
        if engine.veltrane is None:
            layout.label(text=engine.MISSING, icon='ERROR')
        layout.prop(properties, "calibration")
        layout.prop(properties, "views")
        layout.prop(properties, "distance")
        layout.prop(properties, "plane_distance")
        layout.operator(VELTRANE_OT_build_rig.bl_idname)
        layout.separator()
        layout.prop(properties, "use_quilt")
        if properties.use_quilt:
            row = layout.row(align=True)
            row.prop(properties, "quilt_columns")
            row.prop(properties, "quilt_rows")
            layout.prop(properties, "quilt_output")
        else:
            layout.prop(properties, "output")
        layout.prop(properties, "use_interlace")
        if properties.use_interlace:
            layout.prop(properties, "interlace")
        layout.prop(properties, "force")
        layout.operator(VELTRANE_OT_render.bl_idname, icon='RENDER_ANIMATION')


def render_menu_entry(menu, _context):
    menu.layout.operator(VELTRANE_OT_render.bl_idname, icon='RENDER_ANIMATION')


CLASSES = (VeltraneSettings, VELTRANE_OT_build_rig, VELTRANE_OT_render, VELTRANE_PT_camera)


def register():
    for kind in CLASSES:
        bpy.utils.register_class(kind)
    bpy.types.Scene.veltrane = PointerProperty(type=VeltraneSettings)
    bpy.types.TOPBAR_MT_render.append(render_menu_entry)


def unregister():
    bpy.types.TOPBAR_MT_render.remove(render_menu_entry)
    del bpy.types.Scene.veltrane
    for kind in reversed(CLASSES):
        bpy.utils.unregister_class(kind)
