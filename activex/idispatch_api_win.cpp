#include "activex/idispatch_api_win.h"

#include <oleauto.h>

#include <string>

#include "activex/activex_browser_host_win.h"
#include "activex/com_variant_conversion_win.h"
#include "activex/jsapi_idispatchex_win.h"
#include "scripting/script_error.h"
#include "scripting/text_conversion.h"

namespace FB::ActiveX {
namespace {

// Arguments for a call, last first as COM stores them, cleared afterwards.
class ComArguments {
 public:
  ComArguments(const ComScriptHostPtr& host, const VariantVector& args) : values_(args.size()) {
    for (auto& value : values_) VariantInit(&value);
    std::size_t slot = args.size();
    for (const variant& arg : args) toComVariant(host, arg, values_[--slot]);
  }
  ~ComArguments() {
    for (auto& value : values_) VariantClear(&value);
  }
  ComArguments(const ComArguments&) = delete;
  ComArguments& operator=(const ComArguments&) = delete;

  VARIANT* data() { return values_.empty() ? nullptr : values_.data(); }
  UINT count() const { return static_cast<UINT>(values_.size()); }

 private:
  std::vector<VARIANT> values_;
};

}  // namespace

IDispatchAPI::IDispatchAPI(IDispatch* object, const ActiveXBrowserHostPtr& host)
    : JSObject(host), host_(host), object_(object) {
  object_->AddRef();
  IUnknown* identity = nullptr;
  if (SUCCEEDED(object_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)))) {
    identity_ = identity;
    identity->Release();
  }
  void* bridge = nullptr;
  if (SUCCEEDED(object_->QueryInterface(kIidJsapiBridge, &bridge)) && bridge) {
    auto* own = static_cast<JSAPI_IDispatchEx*>(bridge);
    isPluginObject_ = true;
    wrapped_ = own->api();
    own->Release();
  }
}

IDispatchAPI::~IDispatchAPI() {
  ActiveXBrowserHostPtr host = liveHost();
  if (host) {
    host->releaseLater(object_);
  } else {
    object_->Release();
  }
}

std::uintptr_t IDispatchAPI::eventContext() const {
  ActiveXBrowserHostPtr host = liveHost();
  return host ? host->contextId() : 0;
}

bool IDispatchAPI::isValidObject() const {
  ActiveXBrowserHostPtr host = liveHost();
  return host && !host->isShutDown();
}

JSAPIPtr IDispatchAPI::directTarget() const { return isPluginObject_ ? wrapped_.lock() : nullptr; }

template <class F>
auto IDispatchAPI::onContainerThread(F&& operation) const {
  ActiveXBrowserHostPtr host = liveHost();
  if (!host) throw script_error("This object is no longer valid");
  return host->callOnMainThread(std::forward<F>(operation));
}

DISPID IDispatchAPI::resolve(const std::wstring& name) const {
  DISPID id = DISPID_UNKNOWN;
  IDispatchEx* extended = nullptr;
  if (SUCCEEDED(object_->QueryInterface(kIidIDispatchEx, reinterpret_cast<void**>(&extended)))) {
    BSTR text = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    if (FAILED(extended->GetDispID(text, fdexNameCaseSensitive, &id))) id = DISPID_UNKNOWN;
    SysFreeString(text);
    extended->Release();
    return id;
  }
  LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
  if (FAILED(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) id = DISPID_UNKNOWN;
  return id;
}

HRESULT IDispatchAPI::call(DISPID id, WORD flags, const VariantVector& args, variant* result) const {
  ActiveXBrowserHostPtr host = liveHost();
  if (!host) return E_UNEXPECTED;
  ComArguments values(host, args);
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{values.data(), nullptr, values.count(), 0};
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  VARIANT answer;
  VariantInit(&answer);
  HRESULT status = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result ? &answer : nullptr,
                                   nullptr, nullptr);
  if (SUCCEEDED(status) && result) *result = toVariantFromCom(host, answer);
  VariantClear(&answer);
  return status;
}

bool IDispatchAPI::hasPropertyNamed(const std::string& name) const {
  if (JSAPIPtr target = directTarget()) return target->hasPropertyNamed(name);
  return onContainerThread([&] {
    DISPID id = resolve(toWide(name));
    if (id == DISPID_UNKNOWN && name != "toString") return false;
    variant ignored;
    return SUCCEEDED(call(id, DISPATCH_PROPERTYGET, {}, &ignored));
  });
}

bool IDispatchAPI::hasMethodNamed(const std::string& name) const {
  if (JSAPIPtr target = directTarget()) return target->hasMethodNamed(name);
  return onContainerThread([&] { return resolve(toWide(name)) != DISPID_UNKNOWN; });
}

variant IDispatchAPI::readProperty(const std::string& name) {
  if (JSAPIPtr target = directTarget()) return target->readProperty(name);
  return onContainerThread([&] {
    variant value;
    DISPID id = resolve(toWide(name));
    if (FAILED(call(id, DISPATCH_PROPERTYGET, {}, &value)) && name != "toString") {
      throw script_error("Could not get property");
    }
    return value;
  });
}

void IDispatchAPI::writeProperty(const std::string& name, const variant& value) {
  if (JSAPIPtr target = directTarget()) return target->writeProperty(name, value);
  onContainerThread([&] {
    DISPID id = resolve(toWide(name));
    if (id == DISPID_UNKNOWN) {
      // Script objects take new properties: ask for the name to be made.
      IDispatchEx* extended = nullptr;
      if (SUCCEEDED(object_->QueryInterface(kIidIDispatchEx, reinterpret_cast<void**>(&extended)))) {
        std::wstring wide = toWide(name);
        BSTR text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        if (FAILED(extended->GetDispID(text, fdexNameCaseSensitive | fdexNameEnsure, &id))) id = DISPID_UNKNOWN;
        SysFreeString(text);
        extended->Release();
      }
    }
    if (FAILED(call(id, DISPATCH_PROPERTYPUT, {value}, nullptr))) throw script_error("Could not set property");
  });
}

void IDispatchAPI::deleteProperty(const std::string& name) {
  if (JSAPIPtr target = directTarget()) return target->deleteProperty(name);
  onContainerThread([&] {
    IDispatchEx* extended = nullptr;
    if (FAILED(object_->QueryInterface(kIidIDispatchEx, reinterpret_cast<void**>(&extended)))) {
      throw script_error("Could not remove property");
    }
    DISPID id = resolve(toWide(name));
    if (id != DISPID_UNKNOWN) extended->DeleteMemberByDispID(id);
    extended->Release();
  });
}

variant IDispatchAPI::callMethod(const std::string& name, const VariantVector& args) {
  if (JSAPIPtr target = directTarget()) return target->callMethod(name, args);
  return onContainerThread([&] {
    DISPID id = name.empty() ? DISPID_VALUE : resolve(toWide(name));
    variant result;
    if (FAILED(call(id, DISPATCH_METHOD, args, &result))) throw script_error("Method invoke failed");
    return result;
  });
}

variant IDispatchAPI::constructNew(const VariantVector& args) {
  if (JSAPIPtr target = directTarget()) return target->constructNew(args);
  return onContainerThread([&] {
    variant result;
    if (FAILED(call(DISPID_VALUE, DISPATCH_CONSTRUCT, args, &result))) {
      throw script_error("Constructor invoke failed");
    }
    return result;
  });
}

void IDispatchAPI::collectMemberNames(std::vector<std::string>& names) const {
  if (JSAPIPtr target = directTarget()) return target->collectMemberNames(names);
  onContainerThread([&] {
    IDispatchEx* extended = nullptr;
    if (FAILED(object_->QueryInterface(kIidIDispatchEx, reinterpret_cast<void**>(&extended)))) {
      throw script_error("Cannot enumerate members; IDispatchEx not supported");
    }
    DISPID id = DISPID_STARTENUM;
    while (extended->GetNextDispID(fdexEnumAll, id, &id) == S_OK) {
      BSTR name = nullptr;
      if (SUCCEEDED(extended->GetMemberName(id, &name)) && name) {
        names.push_back(toUtf8(std::wstring(name, SysStringLen(name))));
      }
      SysFreeString(name);
    }
    extended->Release();
  });
}

std::size_t IDispatchAPI::memberCount() const {
  std::vector<std::string> names;
  collectMemberNames(names);
  return names.size();
}

bool IDispatchAPI::hasPropertyAt(std::size_t index) const { return hasPropertyNamed(std::to_string(index)); }
variant IDispatchAPI::readPropertyAt(std::size_t index) { return readProperty(std::to_string(index)); }
void IDispatchAPI::writePropertyAt(std::size_t index, const variant& value) {
  writeProperty(std::to_string(index), value);
}
void IDispatchAPI::deletePropertyAt(std::size_t index) { deleteProperty(std::to_string(index)); }

// On the container's thread the handlers and sinks are called at once;
// from another thread the whole batch is queued there. One failing handler
// does not keep the event from the others.
void IDispatchAPI::callHandlersBatch(const std::string& eventName, const VariantVector& args,
                                     const std::vector<JSObjectPtr>& handlers, const std::vector<JSObjectPtr>& sinks) {
  ActiveXBrowserHostPtr host = liveHost();
  if (!host || host->isShutDown()) throw script_error("Error calling handlers");
  auto deliver = [eventName, args, handlers, sinks] {
    auto callEach = [&](const std::vector<JSObjectPtr>& targets, const std::string& member) {
      for (const auto& target : targets) {
        if (!target) continue;
        try {
          JSAPIPtr inner = target->wrappedObject();
          if (inner) {
            inner->callMethod(member, args);
          } else {
            target->callMethod(member, args);
          }
        } catch (const std::exception&) {
          // The page's handler failed; the others still run.
        }
      }
    };
    callEach(handlers, "");
    callEach(sinks, eventName);
  };
  if (host->isMainThread()) {
    deliver();
  } else {
    host->scheduleOnMainThread(shared_from_this(), std::move(deliver));
  }
}

}  // namespace FB::ActiveX
