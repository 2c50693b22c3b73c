#include "veltrane/egl/headless_context.h"

#include <epoxy/egl.h>

namespace veltrane {

namespace {

EGLDisplay surfacelessDisplay()
{
    if (epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless"))
        return eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

// A context of the API and version asked for; EGL_NO_CONTEXT when there is none.
EGLContext contextOf(EGLDisplay display, EGLenum api, EGLint renderable, const EGLint* version)
{
    if (eglBindAPI(api) != EGL_TRUE)
        return EGL_NO_CONTEXT;
    const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, renderable, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (eglChooseConfig(display, wanted, &config, 1, &found) != EGL_TRUE || found < 1)
        return EGL_NO_CONTEXT;
    return eglCreateContext(display, config, EGL_NO_CONTEXT, version);
}

} // namespace

HeadlessContext::~HeadlessContext()
{
    if (display_ == nullptr)
        return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_ != nullptr)
        eglDestroyContext(display_, context_);
    eglTerminate(display_);
}

bool HeadlessContext::open(std::string& problem, GlApi api)
{
    EGLDisplay display = surfacelessDisplay();
    EGLint major = 0;
    EGLint minor = 0;
    if (display == EGL_NO_DISPLAY || eglInitialize(display, &major, &minor) != EGL_TRUE) {
        problem = "no EGL display (is Mesa's libegl-mesa0 installed?)";
        return false;
    }
    display_ = display;
    if (!epoxy_has_egl_extension(display, "EGL_KHR_surfaceless_context")) {
        problem = "the EGL driver cannot make a context without a window";
        return false;
    }
    const EGLint core[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3, EGL_CONTEXT_OPENGL_PROFILE_MASK,
                           EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    const EGLint es[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0, EGL_NONE};
    EGLContext context = api == GlApi::Es ? EGL_NO_CONTEXT : contextOf(display, EGL_OPENGL_API, EGL_OPENGL_BIT, core);
    if (context == EGL_NO_CONTEXT && api != GlApi::Desktop)
        context = contextOf(display, EGL_OPENGL_ES_API, EGL_OPENGL_ES3_BIT, es);
    if (context == EGL_NO_CONTEXT) {
        problem = "the GPU's driver has neither OpenGL 3.3 nor OpenGL ES 3.0";
        return false;
    }
    context_ = context;
    if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) != EGL_TRUE) {
        problem = "the GL context could not be made current";
        return false;
    }
    return true;
}

} // namespace veltrane
