// Tests of the Linux proxy list: how the proxy environment variables become
// WinINet's scheme-tagged list.
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

const char* const kNames[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                              "ftp_proxy",  "FTP_PROXY",  "all_proxy",   "ALL_PROXY"};

// Starts each test with none of the proxy variables set and puts the
// caller's environment back afterwards.
class PosixProxyEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (std::size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i]) {
        setenv(kNames[i], saved_[i]->c_str(), 1);
      } else {
        unsetenv(kNames[i]);
      }
    }
  }
  static void set(const char* name, const char* value) { setenv(name, value, 1); }
  static FB::SystemProxyList query() { return FB::Platform::systemInstance().systemProxyList(); }

 private:
  std::vector<std::optional<std::string>> saved_;
};

TEST_F(PosixProxyEnvironment, NoVariableMeansDirectAccess) {
  FB::SystemProxyList list = query();
  EXPECT_EQ(list.access, FB::ProxyAccess::Direct);
  EXPECT_EQ(list.proxies, "");
}

TEST_F(PosixProxyEnvironment, EachVariableBecomesOneTaggedEntryInFixedOrder) {
  set("all_proxy", "s:1080");
  set("ftp_proxy", "f:21");
  set("https_proxy", "h2:443");
  set("http_proxy", "h1:80");
  FB::SystemProxyList list = query();
  EXPECT_EQ(list.access, FB::ProxyAccess::NamedProxy);
  EXPECT_EQ(list.proxies, "http=h1:80 https=h2:443 ftp=f:21 socks=s:1080");
}

TEST_F(PosixProxyEnvironment, KeepsOnlyHostAndPortOfAProxyUrl) {
  set("http_proxy", "http://user:p@ss@proxy.corp:3128/");
  set("https_proxy", " https://proxy.corp:8443/some/path ");
  set("all_proxy", "socks5h://s.corp:1080");
  EXPECT_EQ(query().proxies, "http=proxy.corp:3128 https=proxy.corp:8443 socks=s.corp:1080");
}

TEST_F(PosixProxyEnvironment, LowerCaseWinsEvenWhenEmpty) {
  set("HTTP_PROXY", "upper:1");
  set("HTTPS_PROXY", "upper:2");
  set("https_proxy", "lower:2");
  set("FTP_PROXY", "upper:3");
  set("ftp_proxy", "");
  EXPECT_EQ(query().proxies, "http=upper:1 https=lower:2");
}

TEST_F(PosixProxyEnvironment, ValuesThatLeaveNoAddressAreIgnored) {
  set("http_proxy", "   ");
  set("https_proxy", "http://");
  set("ftp_proxy", "two words:21");
  FB::SystemProxyList list = query();
  EXPECT_EQ(list.access, FB::ProxyAccess::Direct);
  EXPECT_EQ(list.proxies, "");
}

}  // namespace
