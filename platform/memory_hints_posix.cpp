#include "platform/memory_hints.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace FB {

void adviseLargePages(void* start, std::size_t length) noexcept {
#ifdef MADV_HUGEPAGE
  // The advice applies to whole pages inside the region.
  static const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto begin = (reinterpret_cast<std::uintptr_t>(start) + pageSize - 1) & ~(pageSize - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(start) + length) & ~(pageSize - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)start;
  (void)length;
#endif
}

}  // namespace FB
