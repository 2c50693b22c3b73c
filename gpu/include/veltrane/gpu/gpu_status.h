// How a GPU composition ended. Like the engine, nothing is thrown: every
// call gives one of these, and a status other than Done leaves the
// framebuffer as it was.
#pragma once

namespace veltrane {

enum class GpuStatus : int {
    Done = 0,
    NoContext = 1,           // no current context of OpenGL 3.3 or OpenGL ES 3.0 or later
    ProgramFailed = 2,       // the shaders did not compile or link (the driver's log says why)
    InvalidInput = 3,        // views empty, of another type or size, or tiles that do not divide the quilt
    UnsupportedGeometry = 4, // numbers the view table does not compose (the engine's own refusal)
    NoMemory = 5,            // the table, or a texture, could not be had
    TooLargeForGpu = 6,      // a texture the GPU cannot hold (its side, or its layers)
    TableMismatch = 7,       // composing for a geometry, size or view count the table is not for
    NotReady = 8,            // composing before a table and views were given
    GlError = 9,             // the driver reported an error
};

// What a status means, in a few words for a message.
const char* gpuStatusText(GpuStatus status);

} // namespace veltrane
