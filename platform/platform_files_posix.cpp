// The file operations of the Linux platform (see platform_posix.h): the
// temporary folder from $TMPDIR, the local application-data folder from
// $XDG_DATA_HOME or the home folder, UTF-8 narrow paths and stat()
// attributes. Stateless; callable from any thread.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/platform_posix.h"
#include "platform/system_platform.h"
#include "scripting/text_conversion.h"

namespace FB::os {

std::wstring temporaryFolder() {
  std::string folder = "/tmp/";
  if (const char* configured = std::getenv("TMPDIR"); configured != nullptr && configured[0] != '\0') {
    folder = configured;
    if (folder.back() != '/') folder += '/';
  }
  try {
    return widePath(folder);
  } catch (const std::exception&) {
    return L"/tmp/";  // $TMPDIR is not UTF-8
  }
}

namespace {

// `folder` without trailing slashes ("/" stays as it is).
std::string withoutTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// $HOME, else the home folder of the password database; empty when neither
// names one.
std::string homeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
  const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr) {
    return {};
  }
  return found->pw_dir;
}

}  // namespace

std::wstring localAppDataFolder() {
  // The XDG base-directory rules ignore a relative $XDG_DATA_HOME.
  if (const char* configured = std::getenv("XDG_DATA_HOME"); configured != nullptr && configured[0] == '/') {
    try {
      return widePath(withoutTrailingSlashes(configured));
    } catch (const std::exception&) {
      // not UTF-8: fall back to the home folder
    }
  }
  const std::string home = homeFolder();
  if (home.empty() || home[0] != '/') throw std::runtime_error("The home folder of this user is unknown");
  try {
    return widePath(withoutTrailingSlashes(home) + (home == "/" ? "" : "/") + ".local/share");
  } catch (const std::exception&) {
    throw std::runtime_error("The home folder of this user is not named in UTF-8");
  }
}

std::string narrowPath(const std::wstring& path) { return toUtf8(path); }

std::wstring widePath(const std::string& narrow) { return toWide(narrow); }

PathAttributes pathAttributes(const std::wstring& path) {
  // stat() would see only the part before a NUL, that is another path.
  if (path.find(L'\0') != std::wstring::npos) return PathAttributes::of(PathStatus::Missing);
  std::string narrow;
  try {
    narrow = narrowPath(path);
  } catch (const std::exception&) {
    return PathAttributes::of(PathStatus::Missing);  // not a Unicode text: no file has this name
  }
  struct stat info {};
  if (::stat(narrow.c_str(), &info) == 0) return PathAttributes::of(PathStatus::Exists);
  const int error = errno;
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
      return PathAttributes::of(PathStatus::Missing);
    default:
      return PathAttributes::failure(error, std::system_category().message(error));
  }
}

}  // namespace FB::os
