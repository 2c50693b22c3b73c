// How a composition ended. A status other than Done leaves the output as it
// was.
#pragma once

namespace veltrane {

enum class Status : int {
    Done = 0,
    NoMaskArray = 1,  // the table of view masks could not be had
    NoMaskMemory = 2, // a mask, or other working memory, could not be had
    InvalidImage = 3, // an image is empty, not 8-bit three-channel, not continuous, or of another size
    UnsupportedGeometry = 4, // lines the engine does not draw, or a frame too low to light (see checkGeometry)
    TableMismatch = 5, // a view table asked to compose a geometry, size or view count it was not compiled for
    Internal = 6,      // a failure of a library the engine uses that is not a lack of memory
    InvalidPlace = 7,  // a viewer's place or a sheet's measures that are none (not finite, not in front of it)
};

// What a status means, in a few words for a message ("out of memory").
const char* statusText(Status status);

} // namespace veltrane
