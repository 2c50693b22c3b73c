#include "veltrane/interlacer/memory_reuse.h"

#include <malloc.h>

namespace veltrane {

void keepLargeBlocks()
{
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
}

} // namespace veltrane
