#include "tests/wine/activex_container_engine_win.h"

#include <cstdio>

namespace nz_container {
namespace {

std::string narrow(const wchar_t* text) {
  if (!text) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(length > 0 ? length - 1 : 0, '\0');
  if (length > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
  return out;
}

}  // namespace

bool ScriptEngine::start() {
  CLSID jscript;
  HRESULT status = CLSIDFromProgID(L"JScript", &jscript);
  if (SUCCEEDED(status)) {
    status = CoCreateInstance(jscript, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript,
                              reinterpret_cast<void**>(&script_));
  }
  if (SUCCEEDED(status))
    status = script_->QueryInterface(__uuidof(IActiveScriptParse), reinterpret_cast<void**>(&parse_));
  if (SUCCEEDED(status)) status = script_->SetScriptSite(this);
  if (SUCCEEDED(status)) status = parse_->InitNew();
  if (SUCCEEDED(status)) status = script_->SetScriptState(SCRIPTSTATE_STARTED);
  if (FAILED(status))
    std::printf("FAIL cannot start the JScript engine: 0x%08lx\n", static_cast<unsigned long>(status));
  return SUCCEEDED(status);
}

bool ScriptEngine::addItem(const std::wstring& name, IUnknown* object) {
  if (!script_ || !object || items_.count(name)) return false;
  object->AddRef();
  items_[name] = object;
  return SUCCEEDED(script_->AddNamedItem(name.c_str(), SCRIPTITEM_ISVISIBLE));
}

HRESULT ScriptEngine::run(const std::wstring& code, const std::string& where) {
  if (!parse_) return E_UNEXPECTED;
  const std::string outer = running_;
  running_ = where;
  EXCEPINFO exception{};
  HRESULT status = parse_->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, 0, 0,
                                           SCRIPTTEXT_ISVISIBLE, nullptr, &exception);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  running_ = outer;
  return status;
}

IDispatchEx* ScriptEngine::global() {
  if (!script_) return nullptr;
  IDispatch* dispatch = nullptr;
  if (FAILED(script_->GetScriptDispatch(nullptr, &dispatch)) || !dispatch) return nullptr;
  IDispatchEx* global = nullptr;
  const IID iidDispatchEx = {0xa6ef9860, 0xc720, 0x11d0, {0x93, 0x37, 0x00, 0xa0, 0xc9, 0x0d, 0xca, 0xa9}};
  dispatch->QueryInterface(iidDispatchEx, reinterpret_cast<void**>(&global));
  dispatch->Release();
  return global;
}

void ScriptEngine::close() {
  if (script_) script_->Close();
  if (parse_) parse_->Release();
  if (script_) script_->Release();
  parse_ = nullptr;
  script_ = nullptr;
  for (auto& [name, object] : items_) object->Release();
  items_.clear();
}

HRESULT STDMETHODCALLTYPE ScriptEngine::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IActiveScriptSite)) {
    *out = static_cast<IActiveScriptSite*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ScriptEngine::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE ScriptEngine::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item,
                                                    ITypeInfo** info) {
  if (info) *info = nullptr;
  if (item) *item = nullptr;
  auto found = items_.find(name ? name : L"");
  if (found == items_.end()) return TYPE_E_ELEMENTNOTFOUND;
  if (mask & SCRIPTINFO_IUNKNOWN) {
    if (!item) return E_POINTER;
    *item = found->second;
    found->second->AddRef();
  }
  return (mask & SCRIPTINFO_ITYPEINFO) ? TYPE_E_ELEMENTNOTFOUND : S_OK;
}

HRESULT STDMETHODCALLTYPE ScriptEngine::OnScriptError(IActiveScriptError* error) {
  ++scriptErrors_;
  EXCEPINFO exception{};
  DWORD context = 0;
  ULONG line = 0;
  LONG column = 0;
  if (error) {
    error->GetExceptionInfo(&exception);
    error->GetSourcePosition(&context, &line, &column);
  }
  std::printf("FAIL script error in %s, line %lu: %s\n", running_.c_str(), line + 1,
              narrow(exception.bstrDescription).c_str());
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  return S_OK;
}

}  // namespace nz_container
