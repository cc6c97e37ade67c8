#include "tools/dialog_helper/dialog_rules.h"

#include <sys/stat.h>

#include <algorithm>

namespace nz::dialog {
namespace {

bool isFolder(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The folder part of `path` ("/" for a name right below the root, "." for a
// bare name).
std::string folderOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

Refusal refusalFor(Kind kind, const std::string& path) {
  if (kind == Kind::Folder) return Refusal::None;
  if (!isFolder(folderOf(path))) return Refusal::PathNotFound;
  if (kind == Kind::Open) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return Refusal::FileNotFound;
  }
  return Refusal::None;
}

std::string refusalMessage(Refusal refusal, const std::string& name) {
  switch (refusal) {
    case Refusal::FileNotFound:
      return name + "\nFile not found.\nCheck the file name and try again.";
    case Refusal::PathNotFound:
      return name + "\nPath does not exist.\nCheck the path and try again.";
    case Refusal::None:
      break;
  }
  return "";
}

Size fitToWorkArea(Size wanted, Size workArea) {
  auto fit = [](int want, int area) {
    if (area <= 0) return std::max(want, 1);
    int limit = std::max(static_cast<int>(static_cast<long long>(area) * kMaxScreenPercent / 100), 1);
    return std::clamp(want, 1, limit);
  };
  return {fit(wanted.width, workArea.width), fit(wanted.height, workArea.height)};
}

}  // namespace nz::dialog
