// The replaceable global operator new of a test program, with a per-thread
// limit (see allocation_limit.h). Blocks come from malloc, which the
// library's operator delete hands back to free.
#include "testing/allocation_limit.h"

#include <cstdlib>
#include <limits>
#include <new>

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define NZ_RUNNING_ON_VALGRIND() (RUNNING_ON_VALGRIND != 0)
#else
#define NZ_RUNNING_ON_VALGRIND() false
#endif

// ThreadSanitizer's runtime defines operator new itself, and a program may
// hold only one: there the limit is not available and its tests skip.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define NZ_OWN_OPERATOR_NEW 0
#endif
#endif
#ifndef NZ_OWN_OPERATOR_NEW
#define NZ_OWN_OPERATOR_NEW 1
#endif

namespace {

thread_local std::size_t t_largestBlock = std::numeric_limits<std::size_t>::max();
thread_local int t_refused = 0;

[[maybe_unused]] void* allocate(std::size_t size) {
  if (size > t_largestBlock) {
    ++t_refused;
    throw std::bad_alloc();
  }
  if (size == 0) size = 1;
  for (;;) {
    if (void* block = std::malloc(size)) return block;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

}  // namespace

#if NZ_OWN_OPERATOR_NEW
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
#endif

namespace FB::testing {

ScopedAllocationLimit::ScopedAllocationLimit(std::size_t largestBlock)
    : previous_(t_largestBlock), refusedBefore_(t_refused) {
  t_largestBlock = largestBlock;
}

ScopedAllocationLimit::~ScopedAllocationLimit() { t_largestBlock = previous_; }

int ScopedAllocationLimit::refused() const { return t_refused - refusedBefore_; }

bool ScopedAllocationLimit::works() { return NZ_OWN_OPERATOR_NEW && !NZ_RUNNING_ON_VALGRIND(); }

}  // namespace FB::testing
