#include "tests/wine/activex_container_dispatch_win.h"

#include <cwchar>

namespace nz_container {

HRESULT STDMETHODCALLTYPE DispatchObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidIDispatchEx)) {
    *out = static_cast<IDispatchEx*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DispatchObject::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                        DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  for (UINT i = 0; i < count; ++i) {
    HRESULT found = GetDispID(names[i], 0, &ids[i]);
    if (FAILED(found)) return found;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetDispID(BSTR name, DWORD, DISPID* id) {
  if (!name || !id) return E_POINTER;
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (std::wcscmp(names_[i].c_str(), name) == 0) {
      *id = static_cast<DISPID>(i + 1);
      return S_OK;
    }
  }
  *id = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE DispatchObject::InvokeEx(DISPID id, LCID, WORD flags, DISPPARAMS* params,
                                                   VARIANT* result, EXCEPINFO*, IServiceProvider*) {
  if (id < 1 || static_cast<std::size_t>(id) > names_.size()) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  return call(static_cast<std::size_t>(id - 1), flags, params ? *params : none, result);
}

const VARIANT* DispatchObject::argument(const DISPPARAMS& params, unsigned index) {
  // COM stores the named arguments first, then the others last-first.
  if (index >= params.cArgs - params.cNamedArgs) return nullptr;
  return &params.rgvarg[params.cArgs - 1 - index];
}

HRESULT BareObject::call(std::size_t member, WORD flags, const DISPPARAMS& params, VARIANT* result) {
  if (member == 0) {  // "loggingLevel"
    if (flags & DISPATCH_PROPERTYPUT) {
      VARIANT number;
      VariantInit(&number);
      // The value is the one named argument (DISPID_PROPERTYPUT).
      const VARIANT* value = params.cArgs > 0 ? &params.rgvarg[0] : nullptr;
      if (!value || FAILED(VariantChangeType(&number, const_cast<VARIANT*>(value), 0, VT_I4)))
        return DISP_E_TYPEMISMATCH;
      level_ = V_I4(&number);
      return S_OK;
    }
    if (!result) return E_INVALIDARG;
    V_VT(result) = VT_I4;
    V_I4(result) = level_;
    return S_OK;
  }
  // "crash": one text argument, compared with the access code; no result.
  const VARIANT* code = argument(params, 0);
  if (!code || V_VT(code) != VT_BSTR || params.cArgs - params.cNamedArgs != 1) return DISP_E_BADPARAMCOUNT;
  static_cast<void>(std::wcscmp(V_BSTR(code), L"MarbleCanyon") == 0);
  if (result) VariantInit(result);
  return S_OK;
}

}  // namespace nz_container
