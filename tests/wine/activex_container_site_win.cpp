#include "tests/wine/activex_container_site_win.h"

#include <cwchar>

namespace nz_container {
namespace {

// SID_SWebBrowserApp is IID_IWebBrowserApp.
constexpr GUID kSidWebBrowserApp = {
    0x0002df05, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

BSTR newText(const std::wstring& text) {
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

}  // namespace

ClientSite::ClientSite(IUnknown* webBrowser) : webBrowser_(webBrowser) {
  if (webBrowser_) webBrowser_->AddRef();
}

ClientSite::~ClientSite() {
  if (webBrowser_) webBrowser_->Release();
}

HRESULT STDMETHODCALLTYPE ClientSite::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
    *out = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(iid, IID_IServiceProvider)) {
    *out = static_cast<IServiceProvider*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE ClientSite::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE ClientSite::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE ClientSite::QueryService(REFGUID service, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualGUID(service, kSidWebBrowserApp) || !webBrowser_) return E_NOINTERFACE;
  return webBrowser_->QueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE PropertyBag::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyBag)) {
    *out = static_cast<IPropertyBag*>(this);
  } else if (IsEqualIID(iid, IID_IPropertyBag2)) {
    *out = static_cast<IPropertyBag2*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE PropertyBag::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

const std::wstring* PropertyBag::find(LPCOLESTR name) const {
  if (!name) return nullptr;
  for (const auto& [key, value] : values_) {
    if (key == name) return &value;
  }
  return nullptr;
}

HRESULT STDMETHODCALLTYPE PropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
  if (!value) return E_POINTER;
  const std::wstring* found = find(name);
  if (!found) return E_INVALIDARG;
  VariantClear(value);
  V_VT(value) = VT_BSTR;
  V_BSTR(value) = newText(*found);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyBag::Read(ULONG count, PROPBAG2* properties, IErrorLog*, VARIANT* values,
                                            HRESULT* results) {
  if (count > 0 && (!properties || !values)) return E_POINTER;
  HRESULT overall = S_OK;
  for (ULONG i = 0; i < count; ++i) {
    VariantInit(&values[i]);
    const std::wstring* found = find(properties[i].pstrName);
    HRESULT status = E_INVALIDARG;
    if (found) {
      V_VT(&values[i]) = VT_BSTR;
      V_BSTR(&values[i]) = newText(*found);
      status = S_OK;
    }
    if (results) results[i] = status;
    if (FAILED(status)) overall = E_FAIL;
  }
  return overall;
}

HRESULT STDMETHODCALLTYPE PropertyBag::CountProperties(ULONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<ULONG>(values_.size());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyBag::GetPropertyInfo(ULONG first, ULONG count, PROPBAG2* properties,
                                                       ULONG* read) {
  if (!properties || !read) return E_POINTER;
  *read = 0;
  for (ULONG i = first; i < values_.size() && *read < count; ++i, ++*read) {
    PROPBAG2& property = properties[*read];
    property = PROPBAG2{};
    property.dwType = PROPBAG2_TYPE_DATA;
    property.vt = VT_BSTR;
    const std::wstring& name = values_[i].first;
    property.pstrName = static_cast<LPOLESTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(wchar_t)));
    if (!property.pstrName) return E_OUTOFMEMORY;
    std::wmemcpy(property.pstrName, name.c_str(), name.size() + 1);
  }
  return first < values_.size() || count == 0 ? S_OK : E_INVALIDARG;
}

}  // namespace nz_container
