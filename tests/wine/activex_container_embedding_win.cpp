#include "tests/wine/activex_container_embedding_win.h"

#include <ocidl.h>

#include "activex/activex_ids_win.h"
#include "tests/wine/activex_container_dispatch_win.h"
#include "tests/wine/activex_container_page_win.h"

namespace nz_container {

std::wstring wide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(length > 0 ? length : 0, L'\0');
  if (length > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), length);
  return out;
}

namespace {

// How long a call made on a worker may take before it counts as hung.
constexpr DWORD kWorkerTimeoutMs = 20000;

std::string narrow(const wchar_t* text, std::size_t size) {
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
  std::string out(length > 0 ? length : 0, '\0');
  if (length > 0)
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), out.data(), length, nullptr, nullptr);
  return out;
}

std::string textOf(const VARIANT* value) {
  if (!value) return {};
  VARIANT text;
  VariantInit(&text);
  std::string out;
  if (SUCCEEDED(VariantChangeType(&text, const_cast<VARIANT*>(value), 0, VT_BSTR)))
    out = narrow(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
  VariantClear(&text);
  return out;
}

// A path given on the command line (a Unix path under wine) as a Windows path.
std::wstring windowsPath(const std::string& path) {
  std::string text = path;
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  if (text.size() > 1 && text[0] == '\\' && text[1] != '\\') text = "Z:" + text;
  return wide(text);
}

// The page script every run starts with: what a browser's window offers
// the control (the address, a console, setTimeout) and the <param onload>
// function.
std::wstring pagePrelude(const std::string& page) {
  return wide(
      "var window = this;\n"
      "var location = { href: \"" +
      page +
      "\" };\n"
      "var nzConsole = [];\n"
      "function nzConsoleLine(level) {\n"
      "  return function (text) {\n"
      "    nzConsole.push(level + \": \" + text + (container.onMainThread() ? \"\" : \" (off the main "
      "thread)\"));\n"
      "  };\n"
      "}\n"
      "var console = { log: nzConsoleLine(\"log\"), info: nzConsoleLine(\"info\"),\n"
      "                warn: nzConsoleLine(\"warn\"), error: nzConsoleLine(\"error\") };\n"
      "function setTimeout(f, delay) { return container.setTimeout(f, delay); }\n"
      "var nzLoadedWith = null;\n"
      "function nzLoaded(root) { nzLoadedWith = root; }\n");
}

// Check helpers for the test scripts.
const wchar_t* const kTestHelpers =
    L"var nz = {\n"
    L"  describe: function (v) { return typeof v === \"string\" ? \"\\\"\" + v + \"\\\"\" : String(v); },\n"
    L"  equal: function (what, actual, expected) {\n"
    L"    if (actual !== expected) {\n"
    L"      container.fail(what + \": got \" + nz.describe(actual) + \", expected \" + "
    L"nz.describe(expected));\n"
    L"    }\n"
    L"  },\n"
    L"  check: function (what, ok) { if (!ok) container.fail(what); },\n"
    L"  errorOf: function (f) {\n"
    L"    try { f(); } catch (e) { return e.message; }\n"
    L"    return \"<no error>\";\n"
    L"  }\n"
    L"};\n";

// Runs one worker-thread call while pumping this thread's messages (the
// control's posted calls arrive through them). Answers false when the
// worker did not finish in time.
template <class Work>
bool runOnWorker(Work& work) {
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* data) -> DWORD {
        (*static_cast<Work*>(data))();
        return 0;
      },
      &work, 0, nullptr);
  if (!thread) return false;
  const ULONGLONG deadline = GetTickCount64() + kWorkerTimeoutMs;
  bool finished = false;
  while (!finished) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) break;
    const DWORD woke =
        MsgWaitForMultipleObjects(1, &thread, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) {
      finished = true;
    } else if (woke == WAIT_OBJECT_0 + 1) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    } else if (woke != WAIT_TIMEOUT) {
      break;
    }
  }
  // A hung worker is left behind: it owns `work`, which then leaks.
  if (finished) CloseHandle(thread);
  return finished;
}

// A property read through `target`'s IDispatchEx, as script would make it.
struct WorkerRead {
  IDispatchEx* target = nullptr;
  std::wstring name;
  HRESULT status = E_FAIL;
  VARIANT value{};

  void operator()() {
    VariantInit(&value);
    BSTR member = SysAllocString(name.c_str());
    DISPID id = DISPID_UNKNOWN;
    status = target->GetDispID(member, fdexNameCaseSensitive, &id);
    SysFreeString(member);
    if (FAILED(status)) return;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXCEPINFO exception{};
    status =
        target->InvokeEx(id, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, &exception, nullptr);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
  }
};

// The container as script sees it ("container").
class ContainerObject : public DispatchObject {
 public:
  explicit ContainerObject(Container& container)
      : DispatchObject({L"fail", L"log", L"done", L"setTimeout", L"runTimers", L"clearSite", L"readOnWorker",
                        L"onMainThread", L"serveFile", L"serveText", L"waitFor", L"pluginsFolderEntries",
                        L"removeFromPluginsFolder", L"moduleLog", L"environment", L"fileSize"}),
        container_(container) {}

 protected:
  HRESULT call(std::size_t member, WORD flags, const DISPPARAMS& params, VARIANT* result) override {
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (result) VariantInit(result);
    const VARIANT* first = argument(params, 0);
    switch (member) {
      case 0:
        container_.fail(textOf(first));
        return S_OK;
      case 1:
        std::printf("    %s\n", textOf(first).c_str());
        return S_OK;
      case 2:
        container_.done = true;
        return S_OK;
      case 3:
        if (!first || V_VT(first) != VT_DISPATCH || !V_DISPATCH(first)) return DISP_E_TYPEMISMATCH;
        V_DISPATCH(first)->AddRef();
        container_.timers.push_back(V_DISPATCH(first));
        return number(result, static_cast<long>(container_.timers.size()));
      case 4:
        return number(result, runTimers());
      case 5:
        container_.clearSite();
        return S_OK;
      case 6:
        return readOnWorker(textOf(first), result);
      case 7:
        if (result) {
          V_VT(result) = VT_BOOL;
          V_BOOL(result) = GetCurrentThreadId() == container_.mainThread ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return S_OK;
      case 8:
        return text(result, container_.downloads().serveFile(textOf(first), textOf(argument(params, 1))));
      case 9:
        return text(result, container_.downloads().serveText(textOf(first), textOf(argument(params, 1))));
      case 10:
        if (!first || V_VT(first) != VT_DISPATCH || !V_DISPATCH(first)) return DISP_E_TYPEMISMATCH;
        return boolean(result, DownloadSite::waitFor(V_DISPATCH(first)));
      case 11:
        return text(result, DownloadSite::pluginsFolderEntries());
      case 12:
        return boolean(result, DownloadSite::removeFromPluginsFolder(textOf(first)));
      case 13:
        return text(result, container_.downloads().moduleLog());
      case 14: {
        const char* value = std::getenv(textOf(first).c_str());
        return text(result, value ? value : "");
      }
      case 15:
        return number(result, DownloadSite::fileSize(textOf(first)));
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  static HRESULT text(VARIANT* result, const std::string& value) {
    if (result) {
      V_VT(result) = VT_BSTR;
      V_BSTR(result) = SysAllocString(wide(value).c_str());
    }
    return S_OK;
  }

  static HRESULT boolean(VARIANT* result, bool value) {
    if (result) {
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
  }

  static HRESULT number(VARIANT* result, long value) {
    if (result) {
      V_VT(result) = VT_I4;
      V_I4(result) = value;
    }
    return S_OK;
  }

  // Runs the timers set so far, in order (their delays are not waited
  // for); answers how many ran.
  long runTimers() {
    std::vector<IDispatch*> due;
    due.swap(container_.timers);
    for (IDispatch* function : due) {
      DISPPARAMS none{nullptr, nullptr, 0, 0};
      VARIANT ignored;
      VariantInit(&ignored);
      function->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &ignored, nullptr,
                       nullptr);
      VariantClear(&ignored);
      function->Release();
    }
    return static_cast<long>(due.size());
  }

  // Reads a member of the control on a worker thread; answers its value,
  // or the text "error 0x..." with the failure code.
  HRESULT readOnWorker(const std::string& name, VARIANT* result) {
    auto* read = new WorkerRead();
    read->target = container_.control();
    read->name = wide(name);
    if (!runOnWorker(*read)) {
      container_.fail("the worker's read of " + name + " did not finish");
      return S_OK;
    }
    if (result) {
      if (SUCCEEDED(read->status)) {
        VariantCopy(result, &read->value);
      } else {
        char text[32];
        std::snprintf(text, sizeof text, "error 0x%08lx", static_cast<unsigned long>(read->status));
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = SysAllocString(wide(text).c_str());
      }
    }
    VariantClear(&read->value);
    delete read;
    return S_OK;
  }

  Container& container_;
};

}  // namespace

long Container::execScript(void* context, const wchar_t* code) {
  return static_cast<Container*>(context)->engine_->run(code, "the page's execScript");
}

bool Container::open(const std::string& modulePath) {
  module_ = LoadLibraryW(windowsPath(modulePath).c_str());
  if (!module_) {
    fail("cannot load " + modulePath + ": error " + std::to_string(GetLastError()));
    return false;
  }
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto getClassObject =
      reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  if (!getClassObject || FAILED(getClassObject(FB::ActiveX::kClsidFBControl, IID_IClassFactory,
                                               reinterpret_cast<void**>(&factory)))) {
    fail("DllGetClassObject gives no class factory for the control");
    return false;
  }
  const HRESULT created =
      factory->CreateInstance(nullptr, kIidIDispatchEx, reinterpret_cast<void**>(&control_));
  factory->Release();
  if (FAILED(created) || !control_) {
    fail("the class factory creates no control");
    return false;
  }
  if (!engine_->start()) return false;
  auto* self = new ContainerObject(*this);
  engine_->addItem(L"container", self);
  self->Release();
  engine_->addItem(L"plugin", control_);
  if (FAILED(run(pagePrelude(page_) + kTestHelpers, "the page prelude"))) return false;

  IDispatchEx* global = engine_->global();
  if (!global) {
    fail("the engine has no global object");
    return false;
  }
  auto* browser = static_cast<IUnknown*>(newTestWebBrowser(global, &Container::execScript, this));
  global->Release();
  site_ = new ClientSite(browser);
  browser->Release();

  IOleObject* object = nullptr;
  IPersistPropertyBag* persist = nullptr;
  bool embedded =
      SUCCEEDED(control_->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object))) &&
      SUCCEEDED(object->SetClientSite(site_)) &&
      SUCCEEDED(control_->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist)));
  if (embedded) {
    auto* bag = new PropertyBag({{L"onload", L"nzLoaded"}, {L"windowless", L"true"}});
    embedded = SUCCEEDED(persist->Load(bag, nullptr));
    bag->Release();
  }
  if (object) object->Release();
  if (persist) persist->Release();
  if (!embedded) fail("the control refuses its site or its parameters");
  return embedded;
}

bool Container::run(const std::wstring& code, const std::string& where) {
  const HRESULT status = engine_->run(code, where);
  if (FAILED(status)) {
    fail(where + " did not run: 0x" + [status] {
      char text[16];
      std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(status));
      return std::string(text);
    }());
  }
  return SUCCEEDED(status);
}

void Container::clearSite() {
  if (siteCleared_ || !control_) return;
  siteCleared_ = true;
  IOleObject* object = nullptr;
  if (SUCCEEDED(control_->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object)))) {
    if (FAILED(object->SetClientSite(nullptr))) fail("SetClientSite(NULL) failed");
    object->Release();
  }
  IObjectWithSite* withSite = nullptr;
  if (SUCCEEDED(control_->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite)))) {
    if (FAILED(withSite->SetSite(nullptr))) fail("SetSite(NULL) failed");
    withSite->Release();
  }
}

Container::~Container() {
  clearSite();
  for (IDispatch* function : timers) function->Release();
  timers.clear();
  if (control_) control_->Release();
  engine_->close();
  engine_->Release();
  if (site_) site_->Release();
  // The module stays loaded: objects it handed out may still be released
  // by the engine's last collection.
}

}  // namespace nz_container
