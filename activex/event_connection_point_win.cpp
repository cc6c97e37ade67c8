#include "activex/event_connection_point_win.h"

#include <olectl.h>

#include <atomic>
#include <utility>

#include "activex/activex_ids_win.h"
#include "activex/com_guard_win.h"
#include "activex/jsapi_idispatchex_win.h"

namespace FB::ActiveX {

// Lists the one connection point; holds the bridge alive while it exists.
class EventConnectionPoint::Enumerator final : public IEnumConnectionPoints {
 public:
  Enumerator(EventConnectionPoint& owner, ULONG position) : owner_(owner), position_(position) {
    owner_.owner_->AddRef();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumConnectionPoints)) {
      *out = static_cast<IEnumConnectionPoints*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** points, ULONG* fetched) override {
    if (!points || (count != 1 && !fetched)) return E_POINTER;
    ULONG given = 0;
    if (count > 0 && position_ == 0) {
      points[0] = &owner_.point_;
      points[0]->AddRef();
      given = 1;
      position_ = 1;
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    if (count == 0) return S_OK;
    const bool skipped = position_ == 0 && count == 1;
    position_ = 1;
    return skipped ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** out) override {
    if (!out) return E_POINTER;
    return comGuard([&] {
      *out = nullptr;
      *out = new Enumerator(owner_, position_);
      return S_OK;
    });
  }

 private:
  ~Enumerator() { owner_.owner_->Release(); }

  EventConnectionPoint& owner_;
  ULONG position_;
  std::atomic<ULONG> references_{1};
};

EventConnectionPoint::EventConnectionPoint(JSAPI_IDispatchEx* owner)
    : owner_(owner), container_(*this), point_(*this) {}

// The bridge unregisters the sinks (releaseSinks) while it still knows its
// API; what is left here is only released.
EventConnectionPoint::~EventConnectionPoint() = default;

void EventConnectionPoint::apiChanged(const JSAPIPtr& before, const JSAPIPtr& after) {
  if (before == after) return;
  for (const auto& [cookie, sink] : sinks_) {
    if (before) before->removeEventSink(sink);
    if (after) after->addEventSink(sink);
  }
}

void EventConnectionPoint::releaseSinks() {
  std::map<DWORD, JSObjectPtr> sinks;
  sinks.swap(sinks_);
  JSAPIPtr api = owner_->api().lock();
  for (const auto& [cookie, sink] : sinks) {
    try {
      if (api) api->removeEventSink(sink);
    } catch (...) {
      // The sink goes either way.
    }
  }
}

HRESULT EventConnectionPoint::advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  ComScriptHostPtr host = owner_->host();
  if (!host) return CONNECT_E_CANNOTCONNECT;
  IDispatch* dispatch = nullptr;
  if (FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) || !dispatch) {
    return CONNECT_E_CANNOTCONNECT;
  }
  JSObjectPtr proxy;
  try {
    proxy = host->proxyForDispatch(dispatch);
  } catch (...) {
    dispatch->Release();
    throw;
  }
  dispatch->Release();
  if (!proxy) return CONNECT_E_CANNOTCONNECT;
  const DWORD given = nextCookie_++;
  sinks_.emplace(given, proxy);
  try {
    if (JSAPIPtr api = owner_->api().lock()) api->addEventSink(proxy);
  } catch (...) {
    sinks_.erase(given);
    throw;
  }
  *cookie = given;
  return S_OK;
}

HRESULT EventConnectionPoint::unadvise(DWORD cookie) {
  auto found = sinks_.find(cookie);
  if (found == sinks_.end()) return E_UNEXPECTED;
  JSObjectPtr sink = std::move(found->second);
  sinks_.erase(found);
  if (JSAPIPtr api = owner_->api().lock()) api->removeEventSink(sink);
  return S_OK;
}

// --- the container ---------------------------------------------------------

HRESULT STDMETHODCALLTYPE EventConnectionPoint::Container::QueryInterface(REFIID iid, void** out) {
  return owner_.owner_->QueryInterface(iid, out);
}
ULONG STDMETHODCALLTYPE EventConnectionPoint::Container::AddRef() { return owner_.owner_->AddRef(); }
ULONG STDMETHODCALLTYPE EventConnectionPoint::Container::Release() { return owner_.owner_->Release(); }

HRESULT STDMETHODCALLTYPE EventConnectionPoint::Container::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (!out) return E_POINTER;
  return comGuard([&] {
    *out = nullptr;
    *out = new Enumerator(owner_, 0);
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE EventConnectionPoint::Container::FindConnectionPoint(REFIID iid,
                                                                               IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualIID(iid, kDiidIFBComEventSource)) return CONNECT_E_NOCONNECTION;
  *out = &owner_.point_;
  (*out)->AddRef();
  return S_OK;
}

// --- the point -------------------------------------------------------------

HRESULT STDMETHODCALLTYPE EventConnectionPoint::Point::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}
ULONG STDMETHODCALLTYPE EventConnectionPoint::Point::AddRef() { return owner_.owner_->AddRef(); }
ULONG STDMETHODCALLTYPE EventConnectionPoint::Point::Release() { return owner_.owner_->Release(); }

HRESULT STDMETHODCALLTYPE EventConnectionPoint::Point::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = kDiidIFBComEventSource;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE
EventConnectionPoint::Point::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = &owner_.container_;
  (*out)->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE EventConnectionPoint::Point::Advise(IUnknown* sink, DWORD* cookie) {
  return comGuard([&] { return owner_.advise(sink, cookie); });
}

HRESULT STDMETHODCALLTYPE EventConnectionPoint::Point::Unadvise(DWORD cookie) {
  return comGuard([&] { return owner_.unadvise(cookie); });
}

HRESULT STDMETHODCALLTYPE EventConnectionPoint::Point::EnumConnections(IEnumConnections** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

}  // namespace FB::ActiveX
