// Checks that keep the plug-in manager's file work inside the plug-ins
// folder: whether a path lies below a folder, and whether a text built from
// a package's or page's fields can serve as one file or folder name there.
//
// Pure functions (the first reads the file system to resolve links); any
// thread.
#pragma once

#include <filesystem>
#include <string>

namespace Norvell {

// True when `path` lies strictly below `folder`, both taken after resolving
// links and ".." as far as they exist. False when either cannot be resolved.
bool liesInsideFolder(const std::filesystem::path& path, const std::filesystem::path& folder);

// True when `name` names one entry of a folder and nothing else: not empty,
// not "." or "..", and free of "/", "\", ":" and control characters.
bool isPlainFileName(const std::string& name);

}  // namespace Norvell
