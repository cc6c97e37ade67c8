// Descriptors and the manifest text: exact output, what survives a round
// trip, and how far damaged or unexpected text is read.
#include "manager/plugin_entry_json.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Norvell::manifestEntries;
using Norvell::PluginEntry;

PluginEntry descriptor(const std::string& text) {
  PluginEntry entry;
  Norvell::parseDescriptor(text, entry);
  return entry;
}

TEST(PluginEntryJson, ManifestHasEightMembersInFixedOrderAndReadsBackUnchanged) {
  EXPECT_EQ(Norvell::manifestText({}), "{\"Plugins\":[]}");
  auto full = std::make_shared<PluginEntry>(
      descriptor(R"({"PluginName":"R\"{","PluginBit":"32\\","PluginVersion":"1.2","PluginRequiredVersion":"1",)"
                 R"("PluginLatestVersion":"2","ZipPackageURL":"r.zip","ModulePath":"C:\U/np.dll",)"
                 R"("ModuleName":"M","Installed":"1","Changelist":"77"})"));
  const std::string text = Norvell::manifestText({full, std::make_shared<PluginEntry>()});
  EXPECT_EQ(text,
            R"({"Plugins":[{"PluginName":"R\"{","PluginBit":"32\\","PluginVersion":"1.2","ZipPackageURL":"r.zip",)"
            R"("ModulePath":"C:\U/np.dll","ModuleName":"M","Installed":"1","Siteversion":"77"},)"
            R"({"PluginName":"","PluginBit":"","PluginVersion":"","ZipPackageURL":"","ModulePath":"",)"
            R"("ModuleName":"","Installed":"","Siteversion":""}]})");
  const std::vector<PluginEntry> read = manifestEntries(text);
  ASSERT_EQ(read.size(), 1u);  // the empty record has no name, bit or version
  EXPECT_EQ(read[0].PluginName + read[0].PluginBit + read[0].ModulePath, R"(R\"{32\\C:\U/np.dll)");
}

TEST(PluginEntryJson, ManifestKeepsCompleteRecordsUpToTheFirstDamage) {
  const std::vector<PluginEntry> read = manifestEntries(
      " { \"Plugins\" : [\n {\"PluginName\":\"A\",\"PluginBit\":\"32\"}\n"  // no version: dropped
      " ,{\"Extra\":{\"x\":\"}\"}, \"PluginName\":\"B\",\"Flag\":true,\"PluginBit\":\"64\",\"PluginVersion\":\"2\","
      "\"PluginRequiredVersion\":\"1\",\"Changelist\":\"9\"}\n"
      " ,{\"PluginName\":\"C\",\"PluginBit\":\"32\",\"PluginVersion\":\"3\",\"Count\":5}"
      " ,{\"PluginName\":\"D\",\"PluginBit\":\"32\",\"PluginVersion\":\"4\"}] }");
  ASSERT_EQ(read.size(), 2u);  // C is complete before the number; D is never reached
  EXPECT_EQ(read[0].PluginName + read[0].PluginBit + read[0].PluginRequiredVersion + read[0].Siteversion, "B64");
  EXPECT_EQ(read[1].PluginName, "C");
  EXPECT_TRUE(manifestEntries(R"({"plugins":[{"PluginName":"A","PluginBit":"1","PluginVersion":"1"}]})").empty());
}

TEST(PluginEntryJson, DescriptorsTakeTheLaterSiteVersionAndStopAtNonStrings) {
  EXPECT_EQ(descriptor(R"({"Siteversion":"s","Changelist":"c"})").Siteversion, "c");
  EXPECT_EQ(descriptor(R"({"Changelist":"c","Other":{"a":"b"},"Siteversion":"s"})").Siteversion, "s");
  const PluginEntry number = descriptor(R"({"PluginName":"N","PluginBit":32,"PluginVersion":"1"})");
  EXPECT_EQ(number.PluginName + "|" + number.PluginBit + "|" + number.PluginVersion, "N||");
  const PluginEntry array = descriptor(R"({"PluginName":"N","List":["a"],"PluginVersion":"1"})");
  EXPECT_EQ(array.PluginName + "|" + array.PluginVersion, "N|");
}

}  // namespace
