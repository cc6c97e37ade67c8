// Which addresses the plug-in trusts: the pages that may use the root
// object, and the servers it may download native code from (absolute
// package addresses). One rule serves both:
//
// - the maker's site host (NZ_SITE_HOST), its subdomains and the hosts the
//   build adds (NZ_EXTRA_TRUSTED_HOSTS), over https only; plain http only in
//   builds with NZ_ALLOW_HTTP_SITE (anyone on the network can inject script
//   into an http page);
// - the local machine (localhost, 127.0.0.1, [::1]) over http or https, only
//   in builds with NZ_TRUST_LOOPBACK (another local user can serve a page
//   there), which are test builds;
// - nothing else: other schemes (file:, ftp:), login parts, odd hosts.
//
// Pure functions; any thread.
#pragma once

#include <string>

namespace Norvell {

inline constexpr const char* kUntrustedSiteMessage = "This site is not trusted by Norvell Zephel";

struct TrustRules {
  std::string siteHost;
  std::string extraHosts;  // separated by ";"
  bool trustLoopback = false;
  bool allowHttpSite = false;
};

// The rules this build was configured with (site.h).
const TrustRules& buildTrustRules();

bool isTrustedPageUrl(const std::string& url, const TrustRules& rules);
// Under buildTrustRules().
bool isTrustedPageUrl(const std::string& url);

}  // namespace Norvell
