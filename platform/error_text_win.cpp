// FB::win::systemErrorText: message texts of Windows error codes. See
// platform_win.h. Callable from any thread.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/platform_win.h"
#include "scripting/text_conversion.h"

namespace FB::win {

std::string systemErrorText(unsigned long code, const wchar_t* messageModule) {
  DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  HMODULE module = messageModule != nullptr ? GetModuleHandleW(messageModule) : nullptr;
  if (module != nullptr) flags |= FORMAT_MESSAGE_FROM_HMODULE;
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(flags, module, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::wstring text(buffer != nullptr ? buffer : L"", length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) return "Error " + std::to_string(code);
  return toUtf8(text);
}

}  // namespace FB::win
