// An OpenGL context without any window or X server: EGL on Mesa's
// surfaceless platform (EGL_MESA_platform_surfaceless), or on the default
// display where that is missing. OpenGL 3.3 core when the driver has it,
// else OpenGL ES 3.0. Current on the thread that opened it.
#pragma once

#include <string>

namespace veltrane {

// Which API to ask for: OpenGL 3.3 core, else OpenGL ES 3.0 (Any), or only one.
enum class GlApi { Any, Desktop, Es };

class HeadlessContext {
public:
    HeadlessContext() = default;
    ~HeadlessContext();
    HeadlessContext(const HeadlessContext&) = delete;
    HeadlessContext& operator=(const HeadlessContext&) = delete;

    // Made and current; false with why, in a few words.
    bool open(std::string& problem, GlApi api = GlApi::Any);

private:
    void* display_ = nullptr;
    void* context_ = nullptr;
};

} // namespace veltrane
