// The control as a container or a script host drives it: creation through
// the class object, the site, parameters, readiness, the root object
// through IDispatchEx, the objects handed to script, and teardown.
#include "activex/fb_control_win.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include "activex/activex_ids_win.h"
#include "activex/activex_test_support_win.h"
#include "activex/com_javascript_object_win.h"
#include "activex/com_module_win.h"
#include "activex/com_test_host_win.h"
#include "activex/ole_site_test_support_win.h"

namespace FB::ActiveX {
namespace {

using testing::BareSite;

using testing::ComValue;

// Parameters as a page's object element gives them.
class Parameters : public IPropertyBag, public IPropertyBag2 {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyBag)) {
      *out = static_cast<IPropertyBag*>(this);
    } else if (IsEqualIID(iid, IID_IPropertyBag2)) {
      *out = static_cast<IPropertyBag2*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR, VARIANT*, IErrorLog*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Read(ULONG count, PROPBAG2* infos, IErrorLog*, VARIANT* values,
                                 HRESULT* results) override {
    for (ULONG i = 0; i < count; ++i) {
      const std::wstring name = infos[i].pstrName;
      VariantInit(&values[i]);
      V_VT(&values[i]) = VT_BSTR;
      V_BSTR(&values[i]) = SysAllocString(name == L"color" ? L"red" : L"TRUE");
      results[i] = S_OK;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(ULONG, PROPBAG2*, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CountProperties(ULONG* count) override {
    *count = 2;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPropertyInfo(ULONG first, ULONG count, PROPBAG2* infos, ULONG* read) override {
    const wchar_t* names[] = {L"color", L"windowless"};
    *read = 0;
    for (ULONG i = first; i < 2 && *read < count; ++i) {
      infos[*read] = PROPBAG2{};
      infos[*read].pstrName = static_cast<LPOLESTR>(CoTaskMemAlloc((wcslen(names[i]) + 1) * sizeof(wchar_t)));
      wcscpy(infos[*read].pstrName, names[i]);
      ++*read;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE LoadObject(LPCOLESTR, DWORD, IUnknown*, IErrorLog*) override { return E_NOTIMPL; }
};

DISPID idOf(IDispatchEx* object, const wchar_t* name) {
  BSTR text = SysAllocString(name);
  DISPID id = DISPID_UNKNOWN;
  object->GetDispID(text, fdexNameCaseSensitive, &id);
  SysFreeString(text);
  return id;
}

class Control : public ::testing::Test {
 protected:
  void SetUp() override {
    IClassFactory* classObject = nullptr;
    ASSERT_EQ(getClassObject(kClsidFBControl, IID_IClassFactory, reinterpret_cast<void**>(&classObject)), S_OK);
    ASSERT_EQ(classObject->CreateInstance(nullptr, kIidIDispatchEx, reinterpret_cast<void**>(&control)), S_OK);
  }
  void TearDown() override {
    if (control) control->Release();
    EXPECT_EQ(moduleLockCount(), 0);
  }
  template <class I>
  I* as(REFIID iid) {
    I* out = testing::borrowedInterface<I>(control, iid);
    EXPECT_NE(out, nullptr);
    return out;
  }

  BareSite site;  // outlives the control, as a container's does
  IDispatchEx* control = nullptr;
};

TEST_F(Control, ScriptHostSiteMakesItReadyWithItsRootObject) {
  ComValue state;
  EXPECT_EQ(testing::invoke(control, -525, DISPATCH_PROPERTYGET, {}, &state.value, nullptr), S_OK);
  EXPECT_EQ(state.text(), "0");
  EXPECT_EQ(idOf(control, L"version"), DISPID_UNKNOWN);

  ASSERT_EQ(as<IObjectWithSite>(IID_IObjectWithSite)->SetSite(&site), S_OK);
  auto core = testing::testFactory().lastCore.lock();
  ASSERT_TRUE(core);
  EXPECT_EQ(core->readyCalls, 1);
  EXPECT_TRUE(core->noWindowFlag());
  // No web browser: the page has no window.
  EXPECT_EQ(core->host()->windowObject(), nullptr);

  ComValue ready;
  EXPECT_EQ(testing::invoke(control, -525, DISPATCH_PROPERTYGET, {}, &ready.value, nullptr), S_OK);
  EXPECT_EQ(ready.text(), "4");
  ComValue version;
  EXPECT_EQ(testing::invoke(control, idOf(control, L"version"), DISPATCH_PROPERTYGET, {}, &version.value, nullptr),
            S_OK);
  EXPECT_EQ(version.text(), "9.9");

  // The site is given back; clearing it shuts the instance down.
  IUnknown* back = nullptr;
  EXPECT_EQ(as<IObjectWithSite>(IID_IObjectWithSite)->GetSite(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
  EXPECT_EQ(back, &site);
  back->Release();
  core.reset();
  EXPECT_EQ(as<IObjectWithSite>(IID_IObjectWithSite)->SetSite(nullptr), S_OK);
  EXPECT_TRUE(testing::testFactory().lastCore.expired());
  EXPECT_EQ(site.references, 1u);
  ComValue after;
  EXPECT_EQ(testing::invoke(control, idOf(control, L"echo"), DISPATCH_METHOD, {}, &after.value, nullptr),
            DISP_E_MEMBERNOTFOUND);
}

TEST_F(Control, PropertyBagParametersReachTheCore) {
  Parameters bag;
  ASSERT_EQ(as<IPersistPropertyBag>(IID_IPersistPropertyBag)->Load(&bag, nullptr), S_OK);
  auto core = testing::testFactory().lastCore.lock();
  ASSERT_TRUE(core);
  EXPECT_EQ(core->getParam("color"), std::optional<std::string>("red"));
  EXPECT_TRUE(core->isWindowless());
  EXPECT_EQ(core->readyCalls, 1);
  CLSID clsid{};
  EXPECT_EQ(as<IPersistPropertyBag>(IID_IPersistPropertyBag)->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kClsidFBControl));
}

TEST_F(Control, ObjectsHandedToScriptAreOneBridgeEach) {
  ASSERT_EQ(as<IObjectWithSite>(IID_IObjectWithSite)->SetSite(&site), S_OK);
  auto core = testing::testFactory().lastCore.lock();
  auto host = std::dynamic_pointer_cast<ActiveXBrowserHost>(core->host());
  ASSERT_TRUE(host);
  auto child = std::make_shared<testing::TestRoot>();
  IDispatch* first = host->dispatchForApi(child, true);
  IDispatch* second = host->dispatchForApi(child, true);
  EXPECT_EQ(first, second);
  EXPECT_EQ(host->retainedObjectCount(), 1u);
  IObjectSafety* safety = nullptr;
  ASSERT_EQ(first->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
  DWORD supported = 0, enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(enabled, 3u);
  safety->Release();
  IProvideClassInfo2* info = nullptr;
  ASSERT_EQ(first->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info)), S_OK);
  GUID events{};
  EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
  EXPECT_TRUE(IsEqualGUID(events, kDiidIFBComEventSource));
  info->Release();
  // The bridge goes with the page's last reference, and the host lets go.
  first->Release();
  second->Release();
  EXPECT_EQ(host->retainedObjectCount(), 0u);
  // A module with a live control and core does not unload.
  EXPECT_EQ(canUnloadNow(), S_FALSE);
}

// Script may store the control in an attribute of one of its own built-in
// functions; the control still goes once the page lets go (TearDown checks
// that no object is left).
TEST_F(Control, AnAttributeOfABuiltInFunctionHoldingTheControlDoesNotKeepIt) {
  ASSERT_EQ(as<IObjectWithSite>(IID_IObjectWithSite)->SetSite(&site), S_OK);
  for (const wchar_t* name : {L"attachEvent", L"detachEvent", L"getLastException"}) {
    ComValue function;
    ASSERT_EQ(testing::invoke(control, idOf(control, name), DISPATCH_PROPERTYGET, {}, &function.value, nullptr), S_OK);
    ASSERT_EQ(V_VT(&function.value), VT_DISPATCH);
    IDispatchEx* object = nullptr;
    ASSERT_EQ(V_DISPATCH(&function.value)->QueryInterface(kIidIDispatchEx, reinterpret_cast<void**>(&object)), S_OK);
    BSTR attribute = SysAllocString(L"owner");
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(object->GetDispID(attribute, fdexNameEnsure | fdexNameCaseSensitive, &id), S_OK);
    SysFreeString(attribute);
    EXPECT_EQ(testing::put(object, id, ComValue(static_cast<IDispatch*>(control))), S_OK);
    object->Release();
  }
  EXPECT_EQ(as<IObjectWithSite>(IID_IObjectWithSite)->SetSite(nullptr), S_OK);
}

}  // namespace
}  // namespace FB::ActiveX
