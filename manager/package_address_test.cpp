// Package addresses: absolute ones as given, relative ones on the page's
// host below the site version's installers folder; either refused when the
// trust rule handed in does not accept the result.
#include "manager/package_address.h"

#include <optional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace {

using Norvell::packageAddress;

std::string onPage(const std::string& zip, const std::string& page) {
  return packageAddress(zip, "12", [&] { return page; });
}

TEST(PackageAddress, AbsoluteAddressesAreKeptWithoutAskingForThePage) {
  auto noPage = []() -> std::string { throw std::logic_error("the page was asked"); };
  for (const char* url : {"http://cdn.example/p.zip", "HTTP://cdn.example/p.zip", "https://cdn.example/p.zip",
                          "HtTpS://cdn.example/p.zip"}) {
    EXPECT_EQ(packageAddress(url, "12", noPage), url);
  }
}

TEST(PackageAddress, RelativeAddressesLieOnThePagesHostBelowTheSiteVersion) {
  EXPECT_EQ(onPage("p.zip", "http://site.example:8080/app/page.html"),
            "http://site.example:8080/12/core/installers/p.zip");
  EXPECT_EQ(onPage("sub/p.zip", "http://site.example/"), "http://site.example/12/core/installers/sub/p.zip");
  // A secure page keeps its scheme and host (and an address of the secure
  // scheme is absolute, above).
  EXPECT_EQ(onPage("p.zip", "https://site.example/app/"), "https://site.example/12/core/installers/p.zip");
  EXPECT_EQ(onPage("ftp.zip", "HTTPS://site.example/app/"), "https://site.example/12/core/installers/ftp.zip");
  // Too short to be an address: a relative address fails the call.
  try {
    onPage("p.zip", "about");
    FAIL();
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "invalid string position");
  }
}

TEST(PackageAddress, WithoutAHostPieceTheAddressIsKept) {
  EXPECT_EQ(onPage("p.zip", "http://site.example"), "p.zip");
  EXPECT_EQ(onPage("p.zip", "about:blank"), "p.zip");
}

TEST(PackageAddress, OnlyAddressesTheTrustRuleAcceptsAreUsed) {
  // The rule stands in for the page rule: only site.example, over https.
  auto trusted = [](const std::string& url) { return url.rfind("https://site.example/", 0) == 0; };
  auto on = [&](const std::string& zip, const std::string& page) {
    return Norvell::trustedPackageAddress(zip, "12", [&] { return page; }, trusted);
  };
  const std::string page = "https://site.example/app/";
  EXPECT_EQ(on("https://site.example/p.zip", page), "https://site.example/p.zip");
  EXPECT_EQ(on("p.zip", page), "https://site.example/12/core/installers/p.zip");
  EXPECT_EQ(on("//evil.example/p.zip", page), "https://site.example/12/core/installers///evil.example/p.zip");
  for (const char* refused : {"https://evil.example/p.zip", "http://site.example/p.zip", "HTTPS://evil.example/"}) {
    EXPECT_EQ(on(refused, page), std::nullopt) << refused;
  }
  // Not composed (no host piece on the page): the browser would resolve it.
  EXPECT_EQ(on("//evil.example/p.zip", "https://site.example"), std::nullopt);
}

}  // namespace
