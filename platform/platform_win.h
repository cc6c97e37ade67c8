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


}  // namespace FB::win
