// The reference engine's masks of the full weighting: every subpixel's phase
// computed on its own, at once, and its two weights written.
#include "full_weights.h"
#include "view_masks.h"

namespace veltrane {

void ViewMasks::fillFullWeights()
{
    if (masks_ == nullptr || lens_.viewCount <= 0)
        return;
    const FullPhase phase = fullPhaseOf(lens_);
    for (int y = 0; y < lens_.height; ++y)
        for (int c = 0; c < slant_.maskStride; ++c) {
            const FullShare share = fullShareAt(phase, columnPhase(phase, y, c));
            const std::size_t at = static_cast<std::size_t>(y) * slant_.maskStride + c;
            masks_[share.view][at] = static_cast<unsigned char>(masks_[share.view][at] + 255 - share.nextWeight);
            masks_[share.next][at] = static_cast<unsigned char>(masks_[share.next][at] + share.nextWeight);
        }
}

} // namespace veltrane
