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

int interlaceTwoViews(const unsigned char* firstImage, const unsigned char* secondImage,
                      unsigned char* output)
{
    state.viewCount = twoViewCount(state.pitch);
    const int result = allocateViewMasks();
    if (result != 0) {
        reportAllocationFailure(result);
        return result;
    }
    generateViewMasks();

    if (state.height > 0 && state.width > 0)
        std::memset(output, 0, static_cast<std::size_t>(state.height) * state.width * 3);
    const int half = state.viewCount / 2;
    for (int v = 0; v < state.viewCount; ++v) {
        const unsigned char* source = v < half ? firstImage : secondImage;
        for (int y = 0; y < state.height; ++y)
            for (int x = 0; x < state.width; ++x)
                blendPixel(source, output, v, x, y);
    }
    releaseViewMasks();
    return 0;
}
