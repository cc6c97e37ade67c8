// Version order and the matching rules, including versions that are not
// numbers at all and numbers too large for int.
#include "manager/plugin_matching.h"

#include <climits>
#include <string>

#include <gtest/gtest.h>

namespace {

using Norvell::compareVersions;
using Norvell::matchesVersionRange;
using Norvell::PluginEntry;

PluginEntry entry(const std::string& name, const std::string& version, const std::string& required = "",
                  const std::string& latest = "") {
  return PluginEntry{name, "32", version, required, latest, "", "", "", "", "", false};
}

TEST(CompareVersions, ComparesPiecesNumericallyOverTheShorterList) {
  EXPECT_LT(compareVersions("2.0", "10.0"), 0);
  EXPECT_GT(compareVersions("1.10", "1.9"), 0);
  EXPECT_EQ(compareVersions("1.0", "1.0.7"), 0);
  EXPECT_EQ(compareVersions("1.5", "1.x"), 5);
  EXPECT_EQ(compareVersions("", "0"), 0);
  EXPECT_EQ(compareVersions("1..2", "1.0.3"), -1);   // an empty piece counts as 0
  EXPECT_EQ(compareVersions(" +4.-2", "4b.-2"), 0);  // the C library's reading of each piece
  // Pieces and differences beyond int are held at its limits, in order.
  EXPECT_EQ(compareVersions("99999999999999999999", "2147483647"), 0);
  EXPECT_EQ(compareVersions("99999999999999999999", "-99999999999999999999"), INT_MAX);
  EXPECT_EQ(compareVersions("1.-2147483648", "1.1"), INT_MIN);
}

TEST(Matching, IdentityIgnoresCaseAndRangesIncludeBothBounds) {
  EXPECT_FALSE(Norvell::equalsIgnoreCase("\xC3\xA9", "\xC3\x89"));  // bytes above 127 are safe
  EXPECT_TRUE(Norvell::matchesExactly(entry("READER", "1.0B"), entry("reader", "1.0b")));
  EXPECT_FALSE(Norvell::matchesExactly(entry("Reader", "1.0"), entry("Reader", "1.0.0")));

  const PluginEntry range = entry("Reader", "", "1.0", "2.0");
  for (const char* version : {"1.0", "1.9.9", "2.0", "2.0.5", ""}) {  // "" equals the request's version
    EXPECT_TRUE(matchesVersionRange(range, entry("reader", version))) << version;
  }
  for (const char* version : {"0.9", "2.1", "x"}) {
    EXPECT_FALSE(matchesVersionRange(range, entry("Reader", version))) << version;
  }
  EXPECT_FALSE(matchesVersionRange(range, entry("Writer", "1.5")));
  EXPECT_TRUE(matchesVersionRange(entry("Reader", "3.0A", "1", "2"), entry("Reader", "3.0a")));
  EXPECT_TRUE(matchesVersionRange(entry("Reader", "5.0"), entry("Reader", "0.9")));  // empty bounds
  EXPECT_FALSE(matchesVersionRange(entry("Reader", "5.0"), entry("Reader", "1.0")));
}

}  // namespace
