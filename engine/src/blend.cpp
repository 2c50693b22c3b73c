#include "blend.h"

#include <cstring>

namespace veltrane {

void blendPixel(const ViewMasks& masks, const unsigned char* viewImage, unsigned char* output, int view, int x,
                int y)
{
    const std::size_t o =
        static_cast<std::size_t>(y) * masks.slant().maskStride + 3 * static_cast<std::size_t>(x);
    const unsigned char* m = masks.mask(view);
    // Output channel k (blue first) is subpixel 2 - k of a red-first panel,
    // subpixel k of a blue-first one: the mask's bytes run in the panel's
    // order. Sources hold blue first, or red first.
    const bool redFirst = masks.lens().subpixelOrder;
    const bool panelBgr = masks.lens().panelBgr;
    // Truncated with the lines weighting, rounded with the full one.
    const int rounding = masks.lens().weighting == Weighting::Full ? 127 : 0;
    for (int k = 0; k < 3; ++k) {
        const int share = (viewImage[o + (redFirst ? 2 - k : k)] * m[o + (panelBgr ? k : 2 - k)] + rounding) / 255;
        const int sum = output[o + k] + share;
        output[o + k] = static_cast<unsigned char>(sum > 255 ? 255 : sum);
    }
}

Status interlaceViewsReference(const LensGeometry& lens, const unsigned char* const* sources,
                                     unsigned char* output, const MaskAllocator& allocator)
{
    ViewMasks masks(lens, allocator);
    const Status status = masks.allocate();
    if (status != Status::Done)
        return status;
    if (lens.weighting == Weighting::Full)
        masks.fillFullWeights();
    else
        masks.generate();

    if (lens.height > 0 && lens.width > 0)
        std::memset(output, 0, static_cast<std::size_t>(lens.height) * lens.width * 3);
    for (int v = 0; v < lens.viewCount; ++v)
        for (int y = 0; y < lens.height; ++y)
            for (int x = 0; x < lens.width; ++x)
                blendPixel(masks, sources[v], output, v, x, y);
    return Status::Done;
}

} // namespace veltrane
