#pragma once

// What the long-run benchmarks and tests measure of the process itself.

#include <cstdint>

namespace ProcessFigures {
// The process's resident memory in KiB (from /proc); 0 when it cannot be read.
int64_t ResidentKiB();
// CPU seconds the calling thread has used.
double ThreadCpuSeconds();
} // namespace ProcessFigures
