// Checked conversions between the system's UTF-8 text (std::string) and the
// platform's wide text (std::wstring: UTF-16 on Windows, UTF-32 on Linux).
// Invalid input is never repaired: utfcpp's exceptions ("Invalid UTF-8",
// "Invalid UTF-16", "Invalid code point") propagate to the caller.
// Pure functions; safe from any thread.
#pragma once

#include <string>
#include <string_view>

namespace FB {

std::string toUtf8(std::wstring_view wide);
std::wstring toWide(std::string_view utf8);

}  // namespace FB
