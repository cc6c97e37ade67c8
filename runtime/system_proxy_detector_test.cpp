// Tests of system proxy detection: the choice of a proxy from a WinINet-style
// list, the platform-backed detector over a fake platform, and the host's
// proxyForUrl that uses the process-wide detector.
#include "runtime/system_proxy_detector.h"

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "platform/fake_platform.h"
#include "testing/fake_browser_host.h"

namespace {

using FB::ProxySettings;

ProxySettings proxy(const std::string& type, const std::string& hostname, const std::string& port) {
  return {{"type", type}, {"hostname", hostname}, {"port", port}};
}

// What parseProxyList leaves in a map that held something before.
ProxySettings parsed(const std::string& url, const std::string& list) {
  ProxySettings settings{{"stale", "entry"}};
  bool found = FB::parseProxyList(url, list, settings);
  EXPECT_EQ(found, settings.count("type") == 1) << list;
  return settings;
}

// ------------------------------------------------------------ choosing

TEST(ParseProxyList, TakesTheEntryForTheUrlsProtocol) {
  EXPECT_EQ(parsed("https://server/x", "http=p1:80 https=p2:443"), proxy("https", "p2", "443"));
  EXPECT_EQ(parsed("http://server/x", "http=p1:80 https=p2:443"), proxy("http", "p1", "80"));
  // URI lower-cases the protocol; the list's tags are compared as written.
  EXPECT_EQ(parsed("HTTPS://server/", "https=p2:443"), proxy("https", "p2", "443"));
  EXPECT_EQ(parsed("https://server/", "HTTPS=p2:443"), ProxySettings{});
}

TEST(ParseProxyList, AnUntaggedEntryServesHttpOnly) {
  EXPECT_EQ(parsed("http://server/", "p3:8080"), proxy("http", "p3", "8080"));
  EXPECT_EQ(parsed("https://server/", "p3:8080"), ProxySettings{});
}

TEST(ParseProxyList, SocksServesOnlyUntilAnEntryForTheProtocolComes) {
  EXPECT_EQ(parsed("ftp://server/", "socks=s1:1080"), proxy("socks", "s1", "1080"));
  EXPECT_EQ(parsed("ftp://server/", "socks=s1:1080 ftp=f1:21"), proxy("ftp", "f1", "21"));
  EXPECT_EQ(parsed("ftp://server/", "ftp=f1:21 socks=s1:1080"), proxy("ftp", "f1", "21"));
  // Only the first socks entry is a fallback.
  EXPECT_EQ(parsed("ftp://server/", "socks=s1:1080 socks=s2:1081"), proxy("socks", "s1", "1080"));
}

TEST(ParseProxyList, TheLastMatchingEntryWins) {
  EXPECT_EQ(parsed("http://server/", "http=a:1 b:2"), proxy("http", "b", "2"));
  EXPECT_EQ(parsed("http://server/", "b:2 https=c:3 http=a:1"), proxy("http", "a", "1"));
}

TEST(ParseProxyList, SkipsEntriesWithoutHostAndPort) {
  EXPECT_EQ(parsed("http://server/", "http=p4"), ProxySettings{});
  EXPECT_EQ(parsed("http://server/", "http=p1:80 http=p4 http="), proxy("http", "p1", "80"));
  EXPECT_EQ(parsed("http://server/", "  http=p1:80   "), proxy("http", "p1", "80"));
  EXPECT_EQ(parsed("http://server/", ""), ProxySettings{});
}

TEST(ParseProxyList, UsesOnlyTheFirstTwoFieldsOfEachSplit) {
  EXPECT_EQ(parsed("http://server/", "http=h:1:2"), proxy("http", "h", "1"));
  EXPECT_EQ(parsed("http://server/", "http=h:1=x:9"), proxy("http", "h", "1"));
  EXPECT_EQ(parsed("http://server/", "http=h:"), proxy("http", "h", ""));
}

TEST(ParseProxyList, AMalformedUrlFails) {
  ProxySettings settings;
  EXPECT_THROW(FB::parseProxyList("ht-tp://server/", "p:1", settings), std::runtime_error);
}

// ------------------------------------------------------------ the detector

class PlatformProxyDetectorTest : public ::testing::Test {
 protected:
  FB::FakePlatform platform_;
  FB::ScopedPlatformForTesting use_{platform_};
  FB::PlatformProxyDetector detector_;
  ProxySettings settings_{{"stale", "entry"}};
};

TEST_F(PlatformProxyDetectorTest, ParsesTheListOfANamedProxy) {
  platform_.setSystemProxyList(FB::ProxyAccess::NamedProxy, "http=p1:80 https=p2:443");
  EXPECT_TRUE(detector_.detectProxy("https://server/x", settings_));
  EXPECT_EQ(settings_, proxy("https", "p2", "443"));
  EXPECT_FALSE(detector_.detectProxy("ftp://server/x", settings_));
  EXPECT_EQ(settings_, ProxySettings{});
}

TEST_F(PlatformProxyDetectorTest, IgnoresTheListWithoutANamedProxy) {
  for (auto access : {FB::ProxyAccess::Direct, FB::ProxyAccess::AutoConfig}) {
    platform_.setSystemProxyList(access, "p3:8080");
    settings_ = {{"stale", "entry"}};
    // The URL is not even parsed.
    EXPECT_FALSE(detector_.detectProxy("ht-tp://server/", settings_));
    EXPECT_EQ(settings_, ProxySettings{});
  }
}

TEST_F(PlatformProxyDetectorTest, AFailedQueryRaisesTheSystemsError) {
  const std::string message = "InternetQueryOption(INTERNET_OPTION_PROXY): The parameter is incorrect.";
  platform_.failSystemProxyList(message);
  try {
    detector_.detectProxy("http://server/", settings_);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(e.what(), message);
  }
  EXPECT_EQ(settings_, ProxySettings{});
}

TEST_F(PlatformProxyDetectorTest, TheHostAsksTheProcessWideDetectorEachTime) {
  EXPECT_EQ(&FB::SystemProxyDetector::get(), &FB::SystemProxyDetector::get());
  auto host = FB::testing::FakeBrowserHost::create();
  platform_.setSystemProxyList(FB::ProxyAccess::NamedProxy, "p3:8080");
  EXPECT_TRUE(host->proxyForUrl("http://server/", settings_));
  EXPECT_EQ(settings_, proxy("http", "p3", "8080"));
  platform_.setSystemProxyList(FB::ProxyAccess::Direct, "");
  EXPECT_FALSE(host->proxyForUrl("http://server/", settings_));
  EXPECT_EQ(platform_.proxyQueries(), 2);
}

}  // namespace
