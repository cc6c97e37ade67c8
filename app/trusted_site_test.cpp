// Which page addresses may use the root object.
#include "app/trusted_site.h"

#include <gtest/gtest.h>

namespace {

using Norvell::isTrustedPageUrl;

TEST(TrustedSite, TheMakersSiteItsSubdomainsAndLoopback) {
  EXPECT_TRUE(isTrustedPageUrl("https://norvellzephel.com/app/"));
  EXPECT_TRUE(isTrustedPageUrl("http://www.norvellzephel.com/"));
  EXPECT_TRUE(isTrustedPageUrl("HTTPS://Apps.NorvellZephel.com:8443/x?y=1#z"));
  EXPECT_TRUE(isTrustedPageUrl("http://localhost:8080/test.html"));
  EXPECT_TRUE(isTrustedPageUrl("http://127.0.0.1/"));
  EXPECT_TRUE(isTrustedPageUrl("http://[::1]:9000/page"));
}

TEST(TrustedSite, EverythingElse) {
  EXPECT_FALSE(isTrustedPageUrl("https://example.com/"));
  EXPECT_FALSE(isTrustedPageUrl("https://evilnorvellzephel.com/"));     // not a subdomain
  EXPECT_FALSE(isTrustedPageUrl("https://norvellzephel.com.evil.example/"));
  EXPECT_FALSE(isTrustedPageUrl("https://norvellzephel.com@evil.example/"));
  EXPECT_FALSE(isTrustedPageUrl("https://evil.example?.norvellzephel.com/"));
  EXPECT_FALSE(isTrustedPageUrl("file:///C:/Users/me/page.html"));
  EXPECT_FALSE(isTrustedPageUrl("ftp://norvellzephel.com/"));
  EXPECT_FALSE(isTrustedPageUrl("javascript:alert(1)"));
  EXPECT_FALSE(isTrustedPageUrl("http://127.0.0.2/"));
  EXPECT_FALSE(isTrustedPageUrl("http://[::2]/"));
  EXPECT_FALSE(isTrustedPageUrl("http://localhost:80x/"));
  EXPECT_FALSE(isTrustedPageUrl("http:///path"));
  EXPECT_FALSE(isTrustedPageUrl(""));
}

}  // namespace
