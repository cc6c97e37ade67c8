// WindowsPlatform: FB::Platform for Windows, and the process-wide instance
// behind Platform::systemInstance(). Stateless; callable from any thread.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/platform_win.h"
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

class WindowsPlatform final : public Platform {
 public:
  std::string modulePath() override { return thisModulePath(); }

  SystemProxyList systemProxyList() override { return win::winInetProxyList(); }
  std::wstring temporaryFolder() override { return win::temporaryFolder(); }
  std::string narrowPath(const std::wstring& path) override { return win::narrowPath(path); }
  std::wstring widePath(const std::string& narrow) override { return win::widePath(narrow); }
  PathAttributes pathAttributes(const std::wstring& path) override { return win::pathAttributes(path); }
  int osMajorVersion() override { return win::osMajorVersion(); }
  FileDialogResult showFileDialog(const FileDialogRequest& request) override { return win::showFileDialog(request); }
  FolderDialogResult showFolderDialog(const FolderDialogRequest& request) override {
    return win::showFolderDialog(request);
  }
};

}  // namespace

Platform& Platform::systemInstance() {
  static WindowsPlatform platform;
  return platform;
}

}  // namespace FB
