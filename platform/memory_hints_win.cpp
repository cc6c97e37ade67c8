#include "platform/memory_hints.h"

namespace FB {

// Large pages on Windows need the "lock pages in memory" privilege, which a
// browser process does not have: no hint to give.
void adviseLargePages(void* /*start*/, std::size_t /*length*/) noexcept {}

}  // namespace FB
