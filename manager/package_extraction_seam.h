// The one place where the plug-in manager hands a downloaded zip package to
// the zip reader. The reader (Norvell::extractPackage in
// manager/package_extraction.h) is not part of this build yet; until it is,
// this answers false for every package, so every installation fails cleanly
// (the download's record is dropped and the page hears false). When the
// reader lands, this forwards to it and nothing else changes.
//
// Main thread only, like the installation that calls it.
#pragma once

#include <string>

namespace Norvell {

// Unpacks the package file at `packagePath` into `destinationFolder`
// (narrow paths). Answers true when every entry was unpacked.
bool extractPackageSeam(const std::string& packagePath, const std::string& destinationFolder);

}  // namespace Norvell
