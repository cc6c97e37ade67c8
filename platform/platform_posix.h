// The pieces of the Linux (POSIX) platform that live in files of their own;
// used by PosixPlatform in platform_posix.cpp. Callable from any thread.
#pragma once

#include "platform/platform.h"

namespace FB::posix {

// The proxy list made from http_proxy, https_proxy, ftp_proxy and all_proxy
// (or their upper-case forms); see system_proxy_posix.cpp.
SystemProxyList proxyListFromEnvironment();


}  // namespace FB::posix
