// FileHandle: names, existence, permanent handles and the content readers.
// See file_handle.h.
#include "app/file_handle.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "app/base64.h"
#include "platform/memory_hints.h"
#include "platform/platform.h"
#include "scripting/script_error.h"

namespace {

namespace fs = std::filesystem;

// The path library takes wide text as the system's own on Windows (UTF-16)
// but converts it through the C locale elsewhere, which fails for anything
// beyond ASCII; UTF-32 text converts as Unicode everywhere.
fs::path toPath(const std::wstring& path) {
  if constexpr (sizeof(wchar_t) == 4) {
    return fs::path(std::u32string(path.begin(), path.end()));
  } else {
    return fs::path(path);
  }
}

bool isSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// "/", "\\", "C:/", "c:\\" and the like: nothing but separators after an
// optional drive letter and colon.
bool isRoot(const std::wstring& path) {
  std::size_t at = 0;
  if (path.size() >= 2 && path[1] == L':' &&
      ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'))) {
    at = 2;
  }
  return at < path.size() &&
         std::all_of(path.begin() + static_cast<std::ptrdiff_t>(at), path.end(), isSeparator);
}

// The system sees a path only up to a NUL character, so a path holding one
// would reach a different file; such a path names no file at all.
bool holdsNul(const std::wstring& path) { return path.find(L'\0') != std::wstring::npos; }

std::uintmax_t fileSize(const std::wstring& path) {
  if (holdsNul(path)) {
    throw fs::filesystem_error("cannot get file size", toPath(path),
                               std::make_error_code(std::errc::invalid_argument));
  }
  return fs::file_size(toPath(path));
}

// The bytes [start, start + count) that a reader returns, clipped to the file.
struct Range {
  std::uint64_t start = 0;
  std::uint64_t count = 0;
};

Range rangeOf(const std::wstring& path, std::optional<unsigned long long> offset,
              std::optional<unsigned long long> length) {
  const std::uint64_t size = fileSize(path);
  Range range;
  range.start = offset.value_or(0);
  if (range.start >= size) return {range.start, 0};
  const std::uint64_t available = size - range.start;
  range.count = std::min<std::uint64_t>(length.value_or(available), available);
  return range;
}

// The longest text a reader hands to script: both browser bindings count
// a string's bytes in 32 bits (NPAPI with room for a terminator), so a
// longer one could not reach the page anyway.
constexpr std::uint64_t kLongestResult = 0xFFFFFFFEu;
const char* const kRangeTooLarge = "The range is too large to read";
const char* const kNoMemory = "Not enough memory for the result";

// The result's length as a buffer size. A result longer than script can
// take, or than this process could address, is refused before anything is
// allocated.
std::size_t resultSize(std::uint64_t length) {
  if (length > kLongestResult || length > std::numeric_limits<std::size_t>::max() / 4 ||
      length > static_cast<std::uint64_t>(std::numeric_limits<std::streamsize>::max())) {
    throw FB::script_error(kRangeTooLarge);
  }
  return static_cast<std::size_t>(length);
}

// Runs a reader; running out of memory for its result becomes a script
// error instead of ending the browser.
template <class Reader>
std::string readingResult(Reader&& reader) {
  try {
    return reader();
  } catch (const std::bad_alloc&) {
    throw FB::script_error(kNoMemory);
  } catch (const std::length_error&) {
    throw FB::script_error(kNoMemory);
  }
}

std::wstring lowerAscii(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

struct MimeType {
  const wchar_t* extension;
  const wchar_t* type;
};
constexpr MimeType kMimeTypes[] = {
    {L".txt", L"text/plain"},
    {L".htm", L"text/html"},
    {L".html", L"text/html"},
    {L".css", L"text/css"},
    {L".csv", L"text/csv"},
    {L".xml", L"application/xml"},
    {L".json", L"application/json"},
    {L".js", L"application/javascript"},
    {L".pdf", L"application/pdf"},
    {L".rtf", L"application/rtf"},
    {L".zip", L"application/zip"},
    {L".gz", L"application/gzip"},
    {L".tar", L"application/x-tar"},
    {L".png", L"image/png"},
    {L".jpg", L"image/jpeg"},
    {L".jpeg", L"image/jpeg"},
    {L".gif", L"image/gif"},
    {L".svg", L"image/svg+xml"},
    {L".bmp", L"image/bmp"},
    {L".webp", L"image/webp"},
    {L".ico", L"image/vnd.microsoft.icon"},
    {L".tif", L"image/tiff"},
    {L".tiff", L"image/tiff"},
    {L".mp3", L"audio/mpeg"},
    {L".wav", L"audio/wav"},
    {L".mp4", L"video/mp4"},
};

}  // namespace

FileHandle::FileHandle(const std::wstring& path) : path_(path) {
  addProperty("name", FB::makeProperty(this, &FileHandle::name));
  addProperty("extension", FB::makeProperty(this, &FileHandle::extension));
  addProperty("fileExists", FB::makeProperty(this, &FileHandle::fileExists));
  addProperty("permanentHandle", FB::makeProperty(this, &FileHandle::permanentHandle));
  addProperty("type", FB::makeProperty(this, &FileHandle::type));
  addProperty("lastModifiedDate", FB::makeProperty(this, &FileHandle::lastModifiedDate));
  addMethod("contentsAsTextStream", FB::makeMethod(this, &FileHandle::contentsAsTextStream));
  addMethod("contentsAsBinaryStream", FB::makeMethod(this, &FileHandle::contentsAsBinaryStream));
}

FileHandle::~FileHandle() = default;

std::shared_ptr<FileHandle> FileHandle::fromPermanentHandle(const std::string& handle) {
  auto file = std::make_shared<FileHandle>(std::wstring());
  file->permanentHandle_ = handle;
  std::vector<unsigned char> bytes;
  try {
    bytes = Norvell::base64Decode(handle);
  } catch (const std::exception&) {
    bytes.clear();  // not Base64: the handle names no file
  }
  const std::string narrow(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
  try {
    file->path_ = FB::Platform::instance().widePath(narrow);
  } catch (const std::exception&) {
    // Not text in the file-name encoding (possible where that encoding is
    // UTF-8): no file has this name either.
  }
  return file;
}

std::wstring FileHandle::name() const {
  const std::size_t last = path_.find_last_of(L"/\\");
  if (last == std::wstring::npos) return path_;
  if (last + 1 < path_.size()) return path_.substr(last + 1);
  return isRoot(path_) ? path_ : L".";
}

std::wstring FileHandle::extension() const {
  const std::wstring final = name();
  if (final == L"." || final == L"..") return {};
  const std::size_t dot = final.rfind(L'.');
  return dot == std::wstring::npos ? std::wstring() : final.substr(dot);
}

bool FileHandle::fileExists() const {
  const FB::PathAttributes attributes = FB::Platform::instance().pathAttributes(path_);
  switch (attributes.status) {
    case FB::PathStatus::Exists:
      return true;
    case FB::PathStatus::Missing:
      return false;
    case FB::PathStatus::Error:
      break;
  }
  throw fs::filesystem_error(attributes.error, toPath(path_),
                             std::error_code(attributes.errorCode, std::system_category()));
}

std::string FileHandle::permanentHandle() const {
  if (!permanentHandle_.empty()) return permanentHandle_;
  const std::string narrow = FB::Platform::instance().narrowPath(path_);
  return readingResult(
      [&] { return Norvell::base64Encode(reinterpret_cast<const unsigned char*>(narrow.data()), narrow.size()); });
}

std::wstring FileHandle::type() const {
  const std::wstring suffix = lowerAscii(extension());
  for (const MimeType& entry : kMimeTypes) {
    if (suffix == entry.extension) return entry.type;
  }
  return {};
}

std::wstring FileHandle::lastModifiedDate() const {
  if (holdsNul(path_)) return {};
  std::error_code error;
  const fs::file_time_type written = fs::last_write_time(toPath(path_), error);
  if (error) return {};
  using namespace std::chrono;
  const auto second = floor<seconds>(file_clock::to_sys(written));
  const auto day = floor<days>(second);
  const year_month_day date{day};
  const hh_mm_ss<seconds> time{second - day};
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return std::wstring(text, text + std::char_traits<char>::length(text));
}

std::string FileHandle::contentsAsTextStream(std::optional<unsigned long long> offset,
                                             std::optional<unsigned long long> length) {
  const Range range = rangeOf(path_, offset, length);
  if (range.count == 0) return {};
  const std::size_t count = resultSize(range.count);
  return readingResult([&]() -> std::string {
    // A text stream: where the platform translates line ends, CR LF arrives as LF.
    std::ifstream in(toPath(path_));
    if (!in) return {};
    in.seekg(static_cast<std::streamoff>(range.start));
    if (!in) return {};
    std::string text;
    FB::sizeForFilling(text, count);
    in.read(text.data(), static_cast<std::streamsize>(count));
    text.resize(static_cast<std::size_t>(in.gcount()));
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
  });
}

std::string FileHandle::contentsAsBinaryStream(std::optional<unsigned long long> offset,
                                               std::optional<unsigned long long> length) {
  const Range range = rangeOf(path_, offset, length);
  if (range.count == 0) return {};
  // Base64 makes 4 characters of every 3 bytes.
  const std::size_t count = resultSize(range.count);
  resultSize((range.count + 2) / 3 * 4);
  return readingResult([&]() -> std::string {
    std::ifstream in(toPath(path_), std::ios::binary);
    if (!in) return {};
    in.seekg(static_cast<std::streamoff>(range.start));
    if (!in) return {};
    // The text is written piece by piece from a small reused buffer, so the
    // peak is the text (4/3 of the range) plus one piece.
    std::string text;
    FB::sizeForFilling(text, Norvell::base64EncodedLength(count));
    constexpr std::size_t kPiece = 3 * 256 * 1024;  // a multiple of 3: pieces join without padding
    const auto piece = std::make_unique_for_overwrite<unsigned char[]>(std::min(count, kPiece));
    char* out = text.data();
    for (std::size_t done = 0; done < count;) {
      const std::size_t wanted = std::min(kPiece, count - done);
      in.read(reinterpret_cast<char*>(piece.get()), static_cast<std::streamsize>(wanted));
      const auto got = static_cast<std::size_t>(in.gcount());
      Norvell::base64EncodeInto(piece.get(), got, out);
      out += Norvell::base64EncodedLength(got);
      done += got;
      if (got < wanted) break;  // the file became shorter since its size was read
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
  });
}
