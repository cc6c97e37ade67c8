// FB::ActiveX::JSAPI_IDispatchEx: the IDispatchEx through which script
// reaches one scriptable object of the plug-in (FB::JSAPI). Names become
// dispatch identifiers from the process-wide map; each InvokeEx is one
// FB::JSAPI call with values converted both ways through the instance's
// ComScriptHost. Script errors become DISP_E_EXCEPTION with an EXCEPINFO and
// are kept as the instance's last exception.
//
// Besides the API's members it answers "attachEvent", "detachEvent" and
// "getLastException" itself, and offers the event connection point
// (IConnectionPointContainer). The control and the objects it hands to
// script derive from it and add their interfaces (findInterface).
//
// Reference counted as COM does; any thread may AddRef/Release. The other
// operations run on the container's thread. No exception leaves a COM
// method.
#pragma once

#include <windows.h>

#include <dispex.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "activex/com_script_host_win.h"
#include "scripting/js_function.h"
#include "scripting/jsapi.h"

namespace FB::ActiveX {

class EventConnectionPoint;

// Not in the import libraries of the build machines.
inline constexpr IID kIidIDispatchEx = {0xa6ef9860, 0xc720, 0x11d0, {0x93, 0x37, 0x00, 0xa0, 0xc9, 0x0d, 0xca, 0xa9}};
// Private to the module: asked for it, a bridge answers itself (as a
// JSAPI_IDispatchEx*), so that the plug-in recognises its own objects when
// script hands them back.
inline constexpr IID kIidJsapiBridge = {0x2a6f03f5, 0x7b8a, 0x4fb9, {0x86, 0xcd, 0x57, 0xfe, 0x8d, 0xeb, 0x7c, 0xc5}};

class JSAPI_IDispatchEx : public IDispatchEx {
 public:
  explicit JSAPI_IDispatchEx(std::string mimeType);
  JSAPI_IDispatchEx(const JSAPI_IDispatchEx&) = delete;
  JSAPI_IDispatchEx& operator=(const JSAPI_IDispatchEx&) = delete;

  void setAPI(const JSAPIWeakPtr& api, const ComScriptHostWeakPtr& host);
  JSAPIWeakPtr api() const { return api_; }
  ComScriptHostPtr host() const { return host_.lock(); }
  // The instance's last script error (the bridge's own once the host is gone).
  variant& lastException();
  EventConnectionPoint& connectionPoint() { return *connectionPoint_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;
  // IDispatchEx
  HRESULT STDMETHODCALLTYPE GetDispID(BSTR name, DWORD flags, DISPID* id) override;
  HRESULT STDMETHODCALLTYPE InvokeEx(DISPID id, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, IServiceProvider* caller) override;
  HRESULT STDMETHODCALLTYPE DeleteMemberByName(BSTR name, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE DeleteMemberByDispID(DISPID id) override;
  HRESULT STDMETHODCALLTYPE GetMemberProperties(DISPID id, DWORD fetch, DWORD* properties) override;
  HRESULT STDMETHODCALLTYPE GetMemberName(DISPID id, BSTR* name) override;
  HRESULT STDMETHODCALLTYPE GetNextDispID(DWORD flags, DISPID id, DISPID* next) override;
  HRESULT STDMETHODCALLTYPE GetNameSpaceParent(IUnknown** parent) override;

  // The built-in function objects: calling one (directly, or through its
  // "call" and "apply" members) runs callSelf.
  class BuiltInFunction : public JSFunction {
   public:
    BuiltInFunction(JSAPI_IDispatchEx* owner, const std::string& methodName);
    using JSFunction::callMethod;
    variant callMethod(const std::string& name, const VariantVector& args) override;
    void detach() { owner_ = nullptr; }

   protected:
    virtual variant callSelf(const VariantVector& args) = 0;
    JSAPI_IDispatchEx* owner_;
  };
  class IDisp_AttachEvent;
  class IDisp_DetachEvent;
  class IDisp_GetLastException;

 protected:
  virtual ~JSAPI_IDispatchEx();
  // The interface pointer for `iid` beyond IUnknown, IDispatch and
  // IDispatchEx, or null. The caller adds the reference.
  virtual void* findInterface(REFIID iid);
  // The COM ready state the object reports (the control's changes).
  virtual long readyState() const { return 4; }
  // Cuts the built-in function objects loose and empties their attributes:
  // script may have stored this object in one of them, a cycle that would
  // keep it alive. For the page's teardown; a later read makes new ones.
  // The caller must hold a reference of its own (or be the destructor),
  // since an attribute may hold another.
  void dropBuiltInFunctions();

 private:
  JSAPIPtr liveApi() const;
  JSAPIPtr builtInFunction(int which);
  VariantVector arguments(const ComScriptHostPtr& host, const DISPPARAMS* params) const;
  void fillArguments(const ComScriptHostPtr& host, const DISPPARAMS* params, VariantVector& list) const;
  // The first argument in script order (empty when there is none).
  variant firstArgument(const ComScriptHostPtr& host, const DISPPARAMS* params) const;
  HRESULT invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception);

  std::atomic<ULONG> references_{1};
  std::unique_ptr<EventConnectionPoint> connectionPoint_;
  std::string mimeType_;
  JSAPIWeakPtr api_;
  ComScriptHostWeakPtr host_;
  variant ownLastException_;
  std::shared_ptr<BuiltInFunction> builtIns_[3];
  // Enumeration: the member names as last listed, and the API's member
  // count at that time.
  std::vector<std::wstring> memberNames_;
  std::size_t listedMemberCount_ = 0;
  // The argument list of the last method call, kept empty for the next.
  VariantVector spareArguments_;
};

}  // namespace FB::ActiveX
