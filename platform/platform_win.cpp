// The Windows answers to the module path and the proxy list (the other
// operations live in platform_files_win.cpp and platform_dialogs_win.cpp).
// Stateless; callable from any thread.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/platform_win.h"
#include "platform/system_platform.h"
#include "scripting/text_conversion.h"

namespace FB {
namespace {

// Path of the DLL (or program) that this code was linked into: the module
// containing this very function. The module handle is borrowed, so its
// reference count stays untouched. The path is cut at MAX_PATH characters.
std::string thisModulePath() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&thisModulePath), &module)) {
    return {};
  }
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  return toUtf8(std::wstring_view(path, length));
}

}  // namespace

std::string os::modulePath() { return thisModulePath(); }

SystemProxyList os::systemProxyList() { return win::winInetProxyList(); }

}  // namespace FB
