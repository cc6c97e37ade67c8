// Tests of the Windows platform pieces: the WinINet proxy query and error
// texts. Under wine the proxy answer is whatever the prefix configures, so
// only its shape is checked.
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/platform_win.h"

namespace {

TEST(WindowsProxyList, QueryAnswersAConsistentConfiguration) {
  FB::SystemProxyList list;
  ASSERT_NO_THROW(list = FB::Platform::systemInstance().systemProxyList());
  if (list.access == FB::ProxyAccess::NamedProxy) {
    EXPECT_NE(list.proxies, "");
  }
}

TEST(WindowsErrorText, GivesTheSystemTextWithoutLineBreak) {
  const std::string text = FB::win::systemErrorText(2);  // ERROR_FILE_NOT_FOUND
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), '\r');
  EXPECT_NE(text.rfind("Error ", 0), 0u) << text;
}

TEST(WindowsErrorText, FallsBackToTheCodeWhenNoTextExists) {
  EXPECT_EQ(FB::win::systemErrorText(0x2FFFFFFF), "Error 805306367");
  EXPECT_EQ(FB::win::systemErrorText(0x2FFFFFFF, L"no-such-module.dll"), "Error 805306367");
}

}  // namespace
