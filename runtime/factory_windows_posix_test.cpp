// The factory's window slots on POSIX: the port is windowless and takes no
// platform events, so neither slot makes a window.
#include <gtest/gtest.h>

#include "runtime/factory_base.h"
#include "runtime/plugin_window.h"

namespace nz_runtime_test {
namespace {

class WindowlessFactory : public FB::FactoryBase {
 public:
  FB::PluginCorePtr createPlugin(const std::string&) override { return nullptr; }
};

TEST(FactoryWindowsTest, NeitherWindowSlotMakesAWindowOnThisPlatform) {
  WindowlessFactory factory;
  int surface = 0;
  EXPECT_EQ(factory.createWindowedWindow(FB::WindowedContext{&surface}), nullptr);
  EXPECT_EQ(factory.createWindowlessWindow(FB::WindowlessContext{&surface}), nullptr);
}

}  // namespace
}  // namespace nz_runtime_test
