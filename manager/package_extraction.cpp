#include "manager/package_extraction.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>

#include "manager/narrow_path.h"
#include "manager/package_entry_name.h"
#include "manager/package_file_access.h"
#include "manager/package_limits.h"

namespace fs = std::filesystem;

namespace Norvell {
namespace {

// Entry data goes through this one buffer in chunks of its size; nothing is
// allocated per chunk. Main thread only, like every extraction.
constexpr unsigned kChunkSize = 65536;
char chunk[kChunkSize];

// Entry names must fit this buffer with their terminating NUL; longer names
// fail the extraction instead of being cut to another name.
constexpr uLong kNameBufferSize = 1024;

struct ArchiveCloser {
  void operator()(void* archive) const { unzClose(archive); }
};
using OpenArchive = std::unique_ptr<void, ArchiveCloser>;

// Removes whatever is at `folder` (a link itself, not what it points to)
// and creates `folder` as one new, empty folder. Trailing separators are
// dropped first: through "name/" the system would not see a file at "name".
void prepareDestination(fs::path folder) {
  while (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
  const fs::file_status status = fs::symlink_status(folder);
  if (fs::is_directory(status)) {
    fs::remove_all(folder);
  } else if (fs::exists(status)) {
    fs::remove(folder);
  }
  fs::create_directory(folder);
}

// `folder` followed by one separator unless it already ends with one. On
// Windows "/" and the backslash both separate; on Linux only "/" does.
std::string outputPrefix(const std::string& folder) {
  const char preferred = static_cast<char>(fs::path::preferred_separator);
  if (!folder.empty() && (folder.back() == '/' || folder.back() == preferred)) return folder;
  return folder + preferred;
}

// The path that narrow text names, or nothing when the text is not a path
// in the platform's narrow file-name encoding.
std::optional<fs::path> pathOf(const std::string& narrow) {
  try {
    return pathFromNarrow(narrow);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// The current entry's name and declared unpacked size.
struct EntryInfo {
  std::string name;
  std::uint64_t size = 0;
};

// The current entry's name and size, or nothing when they cannot be read or
// the name does not fit the name buffer.
std::optional<EntryInfo> currentEntry(unzFile archive) {
  char name[kNameBufferSize];
  unz_file_info info;
  if (unzGetCurrentFileInfo(archive, &info, name, kNameBufferSize, nullptr, 0, nullptr, 0) != UNZ_OK) return std::nullopt;
  if (info.size_filename >= kNameBufferSize) return std::nullopt;
  return EntryInfo{std::string(name, info.size_filename), info.uncompressed_size};
}

// Walks the `count` entries from the first one, calling `visit` (which
// answers whether to go on) for each. False when an entry cannot be read or
// `visit` stops the walk.
template <class Visit>
bool forEachEntry(unzFile archive, uLong count, Visit visit) {
  if (count > 0 && unzGoToFirstFile(archive) != UNZ_OK) return false;
  for (uLong i = 0; i < count; ++i) {
    const std::optional<EntryInfo> entry = currentEntry(archive);
    if (!entry || !visit(*entry)) return false;
    if (i + 1 < count && unzGoToNextFile(archive) != UNZ_OK) return false;
  }
  return true;
}

// Whether the package may be unpacked at all, judged from its directory
// before anything is written: not too many entries, every name safe, and
// the declared sizes within the total limit.
bool packageAcceptable(unzFile archive, uLong count) {
  if (count > kMaxPackageEntries) return false;
  std::uint64_t declared = 0;
  return forEachEntry(archive, count, [&](const EntryInfo& entry) {
    if (!isSafeEntryName(entry.name)) return false;
    declared += entry.size;
    return declared <= kMaxUnpackedBytes;
  });
}

// Copies the open entry's data to `out`, taking what it writes from
// `budget`; false on a read or write error or when the budget runs out
// (the declared sizes were checked, the data is counted as well).
bool copyEntryData(unzFile archive, std::FILE* out, std::uint64_t& budget) {
  for (;;) {
    const int read = unzReadCurrentFile(archive, chunk, kChunkSize);
    if (read < 0) return false;
    if (read == 0) return true;
    const auto size = static_cast<std::size_t>(read);
    if (size > budget) return false;
    budget -= size;
    if (std::fwrite(chunk, 1, size, out) != size) return false;
  }
}

// Writes the current entry to a file at `target`. The entry and the file are
// closed again on every path; a checksum mismatch reported when the entry
// is closed fails it like any other error.
bool writeCurrentEntry(unzFile archive, const fs::path& target, std::uint64_t& budget) {
  if (unzOpenCurrentFile(archive) != UNZ_OK) return false;
  std::FILE* out = createOutputFile(target);
  if (out == nullptr) {
    unzCloseCurrentFile(archive);
    return false;
  }
  bool ok = copyEntryData(archive, out, budget);
  ok = std::fclose(out) == 0 && ok;
  ok = unzCloseCurrentFile(archive) == UNZ_OK && ok;
  return ok;
}

}  // namespace

bool extractPackage(const std::string& packagePath, const std::string& destinationFolder) {
  prepareDestination(pathFromNarrow(destinationFolder));

  const std::optional<fs::path> package = pathOf(packagePath);
  if (!package) return false;
  const OpenArchive archive(openPackageArchive(*package));
  if (!archive) return false;
  unz_global_info global;
  if (unzGetGlobalInfo(archive.get(), &global) != UNZ_OK) return false;

  if (!packageAcceptable(archive.get(), global.number_entry)) return false;

  const std::string prefix = outputPrefix(destinationFolder);
  std::uint64_t budget = kMaxUnpackedBytes;
  return forEachEntry(archive.get(), global.number_entry, [&](const EntryInfo& entry) {
    if (isFolderEntryName(entry.name)) return true;
    const std::optional<fs::path> target = pathOf(prefix + entry.name);
    return target && writeCurrentEntry(archive.get(), *target, budget);
  });
}

}  // namespace Norvell
