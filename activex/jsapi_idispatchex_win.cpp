#include "activex/jsapi_idispatchex_win.h"

#include <oleauto.h>

#include <array>
#include <exception>
#include <string_view>

#include "activex/com_variant_conversion_win.h"
#include "activex/dispatch_id_map.h"
#include "activex/event_connection_point_win.h"
#include "runtime/diagnostic_log.h"
#include "scripting/js_function.h"
#include "scripting/script_error.h"
#include "scripting/text_conversion.h"

namespace FB::ActiveX {
namespace {

// Identifiers the bridge answers for the control itself.
constexpr DISPID kSecurityContextId = -5511;  // DISPID_SECURITYCTX
constexpr DISPID kReadyStateId = -525;        // DISPID_READYSTATE
constexpr DISPID kEnabledId = -514;           // DISPID_ENABLED
constexpr DISPID kThisId = -613;              // DISPID_THIS

enum BuiltIn { kAttachEvent, kDetachEvent, kGetLastException, kNoBuiltIn };
constexpr const wchar_t* kBuiltInNames[] = {L"attachEvent", L"detachEvent", L"getLastException"};
constexpr std::wstring_view kBuiltInViews[] = {L"attachEvent", L"detachEvent", L"getLastException"};

BuiltIn builtInOf(std::wstring_view name) {
  for (int i = 0; i < 3; ++i) {
    if (name == kBuiltInViews[i]) return static_cast<BuiltIn>(i);
  }
  return kNoBuiltIn;
}

// The UTF-8 form of a mapped name, which the API's wide operations would
// make themselves; a name that is not valid UTF-16 raises the same error
// they would.
const std::string& utf8Of(const DispatchName& name) {
  if (!name.utf8Valid) (void)toUtf8(name.wide);
  return name.utf8;
}

// Argument lists up to this length are kept for the next call.
constexpr std::size_t kKeptArgumentCapacity = 16;

// A name nobody answers for; reported like a missing member.
class unknown_member : public script_error {
 public:
  unknown_member() : script_error("Invalid method or property name") {}
};

// The API went away while the call ran.
class api_gone : public std::exception {};

void fillException(EXCEPINFO* exception, const std::string& source, const std::string& message) {
  if (!exception) return;
  *exception = EXCEPINFO{};
  exception->bstrSource = SysAllocString(toWide(source).c_str());
  exception->bstrDescription = SysAllocString(toWide(message).c_str());
  exception->scode = E_NOTIMPL;
}

}  // namespace

// --- built-in function objects ---------------------------------------------

JSAPI_IDispatchEx::BuiltInFunction::BuiltInFunction(JSAPI_IDispatchEx* owner, const std::string& methodName)
    : JSFunction(JSAPIWeakPtr(), methodName, 0), owner_(owner) {}

variant JSAPI_IDispatchEx::BuiltInFunction::callMethod(const std::string& name, const VariantVector& args) {
  if (name.empty()) return callSelf(args);
  if (std::string_view(name) == "call") {
    return callSelf(args.size() < 2 ? VariantVector() : VariantVector(args.begin() + 1, args.end()));
  }
  if (std::string_view(name) == "apply") {
    if (args.size() < 2) return callSelf(VariantVector());
    try {
      return callSelf(args[1].convertTo<VariantVector>());
    } catch (const bad_variant_cast& e) {
      throw invalid_arguments("Could not convert from " + e.fromType + " to " + e.toType);
    }
  }
  return JSFunction::callMethod(name, args);
}

// attachEvent(name, handler) / detachEvent(name, handler): the event name
// goes to the API exactly as given ("onload").
class JSAPI_IDispatchEx::IDisp_AttachEvent : public BuiltInFunction {
 public:
  IDisp_AttachEvent(JSAPI_IDispatchEx* owner, bool attach)
      : BuiltInFunction(owner, attach ? "attachEvent" : "detachEvent"), attach_(attach) {}

 protected:
  variant callSelf(const VariantVector& args) override {
    JSAPIPtr api = owner_ ? owner_->api_.lock() : nullptr;
    if (!api || args.size() != 2) throw invalid_arguments();
    std::string eventName;
    JSObjectPtr handler;
    try {
      eventName = args[0].convertTo<std::string>();
      handler = args[1].convertTo<JSObjectPtr>();
    } catch (const bad_variant_cast& e) {
      throw invalid_arguments(e.what());
    }
    if (attach_) {
      api->addEventHandler(eventName, handler);
    } else {
      api->removeEventHandler(eventName, handler);
    }
    return variant();
  }

 private:
  bool attach_;
};

class JSAPI_IDispatchEx::IDisp_GetLastException : public BuiltInFunction {
 public:
  explicit IDisp_GetLastException(JSAPI_IDispatchEx* owner) : BuiltInFunction(owner, "getLastException") {}

 protected:
  variant callSelf(const VariantVector&) override { return owner_ ? owner_->lastException() : variant(); }
};

// --- the bridge ------------------------------------------------------------

JSAPI_IDispatchEx::JSAPI_IDispatchEx(std::string mimeType)
    : connectionPoint_(std::make_unique<EventConnectionPoint>(this)), mimeType_(std::move(mimeType)) {}

// The function objects may outlive this bridge (script holds them).
JSAPI_IDispatchEx::~JSAPI_IDispatchEx() {
  // The sinks leave the API while this bridge still knows it.
  try {
    connectionPoint_->releaseSinks();
  } catch (...) {
  }
  for (auto& function : builtIns_) {
    if (function) function->detach();
  }
}

void JSAPI_IDispatchEx::setAPI(const JSAPIWeakPtr& api, const ComScriptHostWeakPtr& host) {
  const JSAPIPtr before = api_.lock();
  api_ = api;
  connectionPoint_->apiChanged(before, api.lock());
  host_ = host;
  memberNames_.clear();
  listedMemberCount_ = 0;
}

variant& JSAPI_IDispatchEx::lastException() {
  if (ComScriptHostPtr host = host_.lock()) return host->lastException();
  return ownLastException_;
}

JSAPIPtr JSAPI_IDispatchEx::liveApi() const {
  JSAPIPtr api = api_.lock();
  if (!api) throw api_gone();
  return api;
}

JSAPIPtr JSAPI_IDispatchEx::builtInFunction(int which) {
  auto& slot = builtIns_[which];
  if (!slot) {
    if (which == kGetLastException) {
      slot = std::make_shared<IDisp_GetLastException>(this);
    } else {
      slot = std::make_shared<IDisp_AttachEvent>(this, which == kAttachEvent);
    }
  }
  return slot;
}

void JSAPI_IDispatchEx::dropBuiltInFunctions() {
  FB::dropBuiltInFunctions(std::to_array(std::move(builtIns_)));
}

void* JSAPI_IDispatchEx::findInterface(REFIID) { return nullptr; }

HRESULT STDMETHODCALLTYPE JSAPI_IDispatchEx::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  void* found = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidIDispatchEx)) {
    found = static_cast<IDispatchEx*>(this);
  } else if (IsEqualIID(iid, kIidJsapiBridge)) {
    found = this;
  } else if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
    found = connectionPoint_->container();
  } else {
    found = findInterface(iid);
  }
  *out = found;
  if (!found) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE JSAPI_IDispatchEx::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE JSAPI_IDispatchEx::Release() {
  ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE JSAPI_IDispatchEx::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE JSAPI_IDispatchEx::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE JSAPI_IDispatchEx::DeleteMemberByName(BSTR, DWORD) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE JSAPI_IDispatchEx::GetMemberProperties(DISPID, DWORD, DWORD*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE JSAPI_IDispatchEx::GetNameSpaceParent(IUnknown**) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE JSAPI_IDispatchEx::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                                           DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  for (UINT i = 0; i < count; ++i) {
    // Plain texts, not BSTRs: GetDispID reads a BSTR's length prefix.
    BSTR name = SysAllocString(names[i]);
    if (names[i] && !name) return E_OUTOFMEMORY;
    HRESULT result = GetDispID(name, fdexNameCaseSensitive, &ids[i]);
    SysFreeString(name);
    if (FAILED(result)) return result;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE JSAPI_IDispatchEx::Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params,
                                                    VARIANT* result, EXCEPINFO* exception, UINT*) {
  return InvokeEx(id, locale, flags, params, result, exception, nullptr);
}

HRESULT STDMETHODCALLTYPE JSAPI_IDispatchEx::GetDispID(BSTR name, DWORD, DISPID* id) {
  if (!id) return E_POINTER;
  *id = DISPID_UNKNOWN;
  try {
    JSAPIPtr api = api_.lock();
    if (!api) return DISP_E_UNKNOWNNAME;
    const std::wstring_view wide(name ? name : L"", name ? SysStringLen(name) : 0);
    // The API's wide operations convert the name and ask the UTF-8 ones;
    // a known name has its UTF-8 form already.
    const DispatchName* known = findDispatchName(wide);
    if (builtInOf(wide) == kNoBuiltIn) {
      std::string converted;
      const std::string& utf8 = known ? utf8Of(*known) : (converted = toUtf8(wide));
      if (!api->hasPropertyNamed(utf8) && !api->hasMethodNamed(utf8)) return DISP_E_UNKNOWNNAME;
    }
    *id = known ? known->id : dispatchIdFor(wide);
    return S_OK;
  } catch (...) {
    *id = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
}

VariantVector JSAPI_IDispatchEx::arguments(const ComScriptHostPtr& host, const DISPPARAMS* params) const {
  VariantVector list;
  fillArguments(host, params, list);
  return list;
}

void JSAPI_IDispatchEx::fillArguments(const ComScriptHostPtr& host, const DISPPARAMS* params,
                                      VariantVector& list) const {
  list.clear();
  if (!params || !params->rgvarg) return;
  UINT first = 0;
  if (params->cNamedArgs > 0 && params->rgdispidNamedArgs && params->rgdispidNamedArgs[0] == kThisId) first = 1;
  if (params->cArgs <= first) return;
  list.reserve(params->cArgs - first);
  // COM stores the arguments last first.
  for (UINT i = params->cArgs; i-- > first;) list.push_back(toVariantFromCom(host, params->rgvarg[i]));
}

variant JSAPI_IDispatchEx::firstArgument(const ComScriptHostPtr& host, const DISPPARAMS* params) const {
  if (!params || !params->rgvarg) return variant();
  UINT first = 0;
  if (params->cNamedArgs > 0 && params->rgdispidNamedArgs && params->rgdispidNamedArgs[0] == kThisId) first = 1;
  if (params->cArgs <= first) return variant();
  return toVariantFromCom(host, params->rgvarg[params->cArgs - 1]);
}

HRESULT JSAPI_IDispatchEx::invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* exception) {
  (void)exception;
  const DispatchName* mapped = dispatchName(id);
  if (!mapped) return DISP_E_MEMBERNOTFOUND;
  const bool isGet = (flags & DISPATCH_PROPERTYGET) != 0;
  const bool isMethod = (flags & DISPATCH_METHOD) != 0;
  if (isGet && !result) return E_INVALIDARG;
  // The control's own properties answer also before it has an API.
  if (isGet) {
    if (id == kSecurityContextId) return S_OK;
    if (id == kReadyStateId) {
      V_VT(result) = VT_I4;
      V_I4(result) = readyState();
      return S_OK;
    }
    if (id == kEnabledId) {
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = VARIANT_TRUE;
      return S_OK;
    }
  }
  if (api_.expired()) return DISP_E_MEMBERNOTFOUND;
  ComScriptHostPtr host = host_.lock();
  variant answer;
  const BuiltIn builtIn = builtInOf(mapped->wide);
  if (builtIn != kNoBuiltIn) {
    if (builtIn == kGetLastException) {
      answer = isMethod ? lastException() : variant(builtInFunction(builtIn));
    } else {
      answer = isMethod ? builtInFunction(builtIn)->callMethod(std::string(), arguments(host, params))
                        : variant(builtInFunction(builtIn));
    }
  } else {
    JSAPIPtr api = liveApi();
    // The UTF-8 operations of the API, with the name the wide ones would
    // convert to.
    if (isMethod && (id == DISPID_VALUE || api->hasMethodNamed(utf8Of(*mapped)))) {
      // The argument list of the last call is reused; a call made while
      // this one runs finds none and makes its own.
      VariantVector values = std::move(spareArguments_);
      fillArguments(host, params, values);
      answer = api->callMethod(id == DISPID_VALUE ? std::string() : utf8Of(*mapped), values);
      values.clear();
      if (values.capacity() <= kKeptArgumentCapacity) spareArguments_ = std::move(values);
    } else if (flags & DISPATCH_CONSTRUCT) {
      answer = api->constructNew(arguments(host, params));
    } else if (isGet && api->hasMethodNamed(utf8Of(*mapped))) {
      const std::string& name = utf8Of(*mapped);
      answer = api->hasCallableMember(name) ? variant(api->methodObject(name)) : variant(true);
    } else if (isGet && api->hasPropertyNamed(utf8Of(*mapped))) {
      answer = api->readProperty(utf8Of(*mapped));
    } else if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) &&
               api->hasPropertyNamed(utf8Of(*mapped))) {
      api->writeProperty(utf8Of(*mapped), firstArgument(host, params));
    } else {
      throw unknown_member();
    }
  }
  if (result) toComVariant(host, answer, *result);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE JSAPI_IDispatchEx::InvokeEx(DISPID id, LCID, WORD flags, DISPPARAMS* params,
                                                      VARIANT* result, EXCEPINFO* exception, IServiceProvider*) {
  if (result) VariantInit(result);
  // Kept alive for the call, even if script releases it meanwhile.
  AddRef();
  HRESULT answer = E_NOTIMPL;
  try {
    answer = invoke(id, flags, params, result, exception);
  } catch (const api_gone&) {
    answer = DISP_E_MEMBERNOTFOUND;
  } catch (const unknown_member& e) {
    lastException() = std::string(e.what());
    answer = DISP_E_MEMBERNOTFOUND;
  } catch (const invalid_member& e) {
    diagnostic("JSAPI_IDispatchEx", [&] { return std::string("No such member: ") + e.what(); });
    lastException() = std::string(e.what());
    answer = DISP_E_MEMBERNOTFOUND;
  } catch (const std::exception& e) {
    // Script errors, and failures that are not: the page is the only one
    // who can hear of either.
    try {
      lastException() = std::string(e.what());
      fillException(exception, mimeType_, e.what());
      answer = DISP_E_EXCEPTION;
    } catch (...) {
      answer = E_NOTIMPL;
    }
  } catch (...) {
    answer = E_NOTIMPL;
  }
  if (FAILED(answer) && result) VariantClear(result);
  Release();
  return answer;
}

HRESULT STDMETHODCALLTYPE JSAPI_IDispatchEx::DeleteMemberByDispID(DISPID id) {
  try {
    const DispatchName* mapped = dispatchName(id);
    JSAPIPtr api = api_.lock();
    if (!mapped || !api) return S_FALSE;
    api->deleteProperty(mapped->wide);
    return S_OK;
  } catch (const script_error& e) {
    try {
      lastException() = std::string(e.what());
    } catch (...) {
    }
    return S_FALSE;
  } catch (...) {
    return S_FALSE;
  }
}

HRESULT STDMETHODCALLTYPE JSAPI_IDispatchEx::GetMemberName(DISPID id, BSTR* name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  try {
    const DispatchName* mapped = dispatchName(id);
    if (!mapped) return DISP_E_UNKNOWNNAME;
    *name = SysAllocStringLen(mapped->wide.data(), static_cast<UINT>(mapped->wide.size()));
    return *name ? S_OK : E_OUTOFMEMORY;
  } catch (...) {
    return DISP_E_UNKNOWNNAME;
  }
}

HRESULT STDMETHODCALLTYPE JSAPI_IDispatchEx::GetNextDispID(DWORD, DISPID id, DISPID* next) {
  if (!next) return E_POINTER;
  *next = DISPID_UNKNOWN;
  try {
    JSAPIPtr api = api_.lock();
    if (!api) return S_FALSE;
    const std::size_t count = api->memberCount();
    if (memberNames_.empty() || count != listedMemberCount_) {
      std::vector<std::wstring> names;
      api->collectMemberNames(names);
      names.insert(names.end(), std::begin(kBuiltInNames), std::end(kBuiltInNames));
      memberNames_ = std::move(names);
      listedMemberCount_ = count;
    }
    std::size_t at = 0;
    if (id != DISPID_STARTENUM) {
      const DispatchName* mapped = dispatchName(id);
      if (!mapped) return S_FALSE;
      const std::wstring& name = mapped->wide;
      while (at < memberNames_.size() && memberNames_[at] != name) ++at;
      if (at == memberNames_.size()) return S_FALSE;
      ++at;
    }
    if (at >= memberNames_.size()) return S_FALSE;
    *next = dispatchIdFor(memberNames_[at]);
    return S_OK;
  } catch (...) {
    return S_FALSE;
  }
}

}  // namespace FB::ActiveX
