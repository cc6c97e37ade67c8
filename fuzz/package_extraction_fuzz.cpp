// Any bytes as a plug-in package: written to a file and unpacked into a
// folder inside a private sandbox. Whatever the package holds, nothing
// appears in the sandbox but the package file and the destination folder,
// and the destination holds only plain files directly below it (no folders,
// no links).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "fuzz/fuzz_support.h"
#include "manager/package_extraction.h"

namespace fs = std::filesystem;
using nzfuzz::require;

namespace {

fs::path sandbox;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  sandbox = nzfuzz::processFolder("nz_package_fuzz_");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path package = sandbox / "package.zip";
  const fs::path destination = sandbox / "unpacked";
  {
    std::ofstream out(package, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    Norvell::extractPackage(package.string(), destination.string());
  } catch (const fs::filesystem_error&) {
    require(false, "the destination below a private folder can always be made");
  }

  std::error_code error;
  for (const auto& item : fs::recursive_directory_iterator(sandbox, error)) {
    const fs::path& path = item.path();
    if (path == package || path == destination) continue;
    require(path.parent_path() == destination, "nothing is written outside the destination folder");
    require(item.is_regular_file() && !item.is_symlink(), "a package unpacks to plain files only");
  }
  require(!error, "the sandbox can be listed");
  fs::remove_all(destination);
  return 0;
}
