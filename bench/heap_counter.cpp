#include "bench/heap_counter.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Each block carries its size in front, so that every form of delete can
// count it off.
constexpr std::size_t kHeader = alignof(std::max_align_t);
std::atomic<std::size_t> g_liveBytes{0};
std::atomic<std::size_t> g_peakBytes{0};
std::atomic<std::size_t> g_allocations{0};

void* countedAllocate(std::size_t size) noexcept {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (!block) return nullptr;
  std::memcpy(block, &size, sizeof size);
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  const std::size_t live = g_liveBytes.fetch_add(size) + size;
  std::size_t peak = g_peakBytes.load();
  while (live > peak && !g_peakBytes.compare_exchange_weak(peak, live)) {
  }
  return block + kHeader;
}

void countedFree(void* pointer) noexcept {
  if (!pointer) return;
  auto* block = static_cast<unsigned char*>(pointer) - kHeader;
  std::size_t size;
  std::memcpy(&size, block, sizeof size);
  g_liveBytes.fetch_sub(size);
  std::free(block);
}

void* countedAllocateOrThrow(std::size_t size) {
  if (void* pointer = countedAllocate(size)) return pointer;
  throw std::bad_alloc();
}

}  // namespace

namespace nz_bench {

std::size_t resetHeapPeak() {
  const std::size_t live = g_liveBytes.load();
  g_peakBytes.store(live);
  return live;
}

std::size_t heapPeak() { return g_peakBytes.load(); }

std::size_t liveHeapBytes() { return g_liveBytes.load(); }

std::size_t allocationCount() { return g_allocations.load(); }

}  // namespace nz_bench

void* operator new(std::size_t size) { return countedAllocateOrThrow(size); }
void* operator new[](std::size_t size) { return countedAllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return countedAllocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return countedAllocate(size); }
void operator delete(void* pointer) noexcept { countedFree(pointer); }
void operator delete[](void* pointer) noexcept { countedFree(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { countedFree(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { countedFree(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { countedFree(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { countedFree(pointer); }
