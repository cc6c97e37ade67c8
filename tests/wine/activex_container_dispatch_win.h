// Small hand-written IDispatchEx objects for the ActiveX container's script
// engine: DispatchObject answers a fixed list of member names (identifiers
// 1, 2, ... in list order) and hands each call to its subclass;
// BareObject is the benchmark's reference object, with the same member
// names the benchmark calls on the control ("loggingLevel" read and
// written, "crash" called) doing the least work those members can.
//
// Container thread only; AddRef and Release from any thread.
#pragma once

#include <windows.h>

#include <dispex.h>

#include <atomic>
#include <string>
#include <vector>

namespace nz_container {

// Not in the build machines' import libraries.
inline constexpr IID kIidIDispatchEx = {
    0xa6ef9860, 0xc720, 0x11d0, {0x93, 0x37, 0x00, 0xa0, 0xc9, 0x0d, 0xca, 0xa9}};

class DispatchObject : public IDispatchEx {
 public:
  explicit DispatchObject(std::vector<std::wstring> names) : names_(std::move(names)) {}
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override {
    return InvokeEx(id, locale, flags, params, result, exception, nullptr);
  }
  HRESULT STDMETHODCALLTYPE GetDispID(BSTR name, DWORD flags, DISPID* id) override;
  HRESULT STDMETHODCALLTYPE InvokeEx(DISPID id, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, IServiceProvider*) override;
  HRESULT STDMETHODCALLTYPE DeleteMemberByName(BSTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteMemberByDispID(DISPID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMemberProperties(DISPID, DWORD, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMemberName(DISPID, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetNextDispID(DWORD, DISPID, DISPID*) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE GetNameSpaceParent(IUnknown**) override { return E_NOTIMPL; }

 protected:
  virtual ~DispatchObject() = default;
  // One call of member `member` (its index in the name list); `params`
  // as COM passes them. Answers the HRESULT for script.
  virtual HRESULT call(std::size_t member, WORD flags, const DISPPARAMS& params, VARIANT* result) = 0;
  // Positional argument `index` in script order, or null when script
  // passed fewer.
  static const VARIANT* argument(const DISPPARAMS& params, unsigned index);

 private:
  std::atomic<ULONG> references_{1};
  std::vector<std::wstring> names_;
};

class BareObject : public DispatchObject {
 public:
  BareObject() : DispatchObject({L"loggingLevel", L"crash"}) {}

 protected:
  HRESULT call(std::size_t member, WORD flags, const DISPPARAMS& params, VARIANT* result) override;

 private:
  int level_ = 0;
};

}  // namespace nz_container
