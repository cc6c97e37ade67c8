// The file operations of the Windows platform (see platform_win.h): the
// temporary folder from GetTempPathW (also the root of the work folder), the
// local application-data folder from SHGetKnownFolderPath, narrow paths in
// the active ANSI code page and GetFileAttributesW. Stateless; callable from any thread.
#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <climits>
#include <filesystem>
#include <system_error>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/platform_win.h"
#include "platform/system_platform.h"

namespace FB::os {
namespace {

int checkedLength(std::size_t length) {
  if (length > static_cast<std::size_t>(INT_MAX)) throw std::length_error("The path is too long to convert");
  return static_cast<int>(length);
}

[[noreturn]] void throwLastError(const char* operation) {
  const DWORD error = GetLastError();
  throw std::runtime_error(std::string(operation) + ": " + win::systemErrorText(error));
}

}  // namespace

std::wstring temporaryFolder() {
  std::wstring folder(2048, L'\0');
  DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (length >= folder.size()) {  // too small: the answer is the size needed
    folder.resize(length + 1);
    length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  }
  if (length == 0 || length >= folder.size()) throwLastError("GetTempPathW");
  folder.resize(length);
  if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder;
}

void makePrivateFolder(const std::wstring& path) {
  // The folder lies in the user's own temporary folder, which no other user
  // can reach; it only has to exist.
  std::error_code error;
  const std::filesystem::path folder(path);
  if (std::filesystem::is_directory(folder, error)) return;
  std::filesystem::create_directories(folder, error);
  if (error) throw std::system_error(error, "Could not create the folder");
  if (!std::filesystem::is_directory(folder, error)) {
    throw std::system_error(std::make_error_code(std::errc::not_a_directory), "Could not create the folder");
  }
}

std::wstring localAppDataFolder() {
  PWSTR path = nullptr;
  const HRESULT result = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path);
  if (FAILED(result) || path == nullptr) {
    CoTaskMemFree(path);  // the system may hand out a buffer even on failure
    throw std::runtime_error("SHGetKnownFolderPath: " + win::systemErrorText(static_cast<unsigned long>(result)));
  }
  std::wstring folder(path);
  CoTaskMemFree(path);
  return folder;
}

// The conversions never let the system pick a "best fit": without
// WC_NO_BEST_FIT_CHARS a full-width solidus or full stop (U+FF0F, U+FF0E)
// would become "/" or "." in most code pages, and a file name that looks
// harmless would name a path that climbs out of its folder. A character the
// code page lacks, and text that does not convert back to itself, raise
// "Could not convert path".
namespace {

// Neither flag nor default-character report is allowed for the UTF-8 and
// UTF-7 code pages; there every character has a form, and the round trip
// below catches what is not text.
bool codePageTakesBestFitFlags(UINT codePage) { return codePage != CP_UTF8 && codePage != CP_UTF7; }

std::wstring wideOf(const std::string& narrow) {
  if (narrow.empty()) return {};
  const int length = checkedLength(narrow.size());
  const int size = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, narrow.data(), length, nullptr, 0);
  if (size <= 0) throwUnconvertiblePath();
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, narrow.data(), length, wide.data(), size) != size) {
    throwUnconvertiblePath();
  }
  return wide;
}

std::string narrowOf(const std::wstring& path) {
  if (path.empty()) return {};
  const int length = checkedLength(path.size());
  const bool reportDefault = codePageTakesBestFitFlags(GetACP());
  const DWORD flags = reportDefault ? WC_NO_BEST_FIT_CHARS : 0;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultReport = reportDefault ? &usedDefault : nullptr;
  const int size = WideCharToMultiByte(CP_ACP, flags, path.data(), length, nullptr, 0, nullptr, usedDefaultReport);
  if (size <= 0 || usedDefault) throwUnconvertiblePath();
  std::string narrow(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, flags, path.data(), length, narrow.data(), size, nullptr, usedDefaultReport) !=
          size ||
      usedDefault) {
    throwUnconvertiblePath();
  }
  return narrow;
}

}  // namespace

std::string narrowPath(const std::wstring& path) {
  std::string narrow = narrowOf(path);
  if (wideOf(narrow) != path) throwUnconvertiblePath();
  return narrow;
}

std::wstring widePath(const std::string& narrow) {
  std::wstring wide = wideOf(narrow);
  if (narrowOf(wide) != narrow) throwUnconvertiblePath();
  return wide;
}

PathAttributes pathAttributes(const std::wstring& path) {
  // The system would see only the part before a NUL, that is another path.
  if (path.find(L'\0') != std::wstring::npos) return PathAttributes::of(PathStatus::Missing);
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return PathAttributes::of(PathStatus::Exists);
  const DWORD error = GetLastError();
  switch (error) {
    case ERROR_SHARING_VIOLATION:  // held open by another process: it exists
      return PathAttributes::of(PathStatus::Exists);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NOT_READY:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_BAD_PATHNAME:
      return PathAttributes::of(PathStatus::Missing);
    default:
      return PathAttributes::failure(static_cast<int>(error), win::systemErrorText(error));
  }
}

bool flushFileToDisk(const std::filesystem::path& path) {
  // FlushFileBuffers needs a handle with write access; the sharing lets
  // other openers of the file keep it open meanwhile.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(file) != 0;
  return CloseHandle(file) != 0 && flushed;
}

bool flushFolderToDisk(const std::filesystem::path&) { return true; }

}  // namespace FB::os
