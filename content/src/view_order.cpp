#include "veltrane/content/view_order.h"

namespace veltrane {

std::vector<int> viewOfSource(int views, bool reverse, int offset)
{
    std::vector<int> viewOf(views);
    const int shift = (offset % views + views) % views; // any offset, without overflow
    for (int v = 0; v < views; ++v) {
        const int ordered = reverse ? views - 1 - v : v;
        viewOf[(ordered + shift) % views] = v;
    }
    return viewOf;
}

} // namespace veltrane
