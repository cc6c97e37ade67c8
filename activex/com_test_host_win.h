// Test doubles for the ActiveX bridge tests: an instance's ComScriptHost
// whose page objects are in-memory fakes, a VARIANT holder, helpers that
// call InvokeEx as a script engine does, and a plain page IDispatch that
// records the calls it receives.
// Test thread only.
#pragma once

#include <windows.h>

#include <dispex.h>

#include <memory>
#include <string>
#include <vector>

#include "activex/com_script_host_win.h"

namespace FB::ActiveX::testing {

// A VARIANT owned by the test (cleared on destruction, copied deeply).
struct ComValue {
  ComValue() { VariantInit(&value); }
  explicit ComValue(int number);
  explicit ComValue(const wchar_t* text);
  explicit ComValue(bool flag);
  explicit ComValue(double number);
  explicit ComValue(IDispatch* object);  // adds a reference
  ComValue(const ComValue& other);
  ComValue& operator=(const ComValue&) = delete;
  ~ComValue() { VariantClear(&value); }

  // The value as text: numbers in decimal, "true"/"false", UTF-8 text,
  // "[object]", "null", and "" for empty.
  std::string text() const;

  VARIANT value;
};

std::string narrow(const wchar_t* text);

// InvokeEx with `args` given in script order; a put passes its value as
// the DISPID_PROPERTYPUT named argument.
HRESULT invoke(IDispatchEx* object, DISPID id, WORD flags, const std::vector<ComValue>& args, VARIANT* result,
               EXCEPINFO* exception);
HRESULT put(IDispatchEx* object, DISPID id, const ComValue& value);

// A page object with IDispatch only (no IDispatchEx, no HTML interfaces):
// every name is known (numbered from 1 in the order asked) and each method
// call is recorded as "name(arg,arg)". Counts its references; the test
// owns the first one.
class RecordingDispatch : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT*) override;

  ULONG references = 1;
  std::vector<std::string> names;
  std::vector<std::string> calls;
};

class TestComHost : public ComScriptHost, public std::enable_shared_from_this<TestComHost> {
 public:
  // A new bridge over `api` for this instance, with one reference.
  IDispatchEx* wrap(const JSAPIPtr& api);
  // A page function (an object of the page) with one reference.
  IDispatch* pageFunction();
  // Drops what the host keeps for the page.
  void releaseAll();

  IDispatch* dispatchForApi(const JSAPIPtr& api, bool retain) override;
  JSObjectPtr proxyForDispatch(IDispatch* object) override;
  IDispatch* newScriptArray(const VariantVector& values) override;
  IDispatch* newScriptObject(const VariantStringMap& values) override;
  variant& lastException() override { return lastException_; }

  std::vector<JSAPIPtr> retained;
  std::vector<VariantVector> arrays;
  std::vector<VariantStringMap> objects;

 private:
  variant lastException_;
  std::vector<JSAPIPtr> pageObjects_;
};

}  // namespace FB::ActiveX::testing
