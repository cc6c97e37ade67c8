// BrowserHost::proxyForUrl: the operating system's proxy for a URL, for
// bindings whose browser cannot tell. Callable from any thread.
#include "runtime/browser_host.h"
#include "runtime/system_proxy_detector.h"

namespace FB {

bool BrowserHost::proxyForUrl(const std::string& url, ProxySettings& settings) {
  return SystemProxyDetector::get().detectProxy(url, settings);
}

}  // namespace FB
