// FB::win::winInetProxyList: the proxy configuration WinINet applies to this
// user (Internet Options). See platform_win.h. Callable from any thread.
#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/platform_win.h"
#include "scripting/text_conversion.h"

namespace FB::win {

SystemProxyList winInetProxyList() {
  // The first call only learns the size of the answer, which holds the
  // INTERNET_PROXY_INFO followed by the texts it points to.
  DWORD size = 0;
  InternetQueryOptionW(nullptr, INTERNET_OPTION_PROXY, nullptr, &size);
  std::vector<std::uint64_t> buffer(size / sizeof(std::uint64_t) + 1);  // aligned for the pointers
  if (!InternetQueryOptionW(nullptr, INTERNET_OPTION_PROXY, buffer.data(), &size)) {
    DWORD error = GetLastError();
    throw std::runtime_error("InternetQueryOption(INTERNET_OPTION_PROXY): " +
                             systemErrorText(error, L"wininet.dll"));
  }
  const auto* info = reinterpret_cast<const INTERNET_PROXY_INFO*>(buffer.data());
  SystemProxyList list;
  switch (info->dwAccessType) {
    case INTERNET_OPEN_TYPE_PROXY:
      list.access = ProxyAccess::NamedProxy;
      break;
    case INTERNET_OPEN_TYPE_DIRECT:
      list.access = ProxyAccess::Direct;
      break;
    default:  // preconfigured: a script or auto-detection decides per address
      list.access = ProxyAccess::AutoConfig;
      break;
  }
  // The wide query fills the texts with wide characters whatever the
  // structure's declared character type.
  if (info->lpszProxy != nullptr) list.proxies = toUtf8(reinterpret_cast<const wchar_t*>(info->lpszProxy));
  return list;
}

}  // namespace FB::win
