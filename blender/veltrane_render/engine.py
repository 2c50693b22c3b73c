"""The module veltrane, which the add-on renders through: a refusal that
says how to get it when Blender's Python cannot import it."""

from .options import Refusal

try:
    import veltrane
except ImportError:
    veltrane = None

MISSING = ("the Python module veltrane is not found: install Veltrane (make install), or start Blender with "
           "PYTHONPATH set to the build's python folder")


def module():
    if veltrane is None:
        raise Refusal(MISSING)
    return veltrane
