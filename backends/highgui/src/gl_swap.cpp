#include "gl_swap.h"

#include <epoxy/glx.h>

namespace veltrane {

bool glxAvailable(Display* display)
{
    int error = 0;
    int event = 0;
    int major = 0;
    int minor = 0;
    if (!glXQueryExtension(display, &error, &event) || !glXQueryVersion(display, &major, &minor) ||
        (major == 1 && minor < 3))
        return false;
    // The server may speak GLX with no driver on this side to draw with:
    // a configuration for a window is what the driver gives.
    const int wanted[] = {GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_DOUBLEBUFFER, True, None};
    int found = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), wanted, &found);
    if (configs != nullptr)
        XFree(configs);
    return configs != nullptr && found > 0;
}

bool swapAtVerticalBlank()
{
    static thread_local GLXContext done = nullptr;
    const GLXContext context = glXGetCurrentContext();
    if (context == nullptr)
        return false;
    if (context == done)
        return true;
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    const int screen = DefaultScreen(display);
    bool asked = true;
    if (epoxy_has_glx_extension(display, screen, "GLX_EXT_swap_control"))
        glXSwapIntervalEXT(display, drawable, 1);
    else if (epoxy_has_glx_extension(display, screen, "GLX_MESA_swap_control"))
        glXSwapIntervalMESA(1);
    else if (epoxy_has_glx_extension(display, screen, "GLX_SGI_swap_control"))
        glXSwapIntervalSGI(1);
    else
        asked = false;
    done = context;
    return asked;
}

} // namespace veltrane
