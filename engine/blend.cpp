#include "engine/blend.h"

#include "app/calibration_state.h"
#include "engine/slant_geometry.h"
#include "engine/view_masks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

void blendPixel(const unsigned char* viewImage, unsigned char* output, int view, int x, int y)
{
    const std::size_t o = static_cast<std::size_t>(y) * state.maskStride + 3 * static_cast<std::size_t>(x);
    const unsigned char* m = state.viewMasks[view];
    for (int k = 0; k < 3; ++k) {
        const int share = viewImage[o + k] * m[o + 2 - k] / 255;
        const int sum = output[o + k] + share;
        output[o + k] = static_cast<unsigned char>(sum > 255 ? 255 : sum);
    }
}

int twoViewCount(double pitch)
{
    // Held far below INT_MAX so that the count itself cannot overflow.
    const int n = std::min(truncToInt(std::floor(pitch + state.sampleStep + 0.5)), 1 << 28);
    return 2 * (n / 2) + 2;
}

int interlaceViews(const unsigned char* const* sources, unsigned char* output)
{
    const int result = allocateViewMasks();
    if (result != 0) {
        reportAllocationFailure(result);
        return result;
    }
    generateViewMasks();

    if (state.height > 0 && state.width > 0)
        std::memset(output, 0, static_cast<std::size_t>(state.height) * state.width * 3);
    for (int v = 0; v < state.viewCount; ++v)
        for (int y = 0; y < state.height; ++y)
            for (int x = 0; x < state.width; ++x)
                blendPixel(sources[v], output, v, x, y);
    releaseViewMasks();
    return 0;
}

std::vector<const unsigned char*> twoViewSources(const unsigned char* firstImage, const unsigned char* secondImage)
{
    std::vector<const unsigned char*> sources(std::max(state.viewCount, 0));
    for (int v = 0; v < static_cast<int>(sources.size()); ++v)
        sources[v] = v < state.viewCount / 2 ? firstImage : secondImage;
    return sources;
}

int interlaceTwoViews(const unsigned char* firstImage, const unsigned char* secondImage,
                      unsigned char* output)
{
    state.viewCount = twoViewCount(state.pitch);
    return interlaceViews(twoViewSources(firstImage, secondImage).data(), output);
}
