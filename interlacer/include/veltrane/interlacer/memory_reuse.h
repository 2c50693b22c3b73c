// Every frame decodes views and makes images of megabytes. The C library gives
// blocks that large fresh pages from the system each time, and takes them
// back when freed: a page fault for every 4 KiB of every view. Keeping them
// lets the next view reuse the memory of the last.
#pragma once

namespace veltrane {

void keepLargeBlocks();

} // namespace veltrane
