#include "veltrane/gpu/gpu_picture.h"

#include "gl_state.h"

#include <opencv2/imgproc.hpp>

namespace veltrane {

GpuPicture::~GpuPicture()
{
    if (framebuffer_ != 0)
        glDeleteFramebuffers(1, &framebuffer_);
    if (texture_ != 0)
        glDeleteTextures(1, &texture_);
}

GpuStatus GpuPicture::set(const cv::Mat& bgr)
{
    if (bgr.empty() || bgr.type() != CV_8UC3)
        return GpuStatus::InvalidInput;
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    if (bgr.cols > side || bgr.rows > side)
        return GpuStatus::TooLargeForGpu;
    cv::Mat rgba;
    cv::cvtColor(bgr, rgba, cv::COLOR_BGR2RGBA);
    const SavedGlState saved; // unpack state, texture bindings
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glActiveTexture(GL_TEXTURE0);
    if (texture_ == 0)
        glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    if (rgba.size() == size_) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, rgba.cols, rgba.rows, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, rgba.cols, rgba.rows, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data);
        size_ = rgba.size();
    }
    if (framebuffer_ == 0) {
        GLint reading = 0;
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &reading);
        glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(reading));
    }
    if (glGetError() != GL_NO_ERROR)
        return size_ = cv::Size(), GpuStatus::GlError;
    return GpuStatus::Done;
}

GpuStatus GpuPicture::draw(cv::Point corner, int rows, const GpuTarget& target) const
{
    if (size_.area() == 0)
        return GpuStatus::NotReady;
    const SavedGlState saved; // the scissor test off while it copies
    GLint reading = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &reading);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    // The texture's row 0 is the picture's top; it goes to the image's row
    // corner.y, the framebuffer's row origin + corner.y (first row first) or
    // origin + rows - 1 - corner.y.
    const int x0 = target.origin.x + corner.x;
    const int x1 = x0 + size_.width;
    if (target.topRowFirst) {
        const int y0 = target.origin.y + corner.y;
        glBlitFramebuffer(0, 0, size_.width, size_.height, x0, y0, x1, y0 + size_.height, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
    } else {
        const int top = target.origin.y + rows - corner.y; // just above the picture's top row
        glBlitFramebuffer(0, 0, size_.width, size_.height, x0, top, x1, top - size_.height, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(reading));
    return glGetError() == GL_NO_ERROR ? GpuStatus::Done : GpuStatus::GlError;
}

} // namespace veltrane
