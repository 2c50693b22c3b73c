// scikit-image's sample photograph of a face (the astronaut, public domain),
// as scripts/install-deps fetches it, with its eyes' centres located by hand.
#pragma once

#include "veltrane/tracking/virtual_webcam.h"

namespace veltrane {

// The photograph and its eyes; the test fails (and the image is empty)
// when it cannot be read.
const FacePhoto& astronautPhoto();

} // namespace veltrane
