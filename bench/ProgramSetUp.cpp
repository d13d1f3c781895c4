// Benchmarks run with the allocator set up as the programs set it up at
// start-up, so that repeated builds cost what rebuilds cost in the program.

#include "common/AllocatorTuning.h"

namespace {

const bool kAllocatorTuned = (skirlo::keepFreedMemoryForRebuilds(), true);

}  // namespace
