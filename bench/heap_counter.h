// Heap accounting for the benchmarks that report memory: linking
// heap_counter.cpp into a program routes every plain new/delete through a
// counter of live bytes that remembers its peak. Any thread.
#pragma once

#include <cstddef>

namespace nz_bench {

// Starts peak accounting from the bytes live now; answers that base.
std::size_t resetHeapPeak();
// The most bytes live at once since the last reset.
std::size_t heapPeak();
// Bytes allocated and not yet freed.
std::size_t liveHeapBytes();
// Allocations made since the program started.
std::size_t allocationCount();

}  // namespace nz_bench
