#include "manager/package_file_access.h"

#include <iowin32.h>

namespace Norvell {

unzFile openPackageArchive(const std::filesystem::path& path) {
  // minizip's own Win32 file functions, which open the archive by its wide
  // name (the path argument is then a wchar_t text).
  zlib_filefunc64_def functions;
  fill_win32_filefunc64W(&functions);
  return unzOpen2_64(path.c_str(), &functions);
}

std::FILE* createOutputFile(const std::filesystem::path& path) { return _wfopen(path.c_str(), L"wb"); }

}  // namespace Norvell
