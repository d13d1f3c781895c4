#pragma once

namespace skirlo {

// Every rebuild of the music frees the whole tree and allocates a new one of
// about the same size: tens of megabytes for a large file. By default the C
// library hands freed memory back to the system at once and the next build
// faults it in again page by page, which on some machines costs more than
// the build itself. Programs call this once at start-up so that rebuilds
// reuse the memory the last build freed.
void keepFreedMemoryForRebuilds();

}  // namespace skirlo
