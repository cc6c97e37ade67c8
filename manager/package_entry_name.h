// The rules for entry names of a plug-in package: which entries are folders
// and which names are safe to write below the destination folder.
//
// Stateless; callable from any thread.
#pragma once

#include <string_view>

namespace Norvell {

// True for a folder entry: a name ending with "/" or a backslash.
bool isFolderEntryName(std::string_view name);

// True when `name`, appended to the destination folder's path, names
// something inside that folder on every platform the packages are made
// for. Refused: names holding a NUL byte, names starting with "/" or a
// backslash, names starting with a drive letter and ":", and names with a
// part, between "/" or backslash separators, made only of dots and blanks
// with at least two dots ("..", "...", ". ." - Windows trims trailing dots
// and blanks, so some of those become "..").
bool isSafeEntryName(std::string_view name);

}  // namespace Norvell
