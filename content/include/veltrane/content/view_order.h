// Which source each view shows, as --reverse and --view-offset ask: view v
// gets source (v' + K) mod N, v' being v or, reversed, N - 1 - v.
#pragma once

#include <vector>

namespace veltrane {

// The inverse, as the engine takes it: for each source, its view.
std::vector<int> viewOfSource(int views, bool reverse, int offset);

} // namespace veltrane
