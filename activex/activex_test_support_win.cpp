#include "activex/activex_test_support_win.h"

#include <memory>

namespace FB::ActiveX::testing {

TestRoot::TestRoot() : JSAPIAuto("<test root>") {
  addProperty("version", makeProperty(this, &TestRoot::version));
  addMethod("echo", makeMethod(this, &TestRoot::echo));
}

PluginCorePtr TestFactory::createPlugin(const std::string&) {
  auto core = std::make_shared<TestCore>();
  lastCore = core;
  return core;
}

TestFactory& testFactory() { return static_cast<TestFactory&>(*factoryInstance()); }

}  // namespace FB::ActiveX::testing

FB::FactoryBasePtr FB::createApplicationFactory() { return std::make_shared<FB::ActiveX::testing::TestFactory>(); }
