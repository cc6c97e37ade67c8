// Proxy lookup over the platform's proxy list. See system_proxy_detector.h.
#include "runtime/system_proxy_detector.h"

#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "scripting/uri.h"

namespace FB {
namespace {

// Splits at every occurrence of any of `separators`, keeping empty fields:
// "a::b" gives "a", "", "b".
std::vector<std::string_view> split(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find_first_of(separators, start);
    if (end == std::string_view::npos) {
      fields.push_back(text.substr(start));
      return fields;
    }
    fields.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace

SystemProxyDetector::~SystemProxyDetector() = default;

SystemProxyDetector& SystemProxyDetector::get() {
  static PlatformProxyDetector detector;
  return detector;
}

bool PlatformProxyDetector::detectProxy(const std::string& url, ProxySettings& settings) {
  settings.clear();
  SystemProxyList list = Platform::instance().systemProxyList();
  if (list.access != ProxyAccess::NamedProxy) return false;
  return parseProxyList(url, list.proxies, settings);
}

bool parseProxyList(const std::string& url, const std::string& proxyList, ProxySettings& settings) {
  settings.clear();
  const std::string protocol = URI(url).protocol;
  bool taken = false;
  for (std::string_view entry : split(proxyList, " \t")) {
    if (entry.empty()) continue;
    std::string_view scheme = "http";
    std::string_view address = entry;
    std::vector<std::string_view> tagged = split(entry, "=");
    if (tagged.size() > 1) {
      scheme = tagged[0];
      address = tagged[1];
    }
    std::vector<std::string_view> hostAndPort = split(address, ":");
    if (hostAndPort.size() < 2) continue;
    // An entry for the URL's own scheme always wins (the last one, when
    // several match); a socks proxy serves only while nothing else has.
    if (scheme == protocol || (!taken && scheme == "socks")) {
      settings["port"] = std::string(hostAndPort[1]);
      settings["hostname"] = std::string(hostAndPort[0]);
      settings["type"] = std::string(scheme);
      taken = true;
    }
  }
  return settings.count("type") != 0;
}

}  // namespace FB
