// Where the Linux platform finds the local application-data folder:
// $XDG_DATA_HOME when absolute, else the home folder's .local/share.
#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"

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

}  // namespace
