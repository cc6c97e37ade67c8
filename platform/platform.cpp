// Selection of the process-wide FB::Platform. See platform.h.
#include "platform/platform.h"

#include <atomic>
#include <filesystem>
#include <system_error>

#include "platform/system_platform.h"

namespace FB {
namespace {

std::atomic<Platform*> substitute{nullptr};

// The operating system's own answers.
class SystemPlatform final : public Platform {
 public:
  std::string modulePath() override { return os::modulePath(); }
  SystemProxyList systemProxyList() override { return os::systemProxyList(); }
  std::wstring temporaryFolder() override { return os::temporaryFolder(); }
  void makePrivateFolder(const std::wstring& path) override { os::makePrivateFolder(path); }
  std::wstring localAppDataFolder() override { return os::localAppDataFolder(); }
  std::string narrowPath(const std::wstring& path) override { return os::narrowPath(path); }
  std::wstring widePath(const std::string& narrow) override { return os::widePath(narrow); }
  PathAttributes pathAttributes(const std::wstring& path) override { return os::pathAttributes(path); }
  bool flushFileToDisk(const std::filesystem::path& path) override { return os::flushFileToDisk(path); }
  bool flushFolderToDisk(const std::filesystem::path& path) override { return os::flushFolderToDisk(path); }
  int osMajorVersion() override { return os::osMajorVersion(); }
  FileDialogResult showFileDialog(const FileDialogRequest& request) override { return os::showFileDialog(request); }
  FolderDialogResult showFolderDialog(const FolderDialogRequest& request) override {
    return os::showFolderDialog(request);
  }
  void endDialogs() override { os::endDialogs(); }
  void appendLibrarySearchPath(const std::wstring& folder) override { os::appendLibrarySearchPath(folder); }
  ModuleCallResult callModuleEntryPoint(const std::wstring& path, const std::string& name) override {
    return os::callModuleEntryPoint(path, name);
  }
};

}  // namespace

void os::throwUnconvertiblePath() {
  throw std::filesystem::filesystem_error("Could not convert path",
                                          std::make_error_code(std::errc::illegal_byte_sequence));
}

Platform::~Platform() = default;

Platform& Platform::systemInstance() {
  static SystemPlatform platform;
  return platform;
}

Platform& Platform::instance() {
  Platform* platform = substitute.load(std::memory_order_acquire);
  return platform ? *platform : systemInstance();
}

Platform* Platform::setInstanceForTesting(Platform* platform) {
  return substitute.exchange(platform, std::memory_order_acq_rel);
}

}  // namespace FB
