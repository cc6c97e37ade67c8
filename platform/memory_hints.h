// Hints to the system about how memory will be used; any thread.
//
// FB::adviseLargePages asks the system to back a region with large pages
// where it can (transparent huge pages on Linux; nothing on Windows, where
// large pages need a privilege a browser does not hold). Filling a fresh
// region of many megabytes otherwise costs one page fault per 4 KiB.
// FB::sizeForFilling makes a string of `size` characters, with that hint
// for a large one, for a reader that fills it next.
#pragma once

#include <cstddef>
#include <string>

namespace FB {

void adviseLargePages(void* start, std::size_t length) noexcept;

inline void sizeForFilling(std::string& text, std::size_t size) {
  constexpr std::size_t kLargeEnough = std::size_t{4} << 20;
  if (size >= kLargeEnough) {
    text.reserve(size);  // allocates without touching the pages
    adviseLargePages(text.data(), size);
  }
  text.resize(size);
}

}  // namespace FB
