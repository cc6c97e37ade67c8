#include "activex/fb_control_win.h"

#include <oleauto.h>

#include <new>
#include <vector>

#include "activex/activex_ids_win.h"
#include "activex/class_factory_win.h"
#include "activex/com_guard_win.h"
#include "activex/com_javascript_object_win.h"
#include "activex/com_module_win.h"
#include "activex/com_variant_conversion_win.h"
#include "activex/event_connection_point_win.h"
#include "runtime/plugin_description.h"
#include "scripting/text_conversion.h"

namespace FB::ActiveX {
namespace {

// SID_SWebBrowserApp is IID_IWebBrowserApp.
constexpr GUID kSidWebBrowserApp = {0x0002df05, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr long kReadyStateComplete = 4;
constexpr long kReadyStateUninitialized = 0;
constexpr DISPID kReadyStateId = -525;  // DISPID_READYSTATE

}  // namespace

HRESULT createControlInstance(REFIID iid, void** out) {
  CFBControl* control = CFBControl::create();
  HRESULT result = control->QueryInterface(iid, out);
  control->Release();
  return result;
}

CFBControl* CFBControl::create() { return new CFBControl(); }

CFBControl::CFBControl() : JSAPI_IDispatchEx(kMimeType), BrowserPlugin(kMimeType) {
  lockModule();
  setModulePath(modulePathUtf8());
}

CFBControl::~CFBControl() {
  try {
    teardown();
  } catch (...) {
  }
  unlockModule();
}

void* CFBControl::findInterface(REFIID iid) {
  if (IsEqualIID(iid, kIidIFBControl)) return static_cast<IDispatchEx*>(this);
  if (IsEqualIID(iid, IID_IObjectWithSite)) return static_cast<IObjectWithSite*>(this);
  if (IsEqualIID(iid, IID_IOleObject)) return static_cast<IOleObject*>(this);
  if (IsEqualIID(iid, IID_IOleControl)) return static_cast<IOleControl*>(this);
  if (IsEqualIID(iid, IID_IPersistPropertyBag) || IsEqualIID(iid, IID_IPersist)) {
    return static_cast<IPersistPropertyBag*>(this);
  }
  if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2)) {
    return static_cast<IProvideClassInfo2*>(this);
  }
  if (IsEqualIID(iid, IID_IObjectSafety)) return static_cast<IObjectSafety*>(this);
  if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject) ||
      IsEqualIID(iid, IID_IOleInPlaceObjectWindowless)) {
    return static_cast<IOleInPlaceObjectWindowless*>(this);
  }
  if (IsEqualIID(iid, IID_IOleInPlaceActiveObject)) return static_cast<IOleInPlaceActiveObject*>(this);
  if (IsEqualIID(iid, IID_IViewObject) || IsEqualIID(iid, IID_IViewObject2) || IsEqualIID(iid, IID_IViewObjectEx)) {
    return static_cast<IViewObjectEx*>(this);
  }
  if (IsEqualIID(iid, IID_IQuickActivate)) return static_cast<IQuickActivate*>(this);
  return nullptr;
}

void CFBControl::siteArrived(IUnknown* site) {
  releaseAndClear(webBrowser_);
  IServiceProvider* services = nullptr;
  if (SUCCEEDED(site->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&services)))) {
    if (FAILED(services->QueryService(kSidWebBrowserApp, IID_IWebBrowser2, reinterpret_cast<void**>(&webBrowser_)))) {
      webBrowser_ = nullptr;
    }
    services->Release();
  }
  if (host_) host_->shutdown();
  IOleClientSite* clientSite = clientSite_;
  if (!clientSite) site->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(&clientSite));
  host_ = std::make_shared<ActiveXBrowserHost>(webBrowser_, clientSite);
  if (clientSite && clientSite != clientSite_) clientSite->Release();
  core_->setHost(host_);
  // Sinks may be advised from now on, before the root object is given.
  setAPI(api(), host_);
}

void CFBControl::signalReady() {
  if (!core_) return;
  setAPI(core_->rootScriptObject(), host_);
  readyState_ = kReadyStateComplete;
  // A sink may drop itself while told; tell a copy, each one held.
  std::vector<IPropertyNotifySink*> sinks = notifySinks_;
  for (IPropertyNotifySink* sink : sinks) sink->AddRef();
  for (IPropertyNotifySink* sink : sinks) {
    sink->OnChanged(kReadyStateId);
    sink->Release();
  }
  core_->markReady();
}

void CFBControl::addPropertyNotifySink(IPropertyNotifySink* sink) {
  if (!sink) return;
  notifySinks_.reserve(notifySinks_.size() + 1);
  sink->AddRef();
  notifySinks_.push_back(sink);
}

void CFBControl::teardown() {
  if (host_) host_->shutdown();
  if (core_) {
    core_->detachWindow();
    core_->onShutdown();
  }
  pluginWindow_.reset();
  windowless_ = nullptr;
  deactivateInPlace();
  connectionPoint().releaseSinks();
  std::vector<IPropertyNotifySink*> sinks;
  sinks.swap(notifySinks_);
  for (IPropertyNotifySink* sink : sinks) sink->Release();
  releaseViewObjects();
  readyState_ = kReadyStateUninitialized;
  core_.reset();
  if (host_) {
    host_->releaseContainer();
    host_->releasePending();
  }
  releaseAndClear(webBrowser_);
  releaseAndClear(clientSite_);
  releaseAndClear(site_);
  // Last, as an attribute may hold a reference to this control (the caller
  // of SetSite or SetClientSite holds one of its own).
  dropBuiltInFunctions();
}

HRESULT STDMETHODCALLTYPE CFBControl::SetSite(IUnknown* site) {
  try {
    if (!site || !core_) {
      teardown();
      return S_OK;
    }
    site->AddRef();
    releaseAndClear(site_);
    site_ = site;
    siteArrived(site);
    core_->setNoWindowFlag(true);
    signalReady();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT STDMETHODCALLTYPE CFBControl::GetSite(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return site_ ? site_->QueryInterface(iid, out) : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CFBControl::SetClientSite(IOleClientSite* site) {
  try {
    if (!site || !core_) {
      teardown();
      return S_OK;
    }
    site->AddRef();
    releaseAndClear(clientSite_);
    clientSite_ = site;
    siteArrived(site);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT STDMETHODCALLTYPE CFBControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = clientSite_;
  if (clientSite_) clientSite_->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CFBControl::Close(DWORD) {
  return comGuard([&] {
    if (isInPlaceActive()) InPlaceDeactivate();
    releaseViewObjects();
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CFBControl::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

HRESULT STDMETHODCALLTYPE CFBControl::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
            OLEMISC_SETCLIENTSITEFIRST;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CFBControl::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = kClsidFBControl;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CFBControl::InitNew() {
  try {
    if (!core_) return E_UNEXPECTED;
    core_->setParams(VariantStringMap());
    signalReady();
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT STDMETHODCALLTYPE CFBControl::Load(IPropertyBag* bag, IErrorLog*) {
  if (!bag) return E_POINTER;
  try {
    if (!core_) return E_UNEXPECTED;
    VariantStringMap params;
    IPropertyBag2* all = nullptr;
    if (SUCCEEDED(bag->QueryInterface(IID_IPropertyBag2, reinterpret_cast<void**>(&all)))) {
      ULONG count = 0;
      all->CountProperties(&count);
      std::vector<PROPBAG2> infos(count);
      ULONG read = 0;
      if (count > 0 && SUCCEEDED(all->GetPropertyInfo(0, count, infos.data(), &read))) {
        std::vector<VARIANT> values(read);
        std::vector<HRESULT> results(read, E_FAIL);
        for (auto& value : values) VariantInit(&value);
        all->Read(read, infos.data(), nullptr, values.data(), results.data());
        for (ULONG i = 0; i < read; ++i) {
          if (SUCCEEDED(results[i]) && infos[i].pstrName) {
            try {
              params[toUtf8(std::wstring(infos[i].pstrName))] = toVariantFromCom(host_, values[i]);
            } catch (...) {
              // A name that is not valid text is left out.
            }
          }
          VariantClear(&values[i]);
          CoTaskMemFree(infos[i].pstrName);
        }
      }
      all->Release();
    }
    core_->setParams(params);
    signalReady();
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT STDMETHODCALLTYPE CFBControl::GetClassInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = moduleClassTypeInfo(kClsidFBControl);
  return *info ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CFBControl::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *guid = GUID_NULL;
    return E_INVALIDARG;
  }
  *guid = kDiidIFBComEventSource;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CFBControl::GetInterfaceSafetyOptions(REFIID, DWORD* supported, DWORD* enabled) {
  if (!supported || !enabled) return E_POINTER;
  *supported = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
  *enabled = *supported;
  return S_OK;
}

}  // namespace FB::ActiveX
