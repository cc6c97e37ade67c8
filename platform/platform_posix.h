// The pieces of the Linux (POSIX) platform that live in files of their own;
// used by PosixPlatform in platform_posix.cpp. Callable from any thread.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/platform.h"

namespace FB::posix {

// The proxy list made from http_proxy, https_proxy, ftp_proxy and all_proxy
// (or their upper-case forms); see system_proxy_posix.cpp.
SystemProxyList proxyListFromEnvironment();

// Why an existing path whose lstat() gives `mode` and `owner` cannot serve
// as a private folder of the user `user` (a link, not a folder, another
// owner, any group or other permission bit); null when it can.
const char* privateFolderProblem(mode_t mode, uid_t owner, uid_t user);

// The dialog helper to start: `configured` (the variable
// NORVELL_ZEPHEL_DIALOG_HELPER) when it is set and not empty, else an
// executable nz_dialog_helper in the folder of `modulePath`, else one in
// `installedFolder`, else the bare name, for a search of PATH.
std::string dialogHelperProgram(const char* configured, const std::string& modulePath,
                                const std::string& installedFolder);


}  // namespace FB::posix
