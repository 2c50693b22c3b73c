#include "shader_program.h"

#include "compose_shaders.h"

#include <vector>

namespace veltrane {

namespace {

std::string header()
{
    if (epoxy_is_desktop_gl())
        return "#version 330 core\n";
    return "#version 300 es\nprecision highp float;\nprecision highp int;\n";
}

std::string infoLog(GLuint object, bool program)
{
    GLint length = 0;
    program ? glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length) : glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> text(static_cast<std::size_t>(std::max(1, length)), '\0');
    program ? glGetProgramInfoLog(object, length, nullptr, text.data())
            : glGetShaderInfoLog(object, length, nullptr, text.data());
    return std::string(text.data());
}

GLuint compiled(GLenum kind, const std::string& defines, const char* body, std::string& log)
{
    const std::string source = header() + defines + body;
    const char* text = source.c_str();
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint done = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &done);
    if (done == GL_TRUE)
        return shader;
    log = infoLog(shader, false);
    glDeleteShader(shader);
    return 0;
}

} // namespace

bool contextComposes()
{
    const int version = epoxy_gl_version();
    return epoxy_is_desktop_gl() ? version >= 33 : version >= 30;
}

GLuint buildComposeProgram(bool quiltTexture, std::string& log)
{
    const std::string defines = quiltTexture ? "#define VELTRANE_QUILT_TEXTURE 1\n" : "";
    const GLuint vertex = compiled(GL_VERTEX_SHADER, "", ComposeVertexShader, log);
    const GLuint fragment = vertex == 0 ? 0 : compiled(GL_FRAGMENT_SHADER, defines, ComposeFragmentShader, log);
    if (fragment == 0) {
        glDeleteShader(vertex);
        return 0;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == GL_TRUE)
        return program;
    log = infoLog(program, true);
    glDeleteProgram(program);
    return 0;
}

} // namespace veltrane
