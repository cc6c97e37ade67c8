// The file operations of the Windows platform (see platform_win.h): the
// temporary folder from GetTempPathW, the local application-data folder from
// SHGetKnownFolderPath, narrow paths in the active ANSI code page and
// GetFileAttributesW. Stateless; callable from any thread.
#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <climits>
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

std::string narrowPath(const std::wstring& path) {
  if (path.empty()) return {};
  const int length = checkedLength(path.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, path.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) throwLastError("WideCharToMultiByte");
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, path.data(), length, narrow.data(), size, nullptr, nullptr);
  return narrow;
}

std::wstring widePath(const std::string& narrow) {
  if (narrow.empty()) return {};
  const int length = checkedLength(narrow.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, narrow.data(), length, nullptr, 0);
  if (size <= 0) throwLastError("MultiByteToWideChar");
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, narrow.data(), length, wide.data(), size);
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

}  // namespace FB::os
