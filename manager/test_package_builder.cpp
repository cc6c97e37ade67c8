#include "manager/test_package_builder.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include <zip.h>

namespace Norvell::testing {
namespace {

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("test package: ") + what + " failed");
}

unsigned littleEndian16(const std::string& bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes.at(at)) | static_cast<unsigned char>(bytes.at(at + 1)) << 8;
}

void setLittleEndian16(std::string& bytes, std::size_t at, unsigned value) {
  bytes.at(at) = static_cast<char>(value & 0xff);
  bytes.at(at + 1) = static_cast<char>(value >> 8);
}

}  // namespace

void writePackage(const std::filesystem::path& path, const std::vector<PackageEntry>& entries) {
  zipFile zip = zipOpen(path.string().c_str(), APPEND_STATUS_CREATE);
  check(zip != nullptr, "zipOpen");
  for (const PackageEntry& entry : entries) {
    const int method = entry.compressed ? Z_DEFLATED : 0;
    check(zipOpenNewFileInZip(zip, entry.name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, method,
                              Z_DEFAULT_COMPRESSION) == ZIP_OK, "zipOpenNewFileInZip");
    if (!entry.data.empty()) {
      check(zipWriteInFileInZip(zip, entry.data.data(), static_cast<unsigned>(entry.data.size())) == ZIP_OK,
            "zipWriteInFileInZip");
    }
    check(zipCloseFileInZip(zip) == ZIP_OK, "zipCloseFileInZip");
  }
  check(zipClose(zip, nullptr) == ZIP_OK, "zipClose");
}

std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::size_t firstEntryDataOffset(const std::string& package) {
  // Local header: 30 fixed bytes, then the name and the extra field.
  return 30 + littleEndian16(package, 26) + littleEndian16(package, 28);
}

void setFirstEntryMethod(std::string& package, unsigned method) {
  setLittleEndian16(package, 8, method);
  const std::size_t central = package.find("PK\x01\x02");
  check(central != std::string::npos, "finding the central directory");
  setLittleEndian16(package, central + 10, method);
}

}  // namespace Norvell::testing
