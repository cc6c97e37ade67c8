#include "scripting/text_conversion.h"

#include <cstdint>
#include <iterator>

#include <utf8.h>

namespace FB {

std::string toUtf8(std::wstring_view wide) {
  std::string out;
  // Plain ASCII, as nearly every member name is, is the same in both forms.
  std::size_t ascii = 0;
  while (ascii < wide.size() && static_cast<std::uint32_t>(wide[ascii]) < 0x80) ++ascii;
  if (ascii == wide.size()) {
    out.resize(wide.size());
    for (std::size_t i = 0; i < ascii; ++i) out[i] = static_cast<char>(wide[i]);
    return out;
  }
  out.reserve(wide.size());
  if constexpr (sizeof(wchar_t) == 2) {
    utf8::utf16to8(wide.begin(), wide.end(), std::back_inserter(out));
  } else {
    utf8::utf32to8(wide.begin(), wide.end(), std::back_inserter(out));
  }
  return out;
}

std::wstring toWide(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  if constexpr (sizeof(wchar_t) == 2) {
    utf8::utf8to16(utf8.begin(), utf8.end(), std::back_inserter(out));
  } else {
    utf8::utf8to32(utf8.begin(), utf8.end(), std::back_inserter(out));
  }
  return out;
}

}  // namespace FB
