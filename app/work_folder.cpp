#include "app/work_folder.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <type_traits>

#include "app/site.h"
#include "platform/platform.h"
#include "scripting/script_error.h"
#include "scripting/text_conversion.h"

namespace fs = std::filesystem;

namespace Norvell {
namespace {

const char* const kWorkFolderUnusable = "Could not use the work folder";
const char* const kInvalidRecoveryFolder = "Invalid recovery folder";

// Empty until the work folder has been made once.
std::wstring& cachedWorkFolder() {
  static std::wstring path;
  return path;
}

// Where the work folder lies (whether or not it exists yet).
fs::path workFolderPath() {
  return fileSystemPath(FB::Platform::instance().temporaryFolder()) / fileSystemPath(kSiteFolderName);
}

// A name that climbs: "..", and anything else made of dots and blanks only
// (Windows drops trailing dots and blanks, so ".. " and "..." can reach the
// parent there). "." stays where it is and is allowed.
template <class Char>
bool climbs(const std::basic_string<Char>& name) {
  if (name.size() == 1 && name[0] == Char('.')) return false;
  return std::all_of(name.begin(), name.end(), [](Char c) { return c == Char('.') || c == Char(' '); });
}

// The folder names of `text` as a path relative to the recovery folder: a
// root name (a drive, a server) and a root separator are not names and are
// left out, so the result never leaves the recovery folder. A name that
// climbs, or a NUL (the system would stop reading there), raises "Invalid
// recovery folder".
fs::path namesBelow(const fs::path& text) {
  fs::path below;
  for (const fs::path& element : text.relative_path()) {
    const auto& name = element.native();
    if (name.empty()) continue;  // a trailing separator
    if (climbs(name) || name.find(fs::path::value_type(0)) != fs::path::string_type::npos) {
      throw FB::script_error(kInvalidRecoveryFolder);
    }
    below /= element;
  }
  return below;
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
  fs::path folder;
  try {
    folder = workFolderPath();
    // Made private to this user, or refused when someone else could reach
    // it (a link, another owner, open permissions).
    FB::Platform::instance().makePrivateFolder(widePathText(folder));
  } catch (const std::system_error& e) {
    throw fs::filesystem_error(kWorkFolderUnusable, folder, e.code());
  } catch (const std::exception&) {
    throw fs::filesystem_error(kWorkFolderUnusable, folder, std::make_error_code(std::errc::no_such_file_or_directory));
  }
  cached = widePathText(folder);
  return cached;
}

bool liesInWorkFolder(const fs::path& path) {
  fs::path folder;
  try {
    folder = workFolderPath().lexically_normal().parent_path();  // without the trailing separator
  } catch (const std::exception&) {
    return false;  // no work folder on this system
  }
  const fs::path relative = path.lexically_normal().lexically_relative(folder);
  return !relative.empty() && *relative.begin() != "..";
}

std::string recoveryFolder(const std::string& folder) {
  FB::Platform& platform = FB::Platform::instance();
  // Checked before anything is made.
  const fs::path below = namesBelow(fileSystemPath(platform.widePath(folder)));
  fs::path path = fileSystemPath(workFolder()) / "recovery";
  // Joining an empty name would only add a trailing separator.
  if (!below.empty()) path /= below;
  if (!fs::exists(path)) fs::create_directories(path);
  return platform.narrowPath(widePathText(path));
}

void resetWorkFolderForTesting() { cachedWorkFolder().clear(); }

}  // namespace Norvell
