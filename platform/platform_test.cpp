// Tests of FB::Platform that hold on every operating system: choosing the
// instance, and the module path of the system instance.
#include "platform/platform.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/fake_platform.h"

namespace {

namespace fs = std::filesystem;

fs::path fromUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

TEST(PlatformInstance, SubstitutesNestAndRestoreTheSystemInstance) {
  FB::Platform& system = FB::Platform::systemInstance();
  EXPECT_EQ(&FB::Platform::instance(), &system);
  FB::FakePlatform outer;
  FB::FakePlatform inner;
  {
    FB::ScopedPlatformForTesting useOuter(outer);
    EXPECT_EQ(&FB::Platform::instance(), &outer);
    {
      FB::ScopedPlatformForTesting useInner(inner);
      EXPECT_EQ(&FB::Platform::instance(), &inner);
    }
    EXPECT_EQ(&FB::Platform::instance(), &outer);
  }
  EXPECT_EQ(&FB::Platform::instance(), &system);
  EXPECT_EQ(FB::Platform::setInstanceForTesting(nullptr), nullptr);
}

// The test program links the platform code statically, so its module is the
// test program itself.
TEST(PlatformModulePath, NamesThisProgramAbsolutelyWhateverTheWorkingFolder) {
  const std::string path = FB::Platform::systemInstance().modulePath();
  ASSERT_FALSE(path.empty());
  const fs::path file = fromUtf8(path);
  EXPECT_TRUE(file.is_absolute()) << path;
  EXPECT_TRUE(fs::is_regular_file(file)) << path;
  EXPECT_EQ(file.stem(), fs::path("nz_platform_tests")) << path;

  const fs::path before = fs::current_path();
  fs::current_path(file.parent_path().parent_path());
  const std::string elsewhere = FB::Platform::systemInstance().modulePath();
  fs::current_path(before);
  EXPECT_EQ(elsewhere, path);
}

TEST(PlatformModulePath, ComesFromTheInstalledSubstitute) {
  FB::FakePlatform fake;
  fake.setModulePath("C:\\Plugins\\np\xC3\xA9.dll");
  FB::ScopedPlatformForTesting use(fake);
  EXPECT_EQ(FB::Platform::instance().modulePath(), "C:\\Plugins\\np\xC3\xA9.dll");
}

}  // namespace
