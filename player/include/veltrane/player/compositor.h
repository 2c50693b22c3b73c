// The player's composition stage: a content frame and the tuning in force
// for it in, the frame for the panel out. Today's is the processor's
// (frame_composer.h); another (a GPU's) takes its place behind the same call.
#pragma once

#include "veltrane/player/content.h"
#include "veltrane/player/tuning.h"

#include <opencv2/core.hpp>

namespace veltrane {

class Compositor {
public:
    virtual ~Compositor() = default;

    // The frame at size for this content frame and tuning (given anew for
    // every frame); empty when it cannot be composed.
    virtual cv::Mat compose(const ContentFrame& frame, const Tuning& tuning, cv::Size size) = 0;
};

} // namespace veltrane
