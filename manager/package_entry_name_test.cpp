// The entry-name rules on their own. Through a whole extraction some of
// these names fail later for another reason (on Linux no "..." folder
// exists to write into), which would hide a fault in the check itself.
#include "manager/package_entry_name.h"

#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace {

TEST(PackageEntryName, PartsOfDotsAndBlanksThatWindowsMayTurnIntoTheParentAreRefused) {
  for (const std::string& name : {std::string("..."), std::string(". ."), std::string(".. "), std::string("sub/.../x"),
                                  std::string("sub\\. .\\x"), std::string(".."), std::string("a/../b"),
                                  std::string("\0x", 2)}) {
    EXPECT_FALSE(Norvell::isSafeEntryName(name)) << name;
  }
  for (const char* name : {"a..b", "..hidden", ".hidden", "./here.txt", "sub/x", "name with blanks..txt"}) {
    EXPECT_TRUE(Norvell::isSafeEntryName(name)) << name;
  }
}

}  // namespace
