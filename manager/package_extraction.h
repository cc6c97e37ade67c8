// Unpacking a secondary plug-in's zip package into a folder of its own.
//
// Packages are flat: every file entry is written directly below the
// destination under its stored name; folder entries are skipped and no
// folders are created, so an entry inside a sub-folder fails the whole
// extraction. Names that could lead outside the destination are refused,
// and so are packages beyond the limits of package_limits.h (too many
// entries, or more unpacked data in total). Names and limits are checked
// for the whole package before the first file is written.
//
// Main thread only: every extraction reads through one shared static buffer,
// so two must never run at the same time.
#pragma once

#include <string>

namespace Norvell {

// Deletes whatever is at `destinationFolder` (narrow path text), creates it
// as one new folder (its parent must exist) and writes every entry of the
// zip file at `packagePath` (narrow path text) into it. Answers true only
// when every entry has been handled; on false the folder keeps what was
// written so far. Raises std::filesystem::filesystem_error when the
// destination cannot be deleted or created, and what the platform's path
// conversion raises for a destination text it cannot convert.
bool extractPackage(const std::string& packagePath, const std::string& destinationFolder);

}  // namespace Norvell
