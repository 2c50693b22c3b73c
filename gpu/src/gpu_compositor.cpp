#include "veltrane/gpu/gpu_compositor.h"

#include "gl_state.h"
#include "shader_program.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstring>
#include <cmath>
#include <new>

namespace veltrane {

namespace {

constexpr int PlacesPerRow = 64; // viewPlaces: 64 views a row of texels

enum Unit { PixelUnit, WeightUnit, ViewsUnit, PlacesUnit, ColumnsUnit, RowsUnit };

GLint largest(GLenum what)
{
    GLint value = 0;
    glGetIntegerv(what, &value);
    return value;
}

// A texture of integers with nearest sampling (integer textures sample no other way).
void makeTexture(GLuint& texture, GLenum target)
{
    if (texture == 0)
        glGenTextures(1, &texture);
    glBindTexture(target, texture);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

GpuStatus errorStatus()
{
    switch (glGetError()) {
    case GL_NO_ERROR: return GpuStatus::Done;
    case GL_OUT_OF_MEMORY: return GpuStatus::NoMemory;
    default: return GpuStatus::GlError;
    }
}

// An image's rows as the upload reads them: its own when its row step is a
// whole number of pixels, else a continuous copy.
cv::Mat uploadable(const cv::Mat& image)
{
    return image.step[0] % 3 == 0 ? image : image.clone();
}

} // namespace

struct GpuCompositor::Gl {
    bool started = false;
    std::string log;
    GLuint programs[2] = {};   // of the views' own textures, and of a caller's quilt texture
    GLint uniforms[2][8] = {}; // by program
    GLuint vertexArray = 0;
    GLuint textures[6] = {};
    GLuint quiltTexture = 0; // the caller's, when not 0: read instead of textures[ViewsUnit]
    GLuint nearest = 0;      // a sampler for it: its own filters (and mipmaps) do not matter
    GLuint uploadBuffers[2] = {}; // pixel-buffer objects, taken in turn
    int nextBuffer = 0;
    cv::Vec3i viewsShape;    // width, height and layers of textures[ViewsUnit] as allocated
    int quiltHeight = 0;
    // The table.
    Calibration calibration;
    cv::Size size;
    int viewCount = 0;
    Weighting weighting = Weighting::Lines;
    // The views: count images of one size, perLayer to a layer, gridColumns across.
    int views = 0;
    cv::Size viewSize;
    bool redFirst = false;
    int gridColumns = 1;
    int perLayer = 1;
    cv::Size mappedFrom, mappedTo; // the maps' sizes, made again when either changes
};

namespace {

enum UniformName { ViewCount, Turn, RedFirst, Rounding, Origin, Height, TopRowFirst, QuiltHeight };
constexpr const char* UniformNames[] = {"viewCount", "turn",   "sourceRedFirst", "rounding",
                                        "origin",    "height", "topRowFirst",    "quiltHeight"};
constexpr const char* SamplerNames[] = {"pixelTable", "weightTable", "views", "viewPlaces", "columnMap", "rowMap"};
constexpr const char* QuiltSampler = "quiltTexture"; // the views' unit, in the program of a caller's quilt

// Room for count views' places (layer, x, y of the corner), PlacesPerRow a row.
std::vector<GLint> noPlaces(int count)
{
    return std::vector<GLint>(static_cast<std::size_t>(PlacesPerRow) * ((count + PlacesPerRow - 1) / PlacesPerRow) * 4, 0);
}

// The places of a quilt's tiles of this size: tile t (view 0 at the bottom
// left, or the top left) shows through table view viewOf[t]. False for a
// viewOf that is no order of the tiles.
bool quiltPlaces(int columns, int rows, cv::Size tile, bool topLeft, const std::vector<int>& viewOf,
                 std::vector<GLint>& places)
{
    const int count = columns * rows;
    places = noPlaces(count);
    for (int t = 0; t < count; ++t) {
        const int v = viewOf[t];
        if (v < 0 || v >= count)
            return false;
        places[4 * v + 1] = t % columns * tile.width;
        places[4 * v + 2] = (topLeft ? t / columns : rows - 1 - t / columns) * tile.height;
    }
    return true;
}

// The views' places uploaded, and the views taken as given.
GpuStatus placeViews(GpuCompositor::Gl& gl, const std::vector<GLint>& places, int count, cv::Size size,
                     ChannelOrder order, int perLayer, int gridColumns)
{
    glActiveTexture(GL_TEXTURE0 + PlacesUnit);
    makeTexture(gl.textures[PlacesUnit], GL_TEXTURE_2D);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32I, PlacesPerRow, static_cast<GLsizei>(places.size() / 4 / PlacesPerRow), 0,
                 GL_RGBA_INTEGER, GL_INT, places.data());
    gl.views = 0;
    if (const GpuStatus status = errorStatus(); status != GpuStatus::Done)
        return status;
    gl.views = count;
    gl.viewSize = size;
    gl.quiltTexture = 0;
    gl.redFirst = order == ChannelOrder::Rgb;
    gl.perLayer = perLayer;
    gl.gridColumns = gridColumns;
    return GpuStatus::Done;
}

// What glTexSubImage reads pixels (8UC3) from: a pixel-buffer object of the
// compositor's they are copied into (the two taken in turn, each orphaned,
// so the copy never waits for the GPU to finish reading the last), which the
// driver moves to the GPU while it goes on drawing; or, where the buffer
// cannot be mapped, the pixels themselves. The buffer and the unpack state
// are left set for that one upload: the caller unbinds the buffer after it
// (and its SavedGlState puts back what was bound before).
const void* staged(GpuCompositor::Gl& gl, const cv::Mat& pixels)
{
    const std::size_t rowBytes = static_cast<std::size_t>(pixels.cols) * 3;
    const std::size_t bytes = rowBytes * pixels.rows;
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, gl.uploadBuffers[gl.nextBuffer]);
    gl.nextBuffer ^= 1;
    glBufferData(GL_PIXEL_UNPACK_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STREAM_DRAW);
    auto* to = static_cast<unsigned char*>(glMapBufferRange(GL_PIXEL_UNPACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes),
                                                            GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT));
    if (to == nullptr) {
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pixels.step[0] / 3));
        return pixels.data;
    }
    for (int y = 0; y < pixels.rows; ++y)
        std::memcpy(to + y * rowBytes, pixels.ptr(y), rowBytes);
    glUnmapBuffer(GL_PIXEL_UNPACK_BUFFER);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    return nullptr; // offset 0 into the buffer
}

} // namespace

GpuCompositor::GpuCompositor() : gl_(std::make_unique<Gl>()) {}

GpuCompositor::~GpuCompositor()
{
    if (!gl_->started)
        return;
    glDeleteTextures(6, gl_->textures);
    glDeleteVertexArrays(1, &gl_->vertexArray);
    glDeleteProgram(gl_->programs[0]);
    glDeleteProgram(gl_->programs[1]);
    glDeleteSamplers(1, &gl_->nearest);
    glDeleteBuffers(2, gl_->uploadBuffers);
}

const std::string& GpuCompositor::log() const
{
    return gl_->log;
}

std::string GpuCompositor::renderer() const
{
    const auto text = [](GLenum name) {
        const GLubyte* value = glGetString(name);
        return value == nullptr ? std::string("?") : std::string(reinterpret_cast<const char*>(value));
    };
    return text(GL_RENDERER) + ", " + text(GL_VERSION);
}

GpuStatus GpuCompositor::start()
{
    if (gl_->started)
        return GpuStatus::Done;
    if (!contextComposes())
        return GpuStatus::NoContext;
    const SavedGlState saved;
    for (int p = 0; p < 2; ++p) {
        const GLuint program = buildComposeProgram(p == 1, gl_->log);
        if (program == 0) {
            glDeleteProgram(gl_->programs[0]);
            gl_->programs[0] = 0;
            return GpuStatus::ProgramFailed;
        }
        gl_->programs[p] = program;
        glUseProgram(program);
        for (int unit = 0; unit < 6; ++unit)
            glUniform1i(glGetUniformLocation(program, SamplerNames[unit]), unit);
        glUniform1i(glGetUniformLocation(program, QuiltSampler), ViewsUnit);
        for (int u = 0; u < 8; ++u)
            gl_->uniforms[p][u] = glGetUniformLocation(program, UniformNames[u]);
    }
    glGenVertexArrays(1, &gl_->vertexArray);
    glGenSamplers(1, &gl_->nearest);
    glGenBuffers(2, gl_->uploadBuffers);
    glSamplerParameteri(gl_->nearest, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glSamplerParameteri(gl_->nearest, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl_->started = true;
    return errorStatus();
}

bool GpuCompositor::serves(const Calibration& calibration, cv::Size size, int viewCount, Weighting weighting) const
{
    return gl_->viewCount > 0 && size == gl_->size && viewCount == gl_->viewCount && weighting == gl_->weighting &&
           sameTableGeometry(calibration, gl_->calibration);
}

GpuStatus GpuCompositor::useTable(const GpuTable& table)
{
    if (!gl_->started)
        return GpuStatus::NotReady;
    if (table.empty())
        return GpuStatus::InvalidInput;
    const GLint side = largest(GL_MAX_TEXTURE_SIZE);
    if (table.size.width > side || table.size.height > side || GpuWeightColumns > side ||
        table.weightRows > side || table.weightLayers > largest(GL_MAX_ARRAY_TEXTURE_LAYERS))
        return GpuStatus::TooLargeForGpu;
    const SavedGlState saved;
    gl_->viewCount = 0; // until the table is whole
    glActiveTexture(GL_TEXTURE0 + PixelUnit);
    makeTexture(gl_->textures[PixelUnit], GL_TEXTURE_2D);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32UI, table.size.width, table.size.height, 0, GL_RGBA_INTEGER,
                 GL_UNSIGNED_INT, table.entries.data());
    glActiveTexture(GL_TEXTURE0 + WeightUnit);
    makeTexture(gl_->textures[WeightUnit], GL_TEXTURE_2D_ARRAY);
    glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, GL_RGBA8UI, GpuWeightColumns, table.weightRows, table.weightLayers, 0,
                 GL_RGBA_INTEGER, GL_UNSIGNED_BYTE, table.weights.data());
    if (const GpuStatus status = errorStatus(); status != GpuStatus::Done)
        return status;
    gl_->calibration = table.calibration;
    gl_->size = table.size;
    gl_->weighting = table.weighting;
    gl_->viewCount = table.viewCount;
    return GpuStatus::Done;
}

GpuStatus GpuCompositor::compile(const Calibration& calibration, cv::Size size, int viewCount,
                                 const EngineOptions& options, std::size_t maxBytes)
{
    GpuTable table;
    if (const GpuStatus status = compileGpuTable(calibration, size, viewCount, options, table, maxBytes);
        status != GpuStatus::Done)
        return status;
    return useTable(table);
}

GpuStatus GpuCompositor::prepareViews(int count, cv::Size size, ChannelOrder order)
{
    if (!gl_->started)
        return GpuStatus::NotReady;
    if (count <= 0 || size.width <= 0 || size.height <= 0)
        return GpuStatus::InvalidInput;
    const GLint side = largest(GL_MAX_TEXTURE_SIZE);
    const GLint layers = largest(GL_MAX_ARRAY_TEXTURE_LAYERS);
    if (size.width > side || size.height > side)
        return GpuStatus::TooLargeForGpu;
    // A layer a view while the layers last; more views share layers as tiles.
    const int perLayer = (count + layers - 1) / layers;
    const int gridColumns = std::min(perLayer, side / size.width);
    const int gridRows = (perLayer + gridColumns - 1) / gridColumns;
    if (static_cast<long>(gridRows) * size.height > side)
        return GpuStatus::TooLargeForGpu;
    const int layerCount = (count + perLayer - 1) / perLayer;
    const cv::Vec3i shape(gridColumns * size.width, gridRows * size.height, layerCount);
    if (gl_->views == count && gl_->viewSize == size && gl_->quiltTexture == 0 && gl_->perLayer == perLayer &&
        gl_->viewsShape == shape) { // the next frame's views, into the same texture
        gl_->redFirst = order == ChannelOrder::Rgb;
        return GpuStatus::Done;
    }
    const SavedGlState saved;
    glActiveTexture(GL_TEXTURE0 + ViewsUnit);
    makeTexture(gl_->textures[ViewsUnit], GL_TEXTURE_2D_ARRAY);
    glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, GL_RGB8UI, gridColumns * size.width, gridRows * size.height, layerCount, 0,
                 GL_RGB_INTEGER, GL_UNSIGNED_BYTE, nullptr);
    gl_->viewsShape = shape;
    std::vector<GLint> places = noPlaces(count);
    for (int v = 0; v < count; ++v) {
        const int tile = v % perLayer;
        places[4 * v + 0] = v / perLayer;
        places[4 * v + 1] = tile % gridColumns * size.width;
        places[4 * v + 2] = tile / gridColumns * size.height;
    }
    return placeViews(*gl_, places, count, size, order, perLayer, gridColumns);
}

GpuStatus GpuCompositor::setView(int view, const cv::Mat& image)
{
    if (view < 0 || view >= gl_->views)
        return GpuStatus::NotReady;
    if (image.type() != CV_8UC3 || image.size() != gl_->viewSize)
        return GpuStatus::InvalidInput;
    const SavedGlState saved;
    const cv::Mat rows = uploadable(image);
    const int tile = view % gl_->perLayer;
    glActiveTexture(GL_TEXTURE0 + ViewsUnit);
    glBindTexture(GL_TEXTURE_2D_ARRAY, gl_->textures[ViewsUnit]);
    const void* from = staged(*gl_, rows);
    glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, tile % gl_->gridColumns * rows.cols, tile / gl_->gridColumns * rows.rows,
                    view / gl_->perLayer, rows.cols, rows.rows, 1, GL_RGB_INTEGER, GL_UNSIGNED_BYTE, from);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    return errorStatus();
}

GpuStatus GpuCompositor::setViews(const std::vector<cv::Mat>& views, ChannelOrder order)
{
    if (views.empty() || views.front().empty())
        return GpuStatus::InvalidInput;
    for (const cv::Mat& view : views)
        if (view.type() != CV_8UC3 || view.size() != views.front().size())
            return GpuStatus::InvalidInput;
    if (const GpuStatus status = prepareViews(static_cast<int>(views.size()), views.front().size(), order);
        status != GpuStatus::Done)
        return status;
    for (std::size_t v = 0; v < views.size(); ++v)
        if (const GpuStatus status = setView(static_cast<int>(v), views[v]); status != GpuStatus::Done)
            return status;
    return GpuStatus::Done;
}

GpuStatus GpuCompositor::setQuilt(const cv::Mat& quilt, int columns, int rows, bool topLeft,
                                  const std::vector<int>& viewOf, ChannelOrder order)
{
    if (!gl_->started)
        return GpuStatus::NotReady;
    const int count = columns * rows;
    if (quilt.empty() || quilt.type() != CV_8UC3 || columns <= 0 || rows <= 0 || quilt.cols % columns != 0 ||
        quilt.rows % rows != 0 || static_cast<int>(viewOf.size()) != count)
        return GpuStatus::InvalidInput;
    const GLint side = largest(GL_MAX_TEXTURE_SIZE);
    if (quilt.cols > side || quilt.rows > side)
        return GpuStatus::TooLargeForGpu;
    const cv::Size tile(quilt.cols / columns, quilt.rows / rows);
    std::vector<GLint> places;
    if (!quiltPlaces(columns, rows, tile, topLeft, viewOf, places))
        return GpuStatus::InvalidInput;
    const SavedGlState saved;
    const cv::Mat pixels = uploadable(quilt);
    glActiveTexture(GL_TEXTURE0 + ViewsUnit);
    const cv::Vec3i shape(quilt.cols, quilt.rows, 1);
    if (gl_->textures[ViewsUnit] == 0 || gl_->viewsShape != shape) { // the next frame of a video reuses it
        makeTexture(gl_->textures[ViewsUnit], GL_TEXTURE_2D_ARRAY);
        glTexImage3D(GL_TEXTURE_2D_ARRAY, 0, GL_RGB8UI, quilt.cols, quilt.rows, 1, 0, GL_RGB_INTEGER,
                     GL_UNSIGNED_BYTE, nullptr);
        gl_->viewsShape = shape;
    }
    glBindTexture(GL_TEXTURE_2D_ARRAY, gl_->textures[ViewsUnit]);
    const void* from = staged(*gl_, pixels);
    glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, 0, quilt.cols, quilt.rows, 1, GL_RGB_INTEGER, GL_UNSIGNED_BYTE, from);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0); // the places below come from memory
    return placeViews(*gl_, places, count, tile, order, count, columns); // one layer holds them all
}

GpuStatus GpuCompositor::useQuiltTexture(unsigned texture, cv::Size size, int columns, int rows, bool topLeft,
                                         const std::vector<int>& viewOf)
{
    if (!gl_->started)
        return GpuStatus::NotReady;
    const int count = columns * rows;
    if (texture == 0 || !glIsTexture(texture) || columns <= 0 || rows <= 0 || size.width % columns != 0 ||
        size.height % rows != 0 || size.area() == 0 || static_cast<int>(viewOf.size()) != count)
        return GpuStatus::InvalidInput;
    const cv::Size tile(size.width / columns, size.height / rows);
    std::vector<GLint> places;
    if (!quiltPlaces(columns, rows, tile, topLeft, viewOf, places))
        return GpuStatus::InvalidInput;
    const SavedGlState saved;
    const GpuStatus status = placeViews(*gl_, places, count, tile, ChannelOrder::Rgb, count, columns);
    if (status == GpuStatus::Done) {
        gl_->quiltTexture = texture;
        gl_->quiltHeight = size.height;
    }
    return status;
}

GpuStatus GpuCompositor::compose(const Calibration& calibration, const GpuTarget& target)
{
    if (!gl_->started || gl_->viewCount == 0 || gl_->views == 0)
        return GpuStatus::NotReady;
    if (gl_->views != gl_->viewCount || !serves(calibration, gl_->size, gl_->viewCount, gl_->weighting))
        return GpuStatus::TableMismatch;
    const SavedGlState saved;
    if (gl_->mappedFrom != gl_->viewSize || gl_->mappedTo != gl_->size) {
        const std::vector<int> columns = nearestSourceMap(gl_->viewSize.width, gl_->size.width);
        const std::vector<int> rows = nearestSourceMap(gl_->viewSize.height, gl_->size.height);
        glActiveTexture(GL_TEXTURE0 + ColumnsUnit);
        makeTexture(gl_->textures[ColumnsUnit], GL_TEXTURE_2D);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R32I, gl_->size.width, 1, 0, GL_RED_INTEGER, GL_INT, columns.data());
        glActiveTexture(GL_TEXTURE0 + RowsUnit);
        makeTexture(gl_->textures[RowsUnit], GL_TEXTURE_2D);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R32I, gl_->size.height, 1, 0, GL_RED_INTEGER, GL_INT, rows.data());
        gl_->mappedFrom = gl_->viewSize;
        gl_->mappedTo = gl_->size;
    }
    const bool external = gl_->quiltTexture != 0;
    const GLint* uniforms = gl_->uniforms[external ? 1 : 0];
    glUseProgram(gl_->programs[external ? 1 : 0]);
    glBindVertexArray(gl_->vertexArray);
    for (int unit = 0; unit < 6; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        if (unit == ViewsUnit && external)
            glBindTexture(GL_TEXTURE_2D, gl_->quiltTexture);
        else
            glBindTexture(unit == ViewsUnit || unit == WeightUnit ? GL_TEXTURE_2D_ARRAY : GL_TEXTURE_2D,
                          gl_->textures[unit]);
    }
    glUniform1i(uniforms[QuiltHeight], gl_->quiltHeight);
    GLint sampler = 0; // the views' unit's, put back after the draw
    glActiveTexture(GL_TEXTURE0 + ViewsUnit);
    glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
    glBindSampler(ViewsUnit, external ? gl_->nearest : 0);
    glUniform1i(uniforms[ViewCount], gl_->viewCount);
    glUniform1i(uniforms[Turn], viewTurn(calibration, gl_->viewCount));
    glUniform1i(uniforms[RedFirst], gl_->redFirst ? 1 : 0);
    glUniform1ui(uniforms[Rounding], gl_->weighting == Weighting::Full ? 127u : 0u);
    glUniform2i(uniforms[Origin], target.origin.x, target.origin.y);
    glUniform1i(uniforms[Height], gl_->size.height);
    glUniform1i(uniforms[TopRowFirst], target.topRowFirst ? 1 : 0);
    glViewport(target.origin.x, target.origin.y, gl_->size.width, gl_->size.height);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glBindSampler(ViewsUnit, static_cast<GLuint>(sampler));
    return errorStatus();
}

} // namespace veltrane
