// The container side of one embedded control: ClientSite is the control's
// client site (IOleClientSite) whose IServiceProvider answers the
// web-browser service with the test page's browser; PropertyBag holds the
// <param> values of the embedding and offers them through IPropertyBag
// and IPropertyBag2, as a browser's property bag does.
//
// Container thread only; AddRef and Release from any thread.
#pragma once

#include <windows.h>

#include <ocidl.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace nz_container {

class ClientSite : public IOleClientSite, public IServiceProvider {
 public:
  // `webBrowser` (an IWebBrowser2; a reference is kept) answers
  // SID_SWebBrowserApp.
  explicit ClientSite(IUnknown* webBrowser);
  ClientSite(const ClientSite&) = delete;
  ClientSite& operator=(const ClientSite&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
  // IServiceProvider
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override;

 private:
  virtual ~ClientSite();

  std::atomic<ULONG> references_{1};
  IUnknown* webBrowser_;
};

class PropertyBag : public IPropertyBag, public IPropertyBag2 {
 public:
  explicit PropertyBag(std::vector<std::pair<std::wstring, std::wstring>> values)
      : values_(std::move(values)) {}
  PropertyBag(const PropertyBag&) = delete;
  PropertyBag& operator=(const PropertyBag&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  // IPropertyBag
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override;
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }
  // IPropertyBag2
  HRESULT STDMETHODCALLTYPE Read(ULONG count, PROPBAG2* properties, IErrorLog*, VARIANT* values,
                                 HRESULT* results) override;
  HRESULT STDMETHODCALLTYPE Write(ULONG, PROPBAG2*, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CountProperties(ULONG* count) override;
  HRESULT STDMETHODCALLTYPE GetPropertyInfo(ULONG first, ULONG count, PROPBAG2* properties,
                                            ULONG* read) override;
  HRESULT STDMETHODCALLTYPE LoadObject(LPCOLESTR, DWORD, IUnknown*, IErrorLog*) override { return E_NOTIMPL; }

 private:
  virtual ~PropertyBag() = default;
  const std::wstring* find(LPCOLESTR name) const;

  std::atomic<ULONG> references_{1};
  std::vector<std::pair<std::wstring, std::wstring>> values_;
};

}  // namespace nz_container
