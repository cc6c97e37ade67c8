// The pieces of the Linux (POSIX) platform that live in files of their own;
// used by PosixPlatform in platform_posix.cpp. Callable from any thread.
#pragma once

#include "platform/platform.h"

namespace FB::posix {

// The proxy list made from http_proxy, https_proxy, ftp_proxy and all_proxy
// (or their upper-case forms); see system_proxy_posix.cpp.
SystemProxyList proxyListFromEnvironment();

// Files (platform_files_posix.cpp).
std::wstring temporaryFolder();
std::string narrowPath(const std::wstring& path);
std::wstring widePath(const std::string& narrow);
PathAttributes pathAttributes(const std::wstring& path);

// Dialogs (platform_dialogs_posix.cpp): shown by the GTK helper program.
int osMajorVersion();
FileDialogResult showFileDialog(const FileDialogRequest& request);
FolderDialogResult showFolderDialog(const FolderDialogRequest& request);

}  // namespace FB::posix
