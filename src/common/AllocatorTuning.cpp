#include "common/AllocatorTuning.h"

#include <malloc.h>

namespace skirlo {

void keepFreedMemoryForRebuilds() {
    // Blocks below this size come from the heap, so freeing them keeps them
    // for reuse instead of unmapping them.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    // Free memory at the top of the heap is kept up to this size.
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

}  // namespace skirlo
