// The pieces of the Windows platform that live in files of their own; used
// by WindowsPlatform in platform_win.cpp. Declares no Windows types, so
// including it does not pull in <windows.h>. Callable from any thread.
#pragma once

#include <string>

#include "platform/platform.h"

namespace FB::win {

// The system's message text for an error code (GetLastError's kind) in
// UTF-8, without the trailing line break. `messageModule` names a loaded
// module whose message table is searched first (e.g. L"wininet.dll", whose
// errors the system table does not know). "Error <code>" when no text exists.
std::string systemErrorText(unsigned long code, const wchar_t* messageModule = nullptr);

// The WinINet proxy configuration (InternetQueryOptionW, INTERNET_OPTION_PROXY).
// Throws std::runtime_error when the system refuses the query.
SystemProxyList winInetProxyList();

// Files (platform_files_win.cpp).
std::wstring temporaryFolder();
std::string narrowPath(const std::wstring& path);
std::wstring widePath(const std::string& narrow);
PathAttributes pathAttributes(const std::wstring& path);

// Dialogs (platform_dialogs_win.cpp).
int osMajorVersion();
FileDialogResult showFileDialog(const FileDialogRequest& request);
FolderDialogResult showFolderDialog(const FolderDialogRequest& request);

}  // namespace FB::win
