// Record helpers: filling a record from another and the module file name.
#include "manager/plugin_entry.h"

#include <gtest/gtest.h>

namespace {

TEST(PluginEntry, CopiesNonEmptyFieldsAndNamesModules) {
  Norvell::PluginEntry source;
  source.PluginVersion = "2.0";
  source.Siteversion = "9";
  source.downloading = true;
  Norvell::PluginEntry target;
  target.PluginName = "Reader";
  target.PluginBit = "32";
  target.PluginVersion = "1.0";
  target.ModuleName = "Rdr";
  Norvell::copyNonEmptyFields(source, target);
  EXPECT_EQ(target.PluginName + target.PluginVersion + target.Siteversion, "Reader2.09");
  EXPECT_FALSE(target.downloading);
  EXPECT_EQ(Norvell::moduleFileName(target), std::string("npRdr32") + Norvell::kModuleFileSuffix);
}

}  // namespace
