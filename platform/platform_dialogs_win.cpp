// The Windows dialogs: the system's major version, the common open and save
// dialogs, the legacy folder browser and the item dialog picking a folder.
// All are modal, have no owner window and run on the calling thread, which
// must be one that may show windows (the browser's main thread). Keep no
// state between calls.
#include <windows.h>
#include <commdlg.h>
#include <ole2.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "platform/platform_win.h"
#include "platform/system_platform.h"

namespace FB::os {
namespace {

// The path buffers of all dialogs, in characters.
constexpr DWORD kPathCharacters = 260;

static_assert(sizeof(void*) != 4 || sizeof(OPENFILENAMEW) == 88, "the full OPENFILENAMEW is 88 bytes on 32-bit");

std::runtime_error comError(const char* operation, HRESULT result) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
  std::string message = std::string(operation) + " failed with HRESULT " + code;
  std::string text = win::systemErrorText(static_cast<unsigned long>(result));
  if (text.rfind("Error ", 0) != 0) message += ": " + text;
  return std::runtime_error(message);
}

// Releases a COM interface when it goes out of scope.
template <class Interface>
class Held {
 public:
  Held() = default;
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  Interface* operator->() const { return pointer_; }
  Interface** out() { return &pointer_; }
  void** outVoid() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

FolderDialogResult showLegacyBrowser(const std::wstring& title) {
  HRESULT ole = OleInitialize(nullptr);
  wchar_t path[kPathCharacters] = {};
  BROWSEINFOW info{};
  info.pszDisplayName = path;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  FolderDialogResult result;
  if (PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info)) {
    if (SHGetPathFromIDListW(item, path)) {
      result.chosen = true;
      result.path = path;
    }
    CoTaskMemFree(item);
  }
  // Leaves the thread's OLE state as it was found.
  if (SUCCEEDED(ole)) OleUninitialize();
  return result;
}

FolderDialogResult showItemDialog(const std::wstring& title) {
  Held<IFileOpenDialog> dialog;
  HRESULT hr = CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                dialog.outVoid());
  if (FAILED(hr)) throw comError("CoCreateInstance(CLSID_FileOpenDialog)", hr);
  hr = dialog->SetTitle(title.c_str());
  if (FAILED(hr)) throw comError("IFileDialog::SetTitle", hr);
  FILEOPENDIALOGOPTIONS options = 0;
  hr = dialog->GetOptions(&options);
  if (FAILED(hr)) throw comError("IFileDialog::GetOptions", hr);
  hr = dialog->SetOptions(options | FOS_PICKFOLDERS);
  if (FAILED(hr)) throw comError("IFileDialog::SetOptions", hr);

  hr = dialog->Show(nullptr);
  if (hr == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return {};
  if (FAILED(hr)) throw comError("IFileDialog::Show", hr);

  // GetResult is the folder the user confirmed. (GetFolder would answer the
  // folder the dialog was showing, which is the parent when the user picked
  // a folder from the list instead of opening it.)
  Held<IShellItem> folder;
  hr = dialog->GetResult(folder.out());
  if (FAILED(hr)) throw comError("IFileDialog::GetResult", hr);
  FolderDialogResult result;
  wchar_t* path = nullptr;
  if (SUCCEEDED(folder->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path != nullptr) {
    result.chosen = true;
    result.path = path;
  }
  CoTaskMemFree(path);
  return result;
}

}  // namespace

// Programs without a compatibility manifest are told 6.2 on Windows 8.1 and
// later; that is still 6 or more, which is all the callers distinguish.
int osMajorVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExW(&info)) return 0;
  return static_cast<int>(info.dwMajorVersion);
}

FileDialogResult showFileDialog(const FileDialogRequest& request) {
  // The list must end in two NULs; extra ones are harmless.
  std::wstring filter = request.filter;
  filter.append(2, L'\0');
  wchar_t path[kPathCharacters] = {};
  OPENFILENAMEW dialog;
  ZeroMemory(&dialog, sizeof dialog);
  dialog.lStructSize = sizeof dialog;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = static_cast<DWORD>(request.filterIndex);
  dialog.lpstrFile = path;
  dialog.nMaxFile = kPathCharacters;
  bool save = request.kind == FileDialogRequest::Kind::Save;
  dialog.Flags = save ? (OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT) : (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
  BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  FileDialogResult result;
  if (!chosen) return result;
  result.chosen = true;
  result.path = path;
  result.filterIndex = static_cast<int>(dialog.nFilterIndex);
  return result;
}

FolderDialogResult showFolderDialog(const FolderDialogRequest& request) {
  if (request.kind == FolderDialogRequest::Kind::LegacyBrowser) return showLegacyBrowser(request.title);
  return showItemDialog(request.title);
}

// The dialogs run in the calling thread's own message loop; there is no
// other process to end.
void endDialogs() {}

}  // namespace FB::os
