// FB::testing::ScopedAllocationLimit: while it lives, operator new on the
// constructing thread throws std::bad_alloc for every block larger than the
// limit, so a test can watch code run out of memory without using
// gigabytes. Other threads allocate as usual.
//
// Only for test programs that list testing/allocation_limit.cpp among their
// sources: that file replaces the global operator new of the program.
//
// Test code; construct and destroy on the same thread.
#pragma once

#include <cstddef>

namespace FB::testing {

class ScopedAllocationLimit {
 public:
  explicit ScopedAllocationLimit(std::size_t largestBlock);
  ~ScopedAllocationLimit();
  ScopedAllocationLimit(const ScopedAllocationLimit&) = delete;
  ScopedAllocationLimit& operator=(const ScopedAllocationLimit&) = delete;

  // How many allocations were refused on this thread since construction.
  int refused() const;
  // False where the program's operator new is not the one called: under
  // valgrind, whose allocator replaces it. Tests then skip.
  static bool works();

 private:
  std::size_t previous_;
  int refusedBefore_;
};

}  // namespace FB::testing
