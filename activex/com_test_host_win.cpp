#include "activex/com_test_host_win.h"

#include <oleauto.h>

#include <algorithm>

#include "activex/jsapi_idispatchex_win.h"
#include "scripting/text_conversion.h"
#include "testing/fake_script_object.h"

namespace FB::ActiveX::testing {
namespace {

// A page object reached from the plug-in: holds its IDispatch.
class DispatchProxy : public FB::testing::FakeScriptObject {
 public:
  explicit DispatchProxy(IDispatch* object) : object_(object) { object_->AddRef(); }
  ~DispatchProxy() override { object_->Release(); }
  IDispatch* dispatch() const { return object_; }

 private:
  IDispatch* object_;
};

}  // namespace

ComValue::ComValue(int number) : ComValue() {
  V_VT(&value) = VT_I4;
  V_I4(&value) = number;
}

ComValue::ComValue(const wchar_t* text) : ComValue() {
  V_VT(&value) = VT_BSTR;
  V_BSTR(&value) = SysAllocString(text);
}

ComValue::ComValue(bool flag) : ComValue() {
  V_VT(&value) = VT_BOOL;
  V_BOOL(&value) = flag ? VARIANT_TRUE : VARIANT_FALSE;
}

ComValue::ComValue(double number) : ComValue() {
  V_VT(&value) = VT_R8;
  V_R8(&value) = number;
}

ComValue::ComValue(IDispatch* object) : ComValue() {
  V_VT(&value) = VT_DISPATCH;
  V_DISPATCH(&value) = object;
  if (object) object->AddRef();
}

ComValue::ComValue(const ComValue& other) : ComValue() { VariantCopy(&value, const_cast<VARIANT*>(&other.value)); }

std::string ComValue::text() const {
  switch (V_VT(&value)) {
    case VT_EMPTY:
      return "";
    case VT_NULL:
      return "null";
    case VT_BOOL:
      return V_BOOL(&value) == VARIANT_TRUE ? "true" : "false";
    case VT_DISPATCH:
      return V_DISPATCH(&value) ? "[object]" : "null";
    case VT_BSTR:
      return narrow(V_BSTR(&value));
    default: {
      VARIANT copy;
      VariantInit(&copy);
      if (FAILED(VariantChangeType(&copy, const_cast<VARIANT*>(&value), 0, VT_BSTR))) return "<unprintable>";
      std::string printed = narrow(V_BSTR(&copy));
      VariantClear(&copy);
      return printed;
    }
  }
}

std::string narrow(const wchar_t* text) { return text ? toUtf8(std::wstring(text)) : std::string(); }

HRESULT invoke(IDispatchEx* object, DISPID id, WORD flags, const std::vector<ComValue>& args, VARIANT* result,
               EXCEPINFO* exception) {
  std::vector<VARIANT> stored;
  for (auto arg = args.rbegin(); arg != args.rend(); ++arg) stored.push_back(arg->value);
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{stored.data(), nullptr, static_cast<UINT>(stored.size()), 0};
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  return object->InvokeEx(id, LOCALE_USER_DEFAULT, flags, &params, result, exception, nullptr);
}

HRESULT put(IDispatchEx* object, DISPID id, const ComValue& value) {
  return invoke(object, id, DISPATCH_PROPERTYPUT, {value}, nullptr, nullptr);
}

IDispatchEx* TestComHost::wrap(const JSAPIPtr& api) {
  auto* bridge = new JSAPI_IDispatchEx("application/x-norvellzephel32");
  bridge->setAPI(api, weak_from_this());
  return bridge;
}

IDispatch* TestComHost::pageFunction() {
  auto function = FB::testing::FakeScriptObject::function([](const VariantVector&) { return variant(); });
  pageObjects_.push_back(function);
  return wrap(function);
}

void TestComHost::releaseAll() {
  retained.clear();
  pageObjects_.clear();
}

IDispatch* TestComHost::dispatchForApi(const JSAPIPtr& api, bool retain) {
  if (auto proxy = std::dynamic_pointer_cast<DispatchProxy>(api)) {
    proxy->dispatch()->AddRef();
    return proxy->dispatch();
  }
  if (retain) retained.push_back(api);
  return wrap(api);
}

JSObjectPtr TestComHost::proxyForDispatch(IDispatch* object) { return std::make_shared<DispatchProxy>(object); }

IDispatch* TestComHost::newScriptArray(const VariantVector& values) {
  arrays.push_back(values);
  auto array = FB::testing::FakeScriptObject::array(values);
  pageObjects_.push_back(array);
  return wrap(array);
}

IDispatch* TestComHost::newScriptObject(const VariantStringMap& values) {
  objects.push_back(values);
  auto object = FB::testing::FakeScriptObject::object();
  for (const auto& [name, value] : values) object->set(name, value);
  pageObjects_.push_back(object);
  return wrap(object);
}

HRESULT STDMETHODCALLTYPE RecordingDispatch::QueryInterface(REFIID iid, void** out) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE RecordingDispatch::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RecordingDispatch::GetIDsOfNames(REFIID, LPOLESTR* asked, UINT count, LCID, DISPID* ids) {
  for (UINT i = 0; i < count; ++i) {
    const std::string name = narrow(asked[i]);
    auto found = std::find(names.begin(), names.end(), name);
    if (found == names.end()) found = names.insert(names.end(), name);
    ids[i] = static_cast<DISPID>(found - names.begin()) + 1;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RecordingDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                                    VARIANT* result, EXCEPINFO*, UINT*) {
  if (id < 1 || static_cast<std::size_t>(id) > names.size() || !(flags & DISPATCH_METHOD)) {
    return DISP_E_MEMBERNOTFOUND;
  }
  std::string call = names[id - 1] + "(";
  for (UINT i = params ? params->cArgs : 0; i > 0; --i) {
    ComValue arg;
    VariantCopy(&arg.value, &params->rgvarg[i - 1]);
    call += arg.text() + (i > 1 ? "," : "");
  }
  calls.push_back(call + ")");
  if (result) VariantInit(result);
  return S_OK;
}

}  // namespace FB::ActiveX::testing
