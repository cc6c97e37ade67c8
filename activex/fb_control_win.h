// FB::ActiveX::CFBControl: the ActiveX control (class FBControl). It owns
// the instance's plug-in core (through FB::BrowserPlugin), builds the
// ActiveX browser host when the container gives it a site, hands the core
// the page's parameters and the ready signal, and gives script the core's
// root object through its own IDispatchEx (the bridge it derives from).
//
// The COM plumbing is written by hand, in one file per concern:
// IObjectWithSite, IOleObject, IOleControl, IPersistPropertyBag,
// IProvideClassInfo2 and IObjectSafety here; in-place activation
// (IOleInPlaceObjectWindowless, IOleInPlaceActiveObject, the activating
// verbs) in control_in_place_win.cpp; drawing and sizing (IViewObjectEx,
// IQuickActivate, the extent) in control_view_win.cpp. In place, the
// control is windowless when the site allows it, else it makes a child
// window; either surface is handed to the plug-in core as a plug-in window.
// Property-notify sinks (from quick activation) learn when the ready state
// changes.
//
// Thread rules: the container's thread (apartment threaded); AddRef and
// Release from any thread.
#pragma once

#include <windows.h>

#include <objsafe.h>
#include <ocidl.h>

#include <memory>
#include <vector>

#include "activex/activex_browser_host_win.h"
#include "activex/jsapi_idispatchex_win.h"
#include "runtime/browser_plugin.h"
#include "runtime/plugin_window.h"

namespace FB {
class PluginWindowlessWin;
}

namespace FB::ActiveX {

class CFBControl : public JSAPI_IDispatchEx,
                   public BrowserPlugin,
                   public IObjectWithSite,
                   public IOleObject,
                   public IOleControl,
                   public IPersistPropertyBag,
                   public IProvideClassInfo2,
                   public IObjectSafety,
                   public IOleInPlaceObjectWindowless,
                   public IOleInPlaceActiveObject,
                   public IViewObjectEx,
                   public IQuickActivate {
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
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* activeSite, LONG index, HWND parent,
                                   LPCRECT position) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return OLE_S_USEREG; }
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
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

  // IOleWindow (shared by the two in-place interfaces)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  // IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }
  // IOleInPlaceObjectWindowless
  HRESULT STDMETHODCALLTYPE OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget** target) override;
  // IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  // IViewObject, IViewObject2, IViewObjectEx
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target,
                                 HDC targetContext, HDC drawContext, LPCRECTL bounds, LPCRECTL metafileBounds,
                                 BOOL(STDMETHODCALLTYPE* keepDrawing)(ULONG_PTR), ULONG_PTR keepDrawingArgument)
      override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, LPSIZEL size) override;
  HRESULT STDMETHODCALLTYPE GetRect(DWORD, LPRECTL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetViewStatus(DWORD* status) override;
  HRESULT STDMETHODCALLTYPE QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG closeHint,
                                          DWORD* hit) override;
  HRESULT STDMETHODCALLTYPE QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT area, LONG closeHint,
                                         DWORD* hit) override;
  HRESULT STDMETHODCALLTYPE GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) override {
    return E_NOTIMPL;
  }
  // IQuickActivate
  HRESULT STDMETHODCALLTYPE QuickActivate(QACONTAINER* container, QACONTROL* control) override;
  HRESULT STDMETHODCALLTYPE SetContentExtent(LPSIZEL size) override;
  HRESULT STDMETHODCALLTYPE GetContentExtent(LPSIZEL size) override;

  const ActiveXBrowserHostPtr& browserHost() const { return host_; }
  bool isInPlaceActive() const { return inPlaceSite_ != nullptr; }
  bool isWindowlessActive() const { return windowlessSite_ != nullptr; }

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
  // In-place activation through the client site (windowless when the site
  // allows it), and its undoing (control_in_place_win.cpp).
  HRESULT activateInPlace(const RECT* position);
  void deactivateInPlace();
  void createChildWindow(HWND parent);
  void destroyChildWindow();
  void addPropertyNotifySink(IPropertyNotifySink* sink);
  void releaseViewObjects();

  IUnknown* site_ = nullptr;
  IOleClientSite* clientSite_ = nullptr;
  IWebBrowser2* webBrowser_ = nullptr;
  ActiveXBrowserHostPtr host_;
  long readyState_ = 0;  // READYSTATE_UNINITIALIZED
  std::vector<IPropertyNotifySink*> notifySinks_;

  // In place: the site (held while active), its windowless form when the
  // control is windowless, the child window otherwise, and the plug-in
  // window over either surface.
  IOleInPlaceSite* inPlaceSite_ = nullptr;
  IOleInPlaceSiteEx* inPlaceSiteEx_ = nullptr;
  IOleInPlaceSiteWindowless* windowlessSite_ = nullptr;
  HWND childWindow_ = nullptr;
  std::unique_ptr<PluginWindow> pluginWindow_;
  PluginWindowlessWin* windowless_ = nullptr;  // pluginWindow_ when windowless
  RECT position_{};

  // Drawing and size: the view's advise sink and the extent (HIMETRIC).
  IAdviseSink* viewSink_ = nullptr;
  DWORD viewAspects_ = 0;
  DWORD viewFlags_ = 0;
  SIZEL extent_{5080, 5080};
};

}  // namespace FB::ActiveX
