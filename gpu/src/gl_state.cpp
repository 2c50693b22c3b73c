#include "gl_state.h"

namespace veltrane {

namespace {

// What would change the bytes drawn: off while the compositor draws.
constexpr GLenum Switches[6] = {GL_BLEND, GL_DEPTH_TEST, GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_CULL_FACE, GL_DITHER};

} // namespace

SavedGlState::SavedGlState()
{
    glGetIntegerv(GL_CURRENT_PROGRAM, &program_);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray_);
    glGetIntegerv(GL_VIEWPORT, viewport_);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit_);
    for (int unit = 0; unit < CompositorUnits; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &textures2d_[unit]);
        glGetIntegerv(GL_TEXTURE_BINDING_2D_ARRAY, &texturesArray_[unit]);
    }
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpackBuffer_);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment_);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &unpackRowLength_);
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask_);
    for (int i = 0; i < 6; ++i) {
        enabled_[i] = glIsEnabled(Switches[i]);
        glDisable(Switches[i]);
    }
    if (epoxy_is_desktop_gl()) {
        framebufferSrgb_ = glIsEnabled(GL_FRAMEBUFFER_SRGB);
        glDisable(GL_FRAMEBUFFER_SRGB); // the bytes as composed, not encoded again
    }
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

SavedGlState::~SavedGlState()
{
    glUseProgram(static_cast<GLuint>(program_));
    glBindVertexArray(static_cast<GLuint>(vertexArray_));
    glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
    for (int unit = 0; unit < CompositorUnits; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(textures2d_[unit]));
        glBindTexture(GL_TEXTURE_2D_ARRAY, static_cast<GLuint>(texturesArray_[unit]));
    }
    glActiveTexture(static_cast<GLenum>(activeUnit_));
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(unpackBuffer_));
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment_);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, unpackRowLength_);
    glColorMask(colourMask_[0], colourMask_[1], colourMask_[2], colourMask_[3]);
    for (int i = 0; i < 6; ++i)
        if (enabled_[i])
            glEnable(Switches[i]);
    if (framebufferSrgb_)
        glEnable(GL_FRAMEBUFFER_SRGB);
}

} // namespace veltrane
