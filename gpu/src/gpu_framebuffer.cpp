#include "veltrane/gpu/gpu_framebuffer.h"

#include <opencv2/imgproc.hpp>

#include <epoxy/gl.h>

namespace veltrane {

GpuFramebuffer::~GpuFramebuffer()
{
    if (framebuffer_ != 0)
        glDeleteFramebuffers(1, &framebuffer_);
    if (colour_ != 0)
        glDeleteRenderbuffers(1, &colour_);
}

GpuStatus GpuFramebuffer::make(cv::Size size)
{
    if (size.width <= 0 || size.height <= 0)
        return GpuStatus::InvalidInput;
    GLint most = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &most);
    if (size.width > most || size.height > most)
        return GpuStatus::TooLargeForGpu;
    if (framebuffer_ == 0) {
        glGenFramebuffers(1, &framebuffer_);
        glGenRenderbuffers(1, &colour_);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    if (size != size_) {
        glBindRenderbuffer(GL_RENDERBUFFER, colour_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, size.width, size.height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
        size_ = size;
    }
    if (glGetError() == GL_OUT_OF_MEMORY)
        return size_ = cv::Size(), GpuStatus::NoMemory;
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return size_ = cv::Size(), GpuStatus::GlError;
    return GpuStatus::Done;
}

GpuStatus GpuFramebuffer::read(cv::Mat& bgr) const
{
    if (framebuffer_ == 0 || size_.area() == 0)
        return GpuStatus::NotReady;
    cv::Mat rgba(size_, CV_8UC4);
    GLint packBuffer = 0;
    glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, size_.width, size_.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(packBuffer));
    if (glGetError() != GL_NO_ERROR)
        return GpuStatus::GlError;
    cv::cvtColor(rgba, bgr, cv::COLOR_RGBA2BGR);
    return GpuStatus::Done;
}

} // namespace veltrane
