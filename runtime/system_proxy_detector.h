// FB::SystemProxyDetector: which proxy the operating system would use for a
// URL. Hosts fall back on it when the browser cannot say (proxyForUrl).
//
// The answer fills a map with up to three entries: "type" (the proxy's
// scheme, e.g. "http" or "socks"), "hostname" and "port".
//
// PlatformProxyDetector reads the system's scheme-tagged proxy list through
// FB::Platform and picks from it with parseProxyList. Both keep no state:
// any thread may call them. SystemProxyDetector::get() is safe from any
// thread.
#pragma once

#include <map>
#include <string>

namespace FB {

using ProxySettings = std::map<std::string, std::string>;

class SystemProxyDetector {
 public:
  virtual ~SystemProxyDetector();

  // Empties `settings`, then fills it with the proxy for `url`; answers
  // whether one was found. Throws std::runtime_error when the system cannot
  // be asked.
  virtual bool detectProxy(const std::string& url, ProxySettings& settings) = 0;

  // The process-wide detector, made on first use; lives until the module
  // unloads.
  static SystemProxyDetector& get();
};

class PlatformProxyDetector : public SystemProxyDetector {
 public:
  // Only a configured named proxy gives an answer; direct access and
  // automatic configuration answer false without looking at `url`.
  bool detectProxy(const std::string& url, ProxySettings& settings) override;
};

// Picks the proxy for `url` from a WinINet-style list ("http=p1:80
// https=p2:443", or "p3:8080" for plain http): the last entry whose scheme is
// the URL's protocol, else the first "socks" entry. Entries without a port
// are ignored. Empties `settings` first; answers whether it holds a "type".
// Throws what FB::URI throws for a malformed `url`.
bool parseProxyList(const std::string& url, const std::string& proxyList, ProxySettings& settings);

}  // namespace FB
