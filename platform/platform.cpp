// Selection of the process-wide FB::Platform. See platform.h.
#include "platform/platform.h"

#include <atomic>

namespace FB {
namespace {

std::atomic<Platform*> substitute{nullptr};

}  // namespace

Platform::~Platform() = default;

Platform& Platform::instance() {
  Platform* platform = substitute.load(std::memory_order_acquire);
  return platform ? *platform : systemInstance();
}

Platform* Platform::setInstanceForTesting(Platform* platform) {
  return substitute.exchange(platform, std::memory_order_acq_rel);
}

}  // namespace FB
