#include "app/work_folder.h"

#include <type_traits>

#include "app/site.h"
#include "platform/platform.h"
#include "scripting/text_conversion.h"

namespace fs = std::filesystem;

namespace Norvell {
namespace {

// Empty until the work folder has been made once.
std::wstring& cachedWorkFolder() {
  static std::wstring path;
  return path;
}

}  // namespace

fs::path fileSystemPath(const std::wstring& path) {
  if constexpr (std::is_same_v<fs::path::value_type, wchar_t>) {
    return fs::path(path);
  } else {
    // The library would convert wide text through the "C" locale, which
    // fails on every non-ASCII character; file names here are UTF-8.
    const std::string utf8 = FB::toUtf8(path);
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
  }
}

std::wstring widePathText(const fs::path& path) {
  if constexpr (std::is_same_v<fs::path::value_type, wchar_t>) {
    return path.wstring();
  } else {
    return FB::toWide(path.string());
  }
}

std::wstring workFolder() {
  std::wstring& cached = cachedWorkFolder();
  if (!cached.empty()) return cached;
  const fs::path folder =
      fileSystemPath(FB::Platform::instance().temporaryFolder()) / fileSystemPath(kSiteFolderName);
  // Both raise filesystem_error; the cache then stays empty.
  if (!fs::exists(folder)) fs::create_directories(folder);
  cached = widePathText(folder);
  return cached;
}

std::string recoveryFolder(const std::string& folder) {
  FB::Platform& platform = FB::Platform::instance();
  fs::path path = fileSystemPath(workFolder()) / "recovery";
  // Joining an empty name would only add a trailing separator.
  if (!folder.empty()) path /= fileSystemPath(platform.widePath(folder));
  if (!fs::exists(path)) fs::create_directories(path);
  return platform.narrowPath(widePathText(path));
}

void resetWorkFolderForTesting() { cachedWorkFolder().clear(); }

}  // namespace Norvell
