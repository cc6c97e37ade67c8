#include "scripting/jsapi_impl.h"

namespace FB {

JSAPIImpl::JSAPIImpl(int baseZone) { zoneStack_.push_back(baseZone); }

JSAPIImpl::~JSAPIImpl() = default;

void JSAPIImpl::enterZone(int zone) {
  zoneMutex_.lock();
  zoneStack_.push_back(zone);
}

void JSAPIImpl::leaveZone() {
  // The base zone is never popped; an unbalanced leaveZone only unlocks.
  if (zoneStack_.size() > 1) zoneStack_.pop_back();
  zoneMutex_.unlock();
}

void JSAPIImpl::setBaseZone(int zone) {
  std::lock_guard<std::recursive_mutex> lock(zoneMutex_);
  zoneStack_.front() = zone;
}

int JSAPIImpl::baseZone() const {
  std::lock_guard<std::recursive_mutex> lock(zoneMutex_);
  return zoneStack_.front();
}

int JSAPIImpl::currentZone() const {
  std::lock_guard<std::recursive_mutex> lock(zoneMutex_);
  return zoneStack_.back();
}

}  // namespace FB
