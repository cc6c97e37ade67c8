#include "manager/package_file_access.h"

namespace Norvell {

unzFile openPackageArchive(const std::filesystem::path& path) { return unzOpen(path.c_str()); }

std::FILE* createOutputFile(const std::filesystem::path& path) { return std::fopen(path.c_str(), "wb"); }

}  // namespace Norvell
