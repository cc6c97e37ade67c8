// Any text as a page address under trust rules picked by the first byte. A
// trusted answer is given only to an http(s) address without a login part
// whose host, as a browser reads it, is a trusted host or ends in "." and a
// trusted host (or is the loopback host, in builds that trust it), and over
// plain http only where the rules allow it.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/trusted_site.h"
#include "fuzz/fuzz_support.h"

using nzfuzz::require;

namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool endsAtDot(const std::string& host, const std::string& site) {
  return host == site ||
         (host.size() > site.size() && host.compare(host.size() - site.size(), site.size(), site) == 0 &&
          host[host.size() - site.size() - 1] == '.');
}

// The host as a URL-reading browser sees it: after "scheme://", up to the
// first of / ? # or backslash, after the last '@', before a port.
std::string browserHost(const std::string& url, std::size_t authorityStart) {
  std::string authority = url.substr(authorityStart, url.find_first_of("/?#\\", authorityStart) - authorityStart);
  const std::size_t at = authority.rfind('@');
  if (at != std::string::npos) authority.erase(0, at + 1);
  if (!authority.empty() && authority[0] == '[') return lower(authority.substr(0, authority.find(']') + 1));
  return lower(authority.substr(0, authority.find(':')));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Norvell::TrustRules rules;
  rules.siteHost = "Norvell.example";
  rules.extraHosts = (data[0] & 1) ? "partner.test;;cdn.Norvell.example" : "";
  rules.trustLoopback = data[0] & 2;
  rules.allowHttpSite = data[0] & 4;
  const std::string url(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (!Norvell::isTrustedPageUrl(url, rules)) return 0;

  const std::size_t schemeEnd = url.find("://");
  require(schemeEnd != std::string::npos, "a trusted address has a scheme");
  const std::string scheme = lower(url.substr(0, schemeEnd));
  require(scheme == "https" || scheme == "http", "only web addresses are trusted");
  const std::size_t authorityEnd = url.find_first_of("/?#\\", schemeEnd + 3);
  require(url.substr(schemeEnd + 3, authorityEnd - schemeEnd - 3).find('@') == std::string::npos,
          "no trusted address has a login part");
  const std::string host = browserHost(url, schemeEnd + 3);
  const bool loopback = host == "localhost" || host == "127.0.0.1" || host == "[::1]";
  if (loopback) {
    require(rules.trustLoopback, "loopback is trusted only where the build trusts it");
    return 0;
  }
  bool site = endsAtDot(host, "norvell.example");
  if (data[0] & 1) site = site || endsAtDot(host, "partner.test") || endsAtDot(host, "cdn.norvell.example");
  require(site, "a trusted host is a trusted host or one of its subdomains");
  require(scheme == "https" || rules.allowHttpSite, "plain http is trusted only where allowed");
  return 0;
}
