// FB::ActiveX::CFBControl: the ActiveX control (class FBControl). It owns
// the instance's plug-in core (through FB::BrowserPlugin), builds the
// ActiveX browser host when the container gives it a site, hands the core
// the page's parameters and the ready signal, and gives script the core's
// root object through its own IDispatchEx (the bridge it derives from).
//
// The COM plumbing is the part script hosts and containers need here:
// IObjectWithSite, IOleObject (site, close, the rest refused),
// IOleControl, IPersistPropertyBag, IProvideClassInfo2 and IObjectSafety.
//
// Thread rules: the container's thread (apartment threaded); AddRef and
// Release from any thread.
#pragma once

#include <windows.h>

#include <objsafe.h>
#include <ocidl.h>

#include <memory>

#include "activex/activex_browser_host_win.h"
#include "activex/jsapi_idispatchex_win.h"
#include "runtime/browser_plugin.h"

namespace FB::ActiveX {

class CFBControl : public JSAPI_IDispatchEx,
                   public BrowserPlugin,
                   public IObjectWithSite,
                   public IOleObject,
                   public IOleControl,
                   public IPersistPropertyBag,
                   public IProvideClassInfo2,
                   public IObjectSafety {
 public:
  // A new control with one reference for the caller.
  static CFBControl* create();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return JSAPI_IDispatchEx::QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return JSAPI_IDispatchEx::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return JSAPI_IDispatchEx::Release(); }

  // FB::BrowserPlugin
  void bindingReady() override { signalReady(); }

  // IObjectWithSite
  HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override;
  HRESULT STDMETHODCALLTYPE GetSite(REFIID iid, void** out) override;
  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return OLE_S_USEREG; }
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }
  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL) override { return S_OK; }
  // IPersistPropertyBag
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag*, BOOL, BOOL) override { return S_OK; }
  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;
  // IObjectSafety
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) override;
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID, DWORD, DWORD) override { return S_OK; }

  const ActiveXBrowserHostPtr& browserHost() const { return host_; }

 protected:
  ~CFBControl() override;
  void* findInterface(REFIID iid) override;
  long readyState() const override { return readyState_; }

 private:
  CFBControl();
  // The container's site arrived: web browser, host, core.
  void siteArrived(IUnknown* site);
  void signalReady();
  void teardown();

  IUnknown* site_ = nullptr;
  IOleClientSite* clientSite_ = nullptr;
  IWebBrowser2* webBrowser_ = nullptr;
  ActiveXBrowserHostPtr host_;
  long readyState_ = 0;  // READYSTATE_UNINITIALIZED
};

}  // namespace FB::ActiveX
