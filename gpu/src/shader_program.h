// The compose program built for the current context: its #version line
// and precisions chosen for OpenGL 3.3 core or OpenGL ES 3.0.
#pragma once

#include <epoxy/gl.h>

#include <string>

namespace veltrane {

// True when the current context is OpenGL 3.3 or later, or OpenGL ES 3.0 or later.
bool contextComposes();

// The linked program, or 0 with the driver's log; with quiltTexture, the
// program that reads a quilt from a texture of the caller's.
GLuint buildComposeProgram(bool quiltTexture, std::string& log);

} // namespace veltrane
