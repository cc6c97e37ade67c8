#include "manager/test_package_builder.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

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

// Writes deflate's bits, first bit first; Huffman codes go in from their
// highest bit.
class BitWriter {
 public:
  void bits(std::uint32_t value, int count) {
    pending_ |= static_cast<std::uint64_t>(value) << pendingCount_;
    pendingCount_ += count;
    while (pendingCount_ >= 8) {
      out_ += static_cast<char>(pending_ & 0xff);
      pending_ >>= 8;
      pendingCount_ -= 8;
    }
  }
  static std::uint32_t reversed(std::uint32_t code, int length) {
    std::uint32_t result = 0;
    for (int i = 0; i < length; ++i) result = (result << 1) | ((code >> i) & 1);
    return result;
  }
  std::string finish() {
    if (pendingCount_ > 0) out_ += static_cast<char>(pending_ & 0xff);
    return out_;
  }

 private:
  std::string out_;
  std::uint64_t pending_ = 0;
  int pendingCount_ = 0;
};

// The CRC-32 of `count` zero bytes.
uLong zerosCrc(std::uint64_t count) {
  const std::string chunk(4096, '\0');
  uLong result = crc32(0, nullptr, 0);
  uLong block = crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<uInt>(chunk.size()));
  std::uint64_t blockLength = chunk.size();
  std::uint64_t blocks = count / chunk.size();
  for (; blocks > 0; blocks >>= 1) {
    if (blocks & 1) result = crc32_combine(result, block, static_cast<z_off_t>(blockLength));
    if (blocks > 1) {
      block = crc32_combine(block, block, static_cast<z_off_t>(blockLength));
      blockLength *= 2;
    }
  }
  const auto rest = static_cast<uInt>(count % chunk.size());
  return crc32(result, reinterpret_cast<const Bytef*>(chunk.data()), rest);
}

// Writes an entry of 1 + 258 * `runs` zero bytes from a deflate stream made
// by hand: one final block with the fixed codes holding the literal 0, then
// `runs` copies of "258 bytes from distance 1", then the end of the block.
void writeZeroRuns(zipFile zip, const std::string& name, std::uint64_t runs) {
  BitWriter stream;
  stream.bits(1, 1);                                       // last block
  stream.bits(1, 2);                                       // fixed Huffman codes
  stream.bits(BitWriter::reversed(0x30, 8), 8);            // literal 0
  const std::uint32_t run = BitWriter::reversed(0xC5, 8);  // length code 285 (258), then distance code 0 (1)
  for (std::uint64_t i = 0; i < runs; ++i) stream.bits(run, 13);
  stream.bits(0, 7);                                       // end of block
  const std::string data = stream.finish();
  const std::uint64_t size = 1 + 258 * runs;
  check(zipOpenNewFileInZip2(zip, name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                             Z_DEFAULT_COMPRESSION, 1) == ZIP_OK, "zipOpenNewFileInZip2");
  check(zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())) == ZIP_OK, "zipWriteInFileInZip");
  check(zipCloseFileInZipRaw(zip, static_cast<uLong>(size), zerosCrc(size)) == ZIP_OK, "zipCloseFileInZipRaw");
}

}  // namespace

void writePackage(const std::filesystem::path& path, const std::vector<PackageEntry>& entries) {
  zipFile zip = zipOpen(path.string().c_str(), APPEND_STATUS_CREATE);
  check(zip != nullptr, "zipOpen");
  for (const PackageEntry& entry : entries) {
    if (entry.zeroRuns > 0) {
      writeZeroRuns(zip, entry.name, entry.zeroRuns);
      continue;
    }
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
