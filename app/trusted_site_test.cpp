// Which page addresses the plug-in trusts, under every combination of the
// two build options.
#include "app/trusted_site.h"

#include <gtest/gtest.h>

namespace {

using Norvell::isTrustedPageUrl;
using Norvell::TrustRules;

TrustRules rules(bool trustLoopback, bool allowHttpSite) {
  return TrustRules{"norvellzephel.com", "Partner.example;cdn.other.test", trustLoopback, allowHttpSite};
}

TEST(TrustedSite, SchemeHostAndBuildOptions) {
  struct Row {
    const char* url;
    // Trusted with neither option, with NZ_TRUST_LOOPBACK, with
    // NZ_ALLOW_HTTP_SITE, with both.
    bool plain, loopback, httpSite, both;
  };
  const Row table[] = {
      {"https://norvellzephel.com/app/", true, true, true, true},
      {"HTTPS://Apps.NorvellZephel.com:8443/x?y=1#z", true, true, true, true},
      {"https://partner.example/", true, true, true, true},
      {"https://a.cdn.other.test/", true, true, true, true},
      // Plain http on the site: anyone on the way can inject script.
      {"http://norvellzephel.com/", false, false, true, true},
      {"http://www.norvellzephel.com/", false, false, true, true},
      {"HTTP://partner.example:80/", false, false, true, true},
      // The local machine: another local user can serve pages there.
      {"http://localhost:8080/test.html", false, true, false, true},
      {"https://127.0.0.1/", false, true, false, true},
      {"http://[::1]:9000/page", false, true, false, true},
      // Never.
      {"https://example.com/", false, false, false, false},
      {"http://example.com/", false, false, false, false},
      {"https://evilnorvellzephel.com/", false, false, false, false},
      {"https://norvellzephel.com.evil.example/", false, false, false, false},
      {"https://norvellzephel.com@evil.example/", false, false, false, false},
      {"https://evil.example?.norvellzephel.com/", false, false, false, false},
      {"https://evil.example\\.norvellzephel.com/", false, false, false, false},
      {"file:///C:/Users/me/page.html", false, false, false, false},
      {"ftp://norvellzephel.com/", false, false, false, false},
      {"javascript:alert(1)", false, false, false, false},
      {"http://127.0.0.2/", false, false, false, false},
      {"http://[::2]/", false, false, false, false},
      {"http://localhost:80x/", false, false, false, false},
      {"https:///path", false, false, false, false},
      {"", false, false, false, false},
  };
  for (const Row& row : table) {
    EXPECT_EQ(isTrustedPageUrl(row.url, rules(false, false)), row.plain) << row.url;
    EXPECT_EQ(isTrustedPageUrl(row.url, rules(true, false)), row.loopback) << row.url;
    EXPECT_EQ(isTrustedPageUrl(row.url, rules(false, true)), row.httpSite) << row.url;
    EXPECT_EQ(isTrustedPageUrl(row.url, rules(true, true)), row.both) << row.url;
  }
}

}  // namespace
