"""A small scene for the add-on's test, saved to the .blend named after "--":
the camera at the origin looking down -Z, its focus (the display's plane)
ahead of it, and three glowing balls on a black world (scene_numbers.py).
Rendered with Cycles on the processor, without a pixel filter's spread."""

import os
import sys

import bpy

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from scene_numbers import BALLS, NEAR_MOVES, PLANE, UNITS, ball_in_scene  # noqa: E402


def glowing(name, colour):
    material = bpy.data.materials.new(name)
    material.use_nodes = True
    nodes = material.node_tree.nodes
    nodes.clear()
    emission = nodes.new("ShaderNodeEmission")
    emission.inputs["Color"].default_value = (*colour, 1.0)
    emission.inputs["Strength"].default_value = 1.0
    output = nodes.new("ShaderNodeOutputMaterial")
    material.node_tree.links.new(emission.outputs["Emission"], output.inputs["Surface"])
    return material


def ball(name, place, colour):
    radius = place[3]
    bpy.ops.mesh.primitive_uv_sphere_add(segments=48, ring_count=24, radius=radius * UNITS,
                                         location=ball_in_scene(name))
    made = bpy.context.object
    made.name = name
    made.data.materials.append(glowing(name, colour))
    bpy.ops.object.shade_smooth()
    return made


def main():
    blend = sys.argv[sys.argv.index("--") + 1]
    for thing in list(bpy.data.objects):
        bpy.data.objects.remove(thing)
    scene = bpy.context.scene
    data = bpy.data.cameras.new("Camera")
    data.dof.focus_distance = PLANE
    data.clip_start = 0.01
    camera = bpy.data.objects.new("Camera", data)
    scene.collection.objects.link(camera)
    scene.camera = camera
    for name, (place, colour) in BALLS.items():
        ball(name, place, colour)
    # The near ball moves 20 mm to the right in frame 2.
    near = bpy.data.objects["near"]
    near.keyframe_insert("location", frame=1)
    near.location.x += NEAR_MOVES * UNITS
    near.keyframe_insert("location", frame=2)
    scene.frame_start, scene.frame_end = 1, 2
    world = scene.world or bpy.data.worlds.new("World")
    scene.world = world
    world.use_nodes = True
    world.node_tree.nodes["Background"].inputs["Color"].default_value = (0.0, 0.0, 0.0, 1.0)
    scene.render.engine = 'CYCLES'
    scene.cycles.device = 'CPU'
    scene.cycles.samples = 16
    scene.cycles.use_denoising = False
    scene.cycles.use_adaptive_sampling = False
    scene.cycles.filter_width = 0.01
    scene.view_settings.view_transform = 'Standard'
    scene.view_settings.look = 'None'
    scene.render.resolution_percentage = 100
    bpy.ops.wm.save_as_mainfile(filepath=blend)


main()
