#include "activex/com_javascript_object_win.h"

#include <oleauto.h>

#include "activex/activex_browser_host_win.h"
#include "activex/activex_ids_win.h"
#include "activex/com_module_win.h"
#include "runtime/plugin_description.h"

namespace FB::ActiveX {

ITypeInfo* moduleClassTypeInfo(REFGUID clsid) {
  ITypeLib* library = nullptr;
  if (modulePathWide().empty() || FAILED(LoadTypeLibEx(modulePathWide().c_str(), REGKIND_NONE, &library))) {
    return nullptr;
  }
  ITypeInfo* info = nullptr;
  if (FAILED(library->GetTypeInfoOfGuid(clsid, &info))) info = nullptr;
  library->Release();
  return info;
}

COMJavascriptObject::COMJavascriptObject(bool autoRelease) : JSAPI_IDispatchEx(kMimeType), autoRelease_(autoRelease) {
  lockModule();
}

COMJavascriptObject* COMJavascriptObject::create(const JSAPIWeakPtr& api,
                                                 const std::shared_ptr<ActiveXBrowserHost>& host, bool autoRelease) {
  auto* object = new COMJavascriptObject(autoRelease);
  object->setAPI(api, host);
  object->activeXHost_ = host;
  object->key_ = api.lock().get();
  return object;
}

COMJavascriptObject::~COMJavascriptObject() {
  if (autoRelease_) {
    if (auto host = activeXHost_.lock()) {
      try {
        host->forgetWrapper(this, key_, api().lock());
      } catch (...) {
      }
    }
  }
  unlockModule();
}

void* COMJavascriptObject::findInterface(REFIID iid) {
  if (IsEqualIID(iid, kIidIFBComJavascriptObject)) return static_cast<IDispatchEx*>(this);
  if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2)) {
    return static_cast<IProvideClassInfo2*>(this);
  }
  if (IsEqualIID(iid, IID_IObjectSafety)) return static_cast<IObjectSafety*>(this);
  return nullptr;
}

HRESULT STDMETHODCALLTYPE COMJavascriptObject::GetClassInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = moduleClassTypeInfo(kClsidFBComJavascriptObject);
  return *info ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE COMJavascriptObject::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *guid = GUID_NULL;
    return E_INVALIDARG;
  }
  *guid = kDiidIFBComEventSource;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE COMJavascriptObject::GetInterfaceSafetyOptions(REFIID, DWORD* supported, DWORD* enabled) {
  if (!supported || !enabled) return E_POINTER;
  *supported = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
  *enabled = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE COMJavascriptObject::SetInterfaceSafetyOptions(REFIID, DWORD, DWORD) { return S_OK; }

}  // namespace FB::ActiveX
