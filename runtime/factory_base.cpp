#include "runtime/factory_base.h"

namespace FB {
namespace {

FactoryBasePtr& instanceSlot() {
  static FactoryBasePtr instance;
  return instance;
}

}  // namespace

FactoryBasePtr factoryInstance() {
  FactoryBasePtr& instance = instanceSlot();
  if (!instance) instance = createApplicationFactory();
  return instance;
}

void releaseFactoryInstance() { instanceSlot().reset(); }

}  // namespace FB
