// FB::ActiveX::COMJavascriptObject: the COM object (class
// FBComJavascriptObject) that script holds for every scriptable object of
// the plug-in other than the control's root object. It is a bridge over a
// weak reference to the object, made by the host's bridge table; it
// reports itself safe for untrusted callers and data, and names its class
// and event interface.
//
// Thread rules: as JSAPI_IDispatchEx.
#pragma once

#include <windows.h>

#include <objsafe.h>
#include <ocidl.h>

#include "activex/jsapi_idispatchex_win.h"

namespace FB::ActiveX {

class ActiveXBrowserHost;

class COMJavascriptObject : public JSAPI_IDispatchEx, public IProvideClassInfo2, public IObjectSafety {
 public:
  // A new object with one reference for the caller. With `autoRelease` the
  // object leaves the host's bridge table when it goes.
  static COMJavascriptObject* create(const JSAPIWeakPtr& api, const std::shared_ptr<ActiveXBrowserHost>& host,
                                     bool autoRelease);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return JSAPI_IDispatchEx::QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return JSAPI_IDispatchEx::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return JSAPI_IDispatchEx::Release(); }

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;
  // IObjectSafety
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) override;
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) override;

 protected:
  ~COMJavascriptObject() override;
  void* findInterface(REFIID iid) override;

 private:
  explicit COMJavascriptObject(bool autoRelease);

  std::weak_ptr<ActiveXBrowserHost> activeXHost_;
  JSAPI* key_ = nullptr;
  bool autoRelease_;
};

// The type information of one class of the module's type library; null
// when the library cannot be loaded.
ITypeInfo* moduleClassTypeInfo(REFGUID clsid);

}  // namespace FB::ActiveX
