// FB::JSAPIImpl: the state every concrete scriptable object of the plug-in
// shares: the validity flag, the access-zone stack with its recursive zone
// lock, and events: handlers and sinks per browser context, delivery, and
// proxies (other objects that stand in for this one and receive its events).
//
// Thread rules: any thread may call in. enterZone takes the zone lock and
// keeps it until the matching leaveZone, so a thread inside a zone excludes
// every other thread from the object until it leaves. Events may be raised
// from any thread; the event tables and the proxy list have their own locks,
// and no lock is held while handlers are invoked (every handler call reaches
// the page asynchronously through its host).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

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

  using JSAPI::addEventHandler;
  using JSAPI::removeEventHandler;
  void addEventHandler(const std::string& name, const JSObjectPtr& handler) override;
  void removeEventHandler(const std::string& name, const JSObjectPtr& handler) override;
  void addEventSink(const JSObjectPtr& sink) override;
  void removeEventSink(const JSObjectPtr& sink) override;

  // Calls the handlers and sinks registered for `name` with `args`.
  virtual void deliverEvent(const std::string& name, const VariantVector& args);
  virtual void raiseEvent(const std::string& name, const VariantVector& args);
  virtual void raiseEvent(const std::wstring& name, const VariantVector& args);
  // DOM-style events: handlers receive one event object (a map with "type",
  // "target", ... and "arguments").
  virtual void raiseDomEvent(const std::string& name, const VariantVector& args);
  virtual void raiseDomEvent(const std::string& name, const VariantStringMap& members);
  virtual void raiseDomEvent(const std::string& name, const VariantStringMap& members, const VariantVector& args);
  virtual void declareEvent(const std::wstring& name) { (void)name; }
  virtual void declareEvent(const std::string& name) { (void)name; }
  virtual void addProxy(const std::weak_ptr<JSAPIImpl>& proxy);
  virtual void removeProxy(const std::shared_ptr<JSAPIImpl>& proxy);

 protected:
  std::recursive_mutex& zoneMutex() const { return zoneMutex_; }
  // The current zone for callers that already hold the zone lock.
  int currentZoneLocked() const { return zoneStack_.back(); }

 private:
  std::atomic<bool> valid_{true};
  mutable std::recursive_mutex zoneMutex_;
  std::deque<int> zoneStack_;

  using HandlerMap = std::multimap<std::string, JSObjectPtr>;  // equal names keep registration order
  using SinkMap = std::map<std::uintptr_t, JSObjectPtr>;       // by the sink's identity
  template <class Raise>
  void forEachProxy(const Raise& raise);

  std::mutex eventLock_;
  std::map<std::uintptr_t, HandlerMap> handlerTable_;
  std::map<std::uintptr_t, SinkMap> sinkTable_;
  std::recursive_mutex proxyLock_;
  std::vector<std::weak_ptr<JSAPIImpl>> proxies_;
};

}  // namespace FB
