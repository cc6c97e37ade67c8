// Where the Linux platform finds the local application-data folder
// ($XDG_DATA_HOME when absolute, else the home folder's .local/share) and
// the work folder's root ($XDG_CACHE_HOME, else .cache), and which existing
// folders it takes as private.
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/platform_posix.h"

namespace {

// Sets (or, with nullopt, unsets) an environment variable for the life of
// the object and then puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    set(value);
  }
  ~ScopedVariable() { set(old_); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  void set(const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name_, value->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  const char* name_;
  std::optional<std::string> old_;
};

std::wstring localAppData() { return FB::Platform::systemInstance().localAppDataFolder(); }

TEST(PlatformFilesPosix, LocalAppDataFollowsXdgDataHomeWhenAbsolute) {
  ScopedVariable home("HOME", "/home/tester");
  {
    ScopedVariable xdg("XDG_DATA_HOME", "/data/caf\xC3\xA9//");
    EXPECT_EQ(localAppData(), L"/data/caf\u00e9");
  }
  {
    ScopedVariable xdg("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(localAppData(), L"/home/tester/.local/share");
  }
  {
    ScopedVariable xdg("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(localAppData(), L"/home/tester/.local/share");
    ScopedVariable slashHome("HOME", "/home/tester/");
    EXPECT_EQ(localAppData(), L"/home/tester/.local/share");
  }
}

TEST(PlatformFilesPosix, TheWorkFolderRootIsTheUsersCacheFolderNeverTheSharedTmp) {
  ScopedVariable home("HOME", "/home/tester");
  ScopedVariable tmp("TMPDIR", "/tmp");
  {
    ScopedVariable xdg("XDG_CACHE_HOME", "/cache/of/tester/");
    EXPECT_EQ(FB::Platform::systemInstance().temporaryFolder(), L"/cache/of/tester/");
  }
  ScopedVariable xdg("XDG_CACHE_HOME", "relative");
  EXPECT_EQ(FB::Platform::systemInstance().temporaryFolder(), L"/home/tester/.cache/");
}

TEST(PlatformFilesPosix, OnlyAFolderOfTheUserClosedToOthersIsPrivate) {
  const uid_t user = 1000;
  struct Case {
    mode_t mode;
    uid_t owner;
    bool isPrivate;
  };
  const Case cases[] = {
      {S_IFDIR | 0700, user, true},   {S_IFDIR | 0500, user, true},  {S_IFLNK | 0700, user, false},
      {S_IFREG | 0700, user, false},  {S_IFDIR | 0700, 0, false},    {S_IFDIR | 0750, user, false},
      {S_IFDIR | 0701, user, false},  {S_IFDIR | 0710, user, false}, {S_IFDIR | 0704, user, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FB::posix::privateFolderProblem(c.mode, c.owner, user) == nullptr, c.isPrivate)
        << std::oct << c.mode << " owner " << std::dec << c.owner;
  }
}

}  // namespace
