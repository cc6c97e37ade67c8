// FB::ActiveX::ActiveXBindStatusCallback: urlmon's partner for one request
// of an ActiveXStream (IBindStatusCallback and IHttpNegotiate). It states
// how to bind (asynchronous, pulled data, cached or not, GET or POST with
// its body), adds the request headers (identity encoding, the ranges, the
// form content type), judges the response (a status of 200-299, and the
// ranges when a seekable stream was asked for), and passes the data on to
// the stream with its offset in the resource.
//
// A refused response (another status, or no ranges where they are needed)
// fails the request however urlmon ends the binding, and its body is never
// passed on.
//
// COM object made by ActiveXStreamRequest; urlmon calls it on the thread
// that started the binding. No exception leaves a COM method.
#pragma once

#include <windows.h>

#include <objidl.h>
#include <urlmon.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace FB::ActiveX {

class ActiveXStreamRequest;

class ActiveXBindStatusCallback final : public IBindStatusCallback, public IHttpNegotiate {
 public:
  enum class Verb { Get = 0, Post = 1 };

  // One reference for the caller. A POST copies `postData` into global
  // memory, which lives as long as the callback.
  ActiveXBindStatusCallback(std::shared_ptr<ActiveXStreamRequest> request, Verb verb, const std::string& postData);
  ActiveXBindStatusCallback(const ActiveXBindStatusCallback&) = delete;
  ActiveXBindStatusCallback& operator=(const ActiveXBindStatusCallback&) = delete;

  // The request no longer listens: later notifications do nothing.
  void detach();
  // Aborts the binding when there is one; true when it counts as aborted.
  bool abortBinding();

  // The header lines BeginningTransaction adds.
  std::wstring additionalHeaders() const;
  // The bind flags GetBindInfo answers.
  DWORD bindFlags() const;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;

  // IBindStatusCallback
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG status, LPCWSTR text) override;
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

  // IHttpNegotiate
  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                                 LPWSTR* additional) override;
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD code, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                                       LPWSTR* additional) override;

  bool redirected() const { return redirected_; }

 private:
  ~ActiveXBindStatusCallback();
  // Reads what the delivery stream holds now, passing it on block by block.
  void readAvailable();

  std::atomic<ULONG> references_{1};
  std::shared_ptr<ActiveXStreamRequest> request_;
  IBinding* binding_ = nullptr;
  IStream* delivery_ = nullptr;
  std::size_t delivered_ = 0;
  std::size_t baseOffset_ = 0;
  Verb verb_;
  HGLOBAL postCopy_ = nullptr;
  std::size_t postLength_ = 0;
  bool redirected_ = false;
  bool refused_ = false;
  std::vector<char> block_;
};

}  // namespace FB::ActiveX
