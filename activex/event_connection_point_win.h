// FB::ActiveX::EventConnectionPoint: the connection-point side of a bridge
// (the control or an object handed to script). It offers one connection
// point, for the event interface IFBComEventSource, through an
// IConnectionPointContainer that shares the bridge's identity. A sink that
// a container advises is wrapped in a proxy for page objects and
// registered with the bridge's scriptable object as an event sink, so the
// events that object raises call the sink's methods by name.
//
// The container and the point count references on the bridge; the bridge
// owns this object, unregisters the sinks (releaseSinks) before its own
// state goes, and destroys this object with itself.
//
// Thread rules: the container's thread (the bridge's COM methods); no
// exception leaves a COM method.
#pragma once

#include <windows.h>

#include <ocidl.h>

#include <map>

#include "scripting/js_object.h"
#include "scripting/jsapi.h"

namespace FB::ActiveX {

class JSAPI_IDispatchEx;

class EventConnectionPoint {
 public:
  explicit EventConnectionPoint(JSAPI_IDispatchEx* owner);
  ~EventConnectionPoint();
  EventConnectionPoint(const EventConnectionPoint&) = delete;
  EventConnectionPoint& operator=(const EventConnectionPoint&) = delete;

  // The container interface, without a new reference.
  IConnectionPointContainer* container() { return &container_; }
  // The bridge's scriptable object changed: the advised sinks leave the
  // old one (when it still lives) and join the new one.
  void apiChanged(const JSAPIPtr& before, const JSAPIPtr& after);
  // Forgets every advised sink (unregistering it) and releases it.
  void releaseSinks();
  std::size_t sinkCount() const { return sinks_.size(); }

 private:
  class Container : public IConnectionPointContainer {
   public:
    explicit Container(EventConnectionPoint& owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

   private:
    EventConnectionPoint& owner_;
  };
  class Point : public IConnectionPoint {
   public:
    explicit Point(EventConnectionPoint& owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

   private:
    EventConnectionPoint& owner_;
  };
  class Enumerator;

  HRESULT advise(IUnknown* sink, DWORD* cookie);
  HRESULT unadvise(DWORD cookie);

  JSAPI_IDispatchEx* owner_;
  Container container_;
  Point point_;
  std::map<DWORD, JSObjectPtr> sinks_;
  DWORD nextCookie_ = 1;
};

}  // namespace FB::ActiveX
