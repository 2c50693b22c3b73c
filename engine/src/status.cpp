#include "veltrane/engine/status.h"

namespace veltrane {

const char* statusText(Status status)
{
    switch (status) {
    case Status::Done: return "done";
    case Status::NoMaskArray:
    case Status::NoMaskMemory: return "out of memory";
    case Status::InvalidImage: return "an image is empty, of another size or not 8-bit colour";
    case Status::UnsupportedGeometry: return "the lens lines cannot be drawn at this size (too many, or a frame under 3 rows)";
    case Status::TableMismatch: return "the view table was compiled for other numbers";
    case Status::InvalidPlace: return "the viewer's place or the sheet's measures are not usable";
    case Status::Internal: break;
    }
    return "an internal error of the image library";
}

} // namespace veltrane
