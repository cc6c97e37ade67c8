// The file operations of the Linux platform (see platform_posix.h): the
// temporary folder from $TMPDIR, UTF-8 narrow paths and stat() attributes.
// Stateless; callable from any thread.
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <string>
#include <system_error>
#include <utility>

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
