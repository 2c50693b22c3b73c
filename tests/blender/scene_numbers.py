"""The test scene's measures, shared by the script that builds it in Blender
and the test that checks its renders."""

PLANE = 2.0            # scene units from the camera to the display's plane (its focus)
PANEL = (320, 180)     # the display's pixels
PANEL_WIDTH = 300.0    # millimetres
GAP = 3.0              # the sheet's, millimetres
DISTANCE = 600.0       # the record's viewing distance from the sheet, millimetres
LINE = "-x 5 -y 1152 -pitch 8.3000 -mirror"
VIEWS = 5
UNITS = PLANE / (DISTANCE + GAP)  # scene units a millimetre, the cameras standing distance + gap from the panel
# name: x, y, depth in front of the panel, radius (millimetres at the record's distance); the colour glowing
BALLS = {
    "near": ((30.0, 10.0, 25.0, 4.0), (1.0, 0.0, 0.0)),
    "far": ((-40.0, -20.0, -60.0, 5.0), (0.0, 1.0, 0.0)),
    "on": ((0.0, 30.0, 0.0, 4.0), (0.0, 0.0, 1.0)),
}
NEAR_MOVES = 20.0      # millimetres to the right, from frame 1 to frame 2


def ball_in_scene(name, frame=1):
    """Where a ball's centre is in the scene (the camera at the origin looking down -Z)."""
    (x, y, depth, _), _ = BALLS[name]
    if name == "near" and frame == 2:
        x += NEAR_MOVES
    return (x * UNITS, y * UNITS, -(DISTANCE + GAP - depth) * UNITS)
