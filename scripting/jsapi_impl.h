// FB::JSAPIImpl: the state every concrete scriptable object of the plug-in
// shares: the validity flag and the access-zone stack with its recursive
// zone lock.
//
// Thread rules: any thread may call in. enterZone takes the zone lock and
// keeps it until the matching leaveZone, so a thread inside a zone excludes
// every other thread from the object until it leaves.
#pragma once

#include <atomic>
#include <deque>
#include <mutex>

#include "scripting/jsapi.h"

namespace FB {

class JSAPIImpl : public JSAPI {
 public:
  explicit JSAPIImpl(int baseZone = 0);
  ~JSAPIImpl() override;

  void markInvalid() override { valid_ = false; }
  bool isValid() const { return valid_; }

  void enterZone(int zone) override;
  void leaveZone() override;
  void setBaseZone(int zone) override;
  int baseZone() const override;
  int currentZone() const override;

 protected:
  std::recursive_mutex& zoneMutex() const { return zoneMutex_; }
  // The current zone for callers that already hold the zone lock.
  int currentZoneLocked() const { return zoneStack_.back(); }

 private:
  std::atomic<bool> valid_{true};
  mutable std::recursive_mutex zoneMutex_;
  std::deque<int> zoneStack_;
};

}  // namespace FB
