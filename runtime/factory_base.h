// FB::FactoryBase: the process-wide factory through which the browser
// bindings create plug-in cores. The application supplies the concrete
// factory by defining createApplicationFactory(); factoryInstance() makes it
// on first use and keeps it until releaseFactoryInstance() (module unload).
//
// Main thread only: the instance is created without locking.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace FB {

class PluginCore;
using PluginCorePtr = std::shared_ptr<PluginCore>;

class FactoryBase {
 public:
  virtual ~FactoryBase() = default;

  virtual PluginCorePtr createPlugin(const std::string& mimeType) = 0;
  // Called when the first plug-in module of the process is set up, and when
  // the last one goes away.
  virtual void globalInitialize() {}
  virtual void globalDeinitialize() {}
  virtual void collectLogTargets(std::vector<std::string>& targets) { (void)targets; }
  virtual int logLevel() { return 4; }
};

using FactoryBasePtr = std::shared_ptr<FactoryBase>;

// Defined by the application: makes its factory.
FactoryBasePtr createApplicationFactory();

FactoryBasePtr factoryInstance();
void releaseFactoryInstance();

}  // namespace FB
