// The file operations of the Linux platform (see platform_posix.h): the
// work folder's root from $XDG_CACHE_HOME or the home folder, private
// folders, the local application-data folder from $XDG_DATA_HOME or the
// home folder, UTF-8 narrow paths and stat() attributes. Stateless;
// callable from any thread.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/platform_posix.h"
#include "platform/system_platform.h"
#include "scripting/text_conversion.h"

namespace FB::posix {

const char* privateFolderProblem(mode_t mode, uid_t owner, uid_t user) {
  if (S_ISLNK(mode)) return "The folder is a link";
  if (!S_ISDIR(mode)) return "The path is not a folder";
  if (owner != user) return "The folder belongs to another user";
  if ((mode & (S_IRWXG | S_IRWXO)) != 0) return "The folder is open to other users";
  return nullptr;
}

}  // namespace FB::posix

namespace FB::os {
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

// The folder that $`variable` names when it is absolute (the XDG
// base-directory rules ignore a relative one) and UTF-8, else the home
// folder joined with `inHome`; without a trailing slash.
std::wstring xdgFolder(const char* variable, const char* inHome) {
  if (const char* configured = std::getenv(variable); configured != nullptr && configured[0] == '/') {
    try {
      return widePath(withoutTrailingSlashes(configured));
    } catch (const std::exception&) {
      // not UTF-8: fall back to the home folder
    }
  }
  const std::string home = homeFolder();
  if (home.empty() || home[0] != '/') throw std::runtime_error("The home folder of this user is unknown");
  try {
    return widePath(withoutTrailingSlashes(home) + (home == "/" ? "" : "/") + inHome);
  } catch (const std::exception&) {
    throw std::runtime_error("The home folder of this user is not named in UTF-8");
  }
}

[[noreturn]] void throwErrno(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

}  // namespace

std::wstring temporaryFolder() { return xdgFolder("XDG_CACHE_HOME", ".cache") + L'/'; }

void makePrivateFolder(const std::wstring& path) {
  const std::string folder = withoutTrailingSlashes(narrowPath(path));
  if (folder.empty() || folder.find('\0') != std::string::npos) throwErrno(EINVAL, "Not a folder name");
  // Missing parents are made private too, as the XDG rules ask for the
  // cache folder; existing ones are taken as they are.
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1)) {
    if (folder[slash - 1] == '/') continue;
    const std::string parent = folder.substr(0, slash);
    if (::mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST) throwErrno(errno, "Could not create " + parent);
  }
  if (::mkdir(folder.c_str(), 0700) == 0) {
    // The umask may have taken the owner's own bits away.
    if (::chmod(folder.c_str(), 0700) != 0) throwErrno(errno, "Could not set the mode of " + folder);
  } else if (errno != EEXIST) {
    throwErrno(errno, "Could not create " + folder);
  }
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) throwErrno(errno, "Could not read " + folder);
  if (const char* problem = posix::privateFolderProblem(info.st_mode, info.st_uid, ::geteuid())) {
    throwErrno(EACCES, problem);
  }
}

std::wstring localAppDataFolder() { return xdgFolder("XDG_DATA_HOME", ".local/share"); }

// UTF-8 holds every character, so only text that is not Unicode (a
// surrogate or a value beyond U+10FFFF, bytes that are not UTF-8) fails.
std::string narrowPath(const std::wstring& path) {
  try {
    return toUtf8(path);
  } catch (const std::exception&) {
    throwUnconvertiblePath();
  }
}

std::wstring widePath(const std::string& narrow) {
  try {
    return toWide(narrow);
  } catch (const std::exception&) {
    throwUnconvertiblePath();
  }
}

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

namespace {

bool flushOpened(const std::filesystem::path& path, int flags) {
  const int descriptor = ::open(path.c_str(), flags | O_CLOEXEC);
  if (descriptor < 0) return false;
  // fsync through any descriptor writes the file's pending data and size.
  const bool flushed = ::fsync(descriptor) == 0;
  return ::close(descriptor) == 0 && flushed;
}

}  // namespace

bool flushFileToDisk(const std::filesystem::path& path) { return flushOpened(path, O_RDONLY); }

bool flushFolderToDisk(const std::filesystem::path& path) { return flushOpened(path, O_RDONLY | O_DIRECTORY); }

}  // namespace FB::os
