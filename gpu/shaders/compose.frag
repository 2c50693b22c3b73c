// One output pixel composed from a view table, with the engine's integer
// rules: every byte is the sum, over the views that show there, of
// source * weight / 255 (truncated, or rounded when rounding is 127),
// held at 255.
//
// pixelTable, for pixel (x, y) of the image (row 0 its top): .r where its
//   weights start in weightTable; .g, .b, .a its bytes blue, green, red, each
//   first view | views << 16, the views taken cyclically after first.
// weightTable: the weights, four to a texel, 2048 texels a row, 2048 rows
//   a layer.
// views: the images the views are read from; viewPlaces[v] is view v's
//   layer and its top left corner there (x, y), so that one quilt (one layer,
//   a corner a tile) and views of their own (a layer each) are read alike;
//   or, with VELTRANE_QUILT_TEXTURE, a quilt the caller drew (quiltTexture).
// columnMap, rowMap: the source column and row of each output column and
//   row (cv::resize's nearest pixels of the views' size).
uniform highp usampler2D pixelTable;
uniform highp usampler2DArray weightTable;
uniform highp isampler2D viewPlaces;
uniform highp isampler2D columnMap;
uniform highp isampler2D rowMap;

uniform int viewCount;
uniform int turn;            // table view v shows view (v + turn) mod viewCount
uniform int sourceRedFirst;  // 1: a source's texel holds red, green, blue
uniform uint rounding;       // 0, or 127
uniform ivec2 origin;        // the framebuffer pixel of the image's corner
uniform int height;
uniform int topRowFirst;     // 1: the framebuffer's first row is the image's top

out vec4 colour;

#ifdef VELTRANE_QUILT_TEXTURE
// A quilt drawn by the caller into a texture of normalised bytes: its row 0
// the quilt's bottom, as GL draws it; its bytes back exactly as k / 255.
uniform highp sampler2D quiltTexture;
uniform int quiltHeight;

uvec4 sourceAt(ivec4 place, ivec2 source)
{
    ivec2 at = ivec2(place.y + source.x, quiltHeight - 1 - (place.z + source.y));
    return uvec4(round(texelFetch(quiltTexture, at, 0) * 255.0));
}
#else
uniform highp usampler2DArray views;

uvec4 sourceAt(ivec4 place, ivec2 source)
{
    return texelFetch(views, ivec3(place.y + source.x, place.z + source.y, place.x), 0);
}
#endif

uint weightAt(uint i)
{
    uint texel = i >> 2u;
    uvec4 four = texelFetch(weightTable, ivec3(int(texel & 2047u), int((texel >> 11u) & 2047u), int(texel >> 22u)), 0);
    uint lane = i & 3u;
    return lane == 0u ? four.r : lane == 1u ? four.g : lane == 2u ? four.b : four.a;
}

void main()
{
    ivec2 at = ivec2(gl_FragCoord.xy) - origin;
    int y = topRowFirst != 0 ? at.y : height - 1 - at.y;
    uvec4 pixel = texelFetch(pixelTable, ivec2(at.x, y), 0);
    ivec2 source = ivec2(texelFetch(columnMap, ivec2(at.x, 0), 0).r, texelFetch(rowMap, ivec2(y, 0), 0).r);
    uint next = pixel.r;
    uint bytes[3];
    for (int c = 0; c < 3; ++c) {
        uint run = c == 0 ? pixel.g : c == 1 ? pixel.b : pixel.a;
        uint first = run & 0xffffu;
        uint count = run >> 16u;
        // Output byte c is blue, green, red; a source of red first holds it at 2 - c.
        int lane = sourceRedFirst != 0 ? 2 - c : c;
        uint sum = 0u;
        for (uint k = 0u; k < count; ++k) {
            int v = int((first + k + uint(turn)) % uint(viewCount));
            ivec4 place = texelFetch(viewPlaces, ivec2(v % 64, v / 64), 0);
            uvec4 texel = sourceAt(place, source);
            uint value = lane == 0 ? texel.r : lane == 1 ? texel.g : texel.b;
            sum += (value * weightAt(next) + rounding) / 255u;
            ++next;
        }
        bytes[c] = min(sum, 255u);
    }
    // A quarter above the byte: the same byte whether the driver rounds or
    // truncates to 8 bits.
    colour = vec4((vec3(float(bytes[2]), float(bytes[1]), float(bytes[0])) + 0.25) / 255.0, 1.0);
}
