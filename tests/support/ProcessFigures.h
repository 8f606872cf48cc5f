#pragma once

// What the long-run benchmarks and tests measure of the process itself.

#include <cstdint>

namespace ProcessFigures {
// The process's resident memory in KiB (from /proc); 0 when it cannot be read.
int64_t ResidentKiB();
// Bytes the allocator has handed out and not got back, in KiB: what the process holds, without the pages the
// allocator keeps for later.
int64_t HeapInUseKiB();
// CPU seconds the calling thread has used.
double ThreadCpuSeconds();
} // namespace ProcessFigures
