#include "manager/plugin_folder_paths.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace Norvell {
namespace {

// The named components of a path, without the empty one a trailing
// separator gives.
std::vector<fs::path> componentsOf(const fs::path& path) {
  std::vector<fs::path> components;
  for (const fs::path& component : path) {
    if (!component.empty()) components.push_back(component);
  }
  return components;
}

}  // namespace

bool liesInsideFolder(const fs::path& path, const fs::path& folder) {
  std::error_code error;
  const fs::path resolvedPath = fs::weakly_canonical(path, error);
  if (error) return false;
  const fs::path resolvedFolder = fs::weakly_canonical(folder, error);
  if (error) return false;
  const std::vector<fs::path> inner = componentsOf(resolvedPath);
  const std::vector<fs::path> outer = componentsOf(resolvedFolder);
  return inner.size() > outer.size() && std::equal(outer.begin(), outer.end(), inner.begin());
}

bool isSafeNamePart(const std::string& name) {
  if (!name.empty() && name.back() == '.') return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
  });
}

}  // namespace Norvell
