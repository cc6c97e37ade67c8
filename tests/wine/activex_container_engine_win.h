// ScriptEngine: wine's JScript engine hosted through IActiveScript and
// IActiveScriptParse, with named items (objects script sees as globals)
// given by the container. Script errors the engine reports are printed as
// "FAIL" lines and counted.
//
// Container thread only (the engine is apartment threaded); AddRef and
// Release from any thread.
#pragma once

#include <windows.h>

#include <activscp.h>
#include <dispex.h>

#include <atomic>
#include <map>
#include <string>

namespace nz_container {

class ScriptEngine : public IActiveScriptSite {
 public:
  ScriptEngine() = default;
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  // Creates the engine (class of the program id "JScript") and starts it;
  // answers false, with a printed reason, when that fails.
  bool start();
  // `object` becomes the global `name` of script (one reference kept).
  bool addItem(const std::wstring& name, IUnknown* object);
  // Runs `code` now; `where` names it in error reports.
  HRESULT run(const std::wstring& code, const std::string& where);
  // The engine's global object, with a reference for the caller, or null.
  IDispatchEx* global();
  // Closes the engine and drops the named items.
  void close();

  int scriptErrors() const { return scriptErrors_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  // IActiveScriptSite
  HRESULT STDMETHODCALLTYPE GetLCID(LCID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item,
                                        ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) override;
  HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }

 private:
  virtual ~ScriptEngine() { close(); }

  std::atomic<ULONG> references_{1};
  IActiveScript* script_ = nullptr;
  IActiveScriptParse* parse_ = nullptr;
  std::map<std::wstring, IUnknown*> items_;
  std::string running_;
  int scriptErrors_ = 0;
};

}  // namespace nz_container
