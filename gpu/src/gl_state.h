// The GL state the compositor changes to upload and draw, saved on
// construction and put back on destruction.
#pragma once

#include <epoxy/gl.h>

namespace veltrane {

constexpr int CompositorUnits = 6; // texture units 0 to 5

class SavedGlState {
public:
    SavedGlState();
    ~SavedGlState();
    SavedGlState(const SavedGlState&) = delete;
    SavedGlState& operator=(const SavedGlState&) = delete;

private:
    GLint program_ = 0;
    GLint vertexArray_ = 0;
    GLint viewport_[4] = {};
    GLint activeUnit_ = GL_TEXTURE0;
    GLint textures2d_[CompositorUnits] = {};
    GLint texturesArray_[CompositorUnits] = {};
    GLint unpackBuffer_ = 0;
    GLint unpackAlignment_ = 4;
    GLint unpackRowLength_ = 0;
    GLboolean colourMask_[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
    GLboolean enabled_[6] = {};
    GLboolean framebufferSrgb_ = GL_FALSE;
};

} // namespace veltrane
