// A renderer's loop: its own GL context (EGL, no window), a quilt of 9 x 5
// tiles drawn into a texture every frame by a shader of its own (a bar that
// moves from tile to tile), and Veltrane composing that texture for a lens
// display into a framebuffer. The last frame is read back and checked
// against the processor's composition of the same quilt: exit 0 when every
// byte is equal.
#include <veltrane/engine/view_table.h>
#include <veltrane/gpu/gpu_compositor.h>
#include <veltrane/gpu/gpu_framebuffer.h>

#include <opencv2/core.hpp>

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <numeric>
#include <vector>

namespace {

const int Columns = 9;
const int Rows = 5;
const cv::Size Tile(96, 54);
const cv::Size Panel(480, 270);
const veltrane::Calibration Lens{6, 1152, 8.25, true, 0.35};

// A GL 3.3 core context without a window, current.
bool makeContext()
{
    EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API))
        return false;
    const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (!eglChooseConfig(display, wanted, &config, 1, &found) || found < 1)
        return false;
    const EGLint version[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                              EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, version);
    return context != EGL_NO_CONTEXT && eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
}

GLuint compile(GLenum kind, const char* source)
{
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// The renderer's own drawing: each tile a colour of its own, a white bar
// that moves across the tiles with the frame.
GLuint quiltProgram()
{
    const char* vertex = "#version 330 core\n"
                         "void main() { vec2 c = vec2((gl_VertexID & 1) << 2, (gl_VertexID & 2) << 1) - 1.0;"
                         " gl_Position = vec4(c, 0.0, 1.0); }\n";
    const char* fragment = "#version 330 core\n"
                           "uniform int frame; uniform ivec2 tile; out vec4 colour;\n"
                           "void main() { ivec2 at = ivec2(gl_FragCoord.xy); ivec2 t = at / tile;\n"
                           " int index = t.y * 9 + t.x; bool bar = (at.x + at.y + 7 * frame) % 40 < 6;\n"
                           " colour = bar ? vec4(1.0) : vec4(float(index * 37 % 256) / 255.0,\n"
                           "   float(at.x % 256) / 255.0, float((index * 91 + at.y) % 256) / 255.0, 1.0); }\n";
    const GLuint program = glCreateProgram();
    glAttachShader(program, compile(GL_VERTEX_SHADER, vertex));
    glAttachShader(program, compile(GL_FRAGMENT_SHADER, fragment));
    glLinkProgram(program);
    return program;
}

// The quilt as the processor sees it: glReadPixels gives the texture's rows
// bottom first, a quilt image's row 0 is its top.
cv::Mat readQuilt(GLuint framebuffer, cv::Size size)
{
    cv::Mat rgba(size, CV_8UC4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadPixels(0, 0, size.width, size.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data);
    cv::Mat rgb(size, CV_8UC3);
    const int pairs[] = {0, 0, 1, 1, 2, 2};
    cv::mixChannels(&rgba, 1, &rgb, 1, pairs, 3);
    cv::Mat top;
    cv::flip(rgb, top, 0);
    return top;
}

} // namespace

int main()
{
    if (!makeContext()) {
        std::fprintf(stderr, "gl-compose: no OpenGL 3.3 context without a window\n");
        return 1;
    }
    const cv::Size quiltSize(Tile.width * Columns, Tile.height * Rows);
    GLuint quilt = 0;
    GLuint quiltFramebuffer = 0;
    glGenTextures(1, &quilt);
    glBindTexture(GL_TEXTURE_2D, quilt);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, quiltSize.width, quiltSize.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &quiltFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, quiltFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, quilt, 0);
    GLuint vertexArray = 0;
    glGenVertexArrays(1, &vertexArray);
    const GLuint program = quiltProgram();

    veltrane::GpuCompositor compositor;
    veltrane::GpuFramebuffer output;
    std::vector<int> viewOf(Columns * Rows);
    std::iota(viewOf.begin(), viewOf.end(), 0); // tile t shows through view t
    if (compositor.start() != veltrane::GpuStatus::Done ||
        compositor.compile(Lens, Panel, Columns * Rows) != veltrane::GpuStatus::Done ||
        compositor.useQuiltTexture(quilt, quiltSize, Columns, Rows, false, viewOf) != veltrane::GpuStatus::Done) {
        std::fprintf(stderr, "gl-compose: the compositor cannot start: %s\n", compositor.log().c_str());
        return 1;
    }
    for (int frame = 0; frame < 30; ++frame) {
        // The renderer draws its quilt...
        glBindFramebuffer(GL_FRAMEBUFFER, quiltFramebuffer);
        glViewport(0, 0, quiltSize.width, quiltSize.height);
        glUseProgram(program);
        glUniform1i(glGetUniformLocation(program, "frame"), frame);
        glUniform2i(glGetUniformLocation(program, "tile"), Tile.width, Tile.height);
        glBindVertexArray(vertexArray);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        // ...and Veltrane composes it for the lens display.
        output.make(Panel);
        veltrane::GpuTarget target;
        target.topRowFirst = true;
        if (compositor.compose(Lens, target) != veltrane::GpuStatus::Done) {
            std::fprintf(stderr, "gl-compose: frame %d could not be composed\n", frame);
            return 1;
        }
    }
    cv::Mat composed;
    output.read(composed);
    // The same quilt composed on the processor: its tiles as views (view 0
    // the bottom-left tile, left to right, then upward).
    const cv::Mat image = readQuilt(quiltFramebuffer, quiltSize);
    std::vector<cv::Mat> tiles;
    for (int t = 0; t < Columns * Rows; ++t)
        tiles.push_back(image(cv::Rect(t % Columns * Tile.width, (Rows - 1 - t / Columns) * Tile.height, Tile.width,
                                       Tile.height)));
    veltrane::ViewTable table;
    cv::Mat expected;
    if (table.compile(Lens, Panel, Columns * Rows) != veltrane::Status::Done ||
        table.compose(Lens, tiles, expected, veltrane::ChannelOrder::Rgb) != veltrane::Status::Done) {
        std::fprintf(stderr, "gl-compose: the processor could not compose\n");
        return 1;
    }
    cv::Mat differs;
    cv::compare(composed, expected, differs, cv::CMP_NE);
    const int bytes = cv::countNonZero(differs.reshape(1));
    std::printf("gl-compose: 30 frames composed on %s; the last differs from the processor's in %d bytes\n",
                compositor.renderer().c_str(), bytes);
    return bytes == 0 ? 0 : 1;
}
