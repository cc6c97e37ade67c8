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

// True when `name` holds only ASCII letters, digits, '.', '-' and '_' and
// does not end in '.'. Such texts, alone or joined one after the other, name
// one entry of a folder on every system: no separator, no drive, no "..",
// nothing Windows would trim or read in another encoding. The empty text
// passes; callers that need a name check for it.
bool isSafeNamePart(const std::string& name);

}  // namespace Norvell
