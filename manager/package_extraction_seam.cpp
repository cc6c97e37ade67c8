#include "manager/package_extraction_seam.h"

namespace Norvell {

bool extractPackageSeam(const std::string& /*packagePath*/, const std::string& /*destinationFolder*/) {
  // No zip reader yet: see the header. Replace with
  //   return extractPackage(packagePath, destinationFolder);
  // once manager/package_extraction.h is part of the build.
  return false;
}

}  // namespace Norvell
