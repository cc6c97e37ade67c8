#include "app/trusted_site.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include <boost/algorithm/string/split.hpp>

#include "app/site.h"

namespace Norvell {
namespace {

bool isHostOrSubdomain(const std::string& host, const std::string& site) {
  if (site.empty()) return false;
  if (host == site) return true;
  return host.size() > site.size() + 1 && host.compare(host.size() - site.size(), site.size(), site) == 0 &&
         host[host.size() - site.size() - 1] == '.';
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

struct WebAddress {
  bool secure = false;
  std::string host;
};

// The scheme and host of an http or https address, lower-cased; none for any
// other address, for one with a login part ("https://site@elsewhere/", a
// classic disguise) and for hosts with characters no DNS name or loopback
// address has. The address is split by hand, strictly, rather than
// leniently parsed.
std::optional<WebAddress> webAddress(const std::string& url) {
  const auto schemeEnd = url.find("://");
  if (schemeEnd == std::string::npos) return std::nullopt;
  const std::string scheme = lower(url.substr(0, schemeEnd));
  if (scheme != "http" && scheme != "https") return std::nullopt;
  const auto authorityStart = schemeEnd + 3;
  const auto authorityEnd = url.find_first_of("/?#\\", authorityStart);
  std::string authority = lower(url.substr(authorityStart, authorityEnd == std::string::npos
                                                                ? std::string::npos
                                                                : authorityEnd - authorityStart));
  if (authority.find('@') != std::string::npos) return std::nullopt;
  std::string host;
  if (!authority.empty() && authority[0] == '[') {
    const auto close = authority.find(']');
    if (close == std::string::npos) return std::nullopt;
    host = authority.substr(0, close + 1);
    if (host != "[::1]") return std::nullopt;  // the only IPv6 address trusted
    authority.erase(0, close + 1);
  } else {
    const auto colon = authority.find(':');
    host = authority.substr(0, colon);
    authority.erase(0, colon == std::string::npos ? authority.size() : colon);
    if (host.empty() || !std::all_of(host.begin(), host.end(), [](unsigned char c) {
          return std::isalnum(c) || c == '.' || c == '-';
        })) {
      return std::nullopt;
    }
  }
  // What is left is the port: empty, or a colon and digits.
  if (!authority.empty() &&
      (authority[0] != ':' || !std::all_of(authority.begin() + 1, authority.end(),
                                           [](unsigned char c) { return std::isdigit(c); }))) {
    return std::nullopt;
  }
  return WebAddress{scheme == "https", host};
}

bool isLoopback(const std::string& host) { return host == "localhost" || host == "127.0.0.1" || host == "[::1]"; }

bool isSiteHost(const std::string& host, const TrustRules& rules) {
  if (isHostOrSubdomain(host, lower(rules.siteHost))) return true;
  std::vector<std::string> extra;
  boost::algorithm::split(extra, rules.extraHosts, [](char c) { return c == ';'; });
  return std::any_of(extra.begin(), extra.end(),
                     [&](const std::string& site) { return isHostOrSubdomain(host, lower(site)); });
}

}  // namespace

const TrustRules& buildTrustRules() {
  static const TrustRules rules{kSiteHost, kExtraTrustedHosts, kTrustLoopback, kAllowHttpSite};
  return rules;
}

bool isTrustedPageUrl(const std::string& url, const TrustRules& rules) {
  const auto address = webAddress(url);
  if (!address) return false;
  if (isLoopback(address->host)) return rules.trustLoopback;
  return isSiteHost(address->host, rules) && (address->secure || rules.allowHttpSite);
}

bool isTrustedPageUrl(const std::string& url) { return isTrustedPageUrl(url, buildTrustRules()); }

}  // namespace Norvell
