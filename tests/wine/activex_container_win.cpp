// nz_activex_container: hosts the ActiveX control as a browser does and lets
// script drive it. It loads the built module by path, creates the control
// through the module's DllGetClassObject (no registration), gives it a
// client site whose web browser, document and window are test objects (the
// window's address is a loopback page, trusted by test builds), loads its
// parameters through a property bag and runs wine's JScript engine with the
// control as the global "plugin" and this program as "container".
//
//   nz_activex_container <module.dll> <script.js> [--page URL]
//       runs one test script; it reports failures with container.fail(text)
//       and ends with container.done(). Exit code 0 when it passed.
//   nz_activex_container <module.dll> --bench [calls] [--page URL]
//       the call benchmark: script calls through the control's IDispatchEx
//       against a bare IDispatchEx object ("bare") in the same engine;
//       prints call rates, their ratio and memory growth. Judges nothing.
//
// Runs on one thread (the container's), except the worker that
// container.readOnWorker starts.
#include <windows.h>

#include <ocidl.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "activex/activex_ids_win.h"
#include "tests/wine/activex_container_dispatch_win.h"
#include "tests/wine/activex_container_engine_win.h"
#include "tests/wine/activex_container_page_win.h"
#include "tests/wine/activex_container_site_win.h"

namespace nz_container {
namespace {

constexpr const char* kDefaultPage = "http://127.0.0.1:8080/activex/container.html";
// How long a call made on a worker may take before it counts as hung.
constexpr DWORD kWorkerTimeoutMs = 20000;

std::wstring wide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(length > 0 ? length : 0, L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), length);
  return out;
}

std::string narrow(const wchar_t* text, std::size_t size) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
  std::string out(length > 0 ? length : 0, '\0');
  if (length > 0) WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(size), out.data(), length, nullptr, nullptr);
  return out;
}

std::string textOf(const VARIANT* value) {
  if (!value) return {};
  VARIANT text;
  VariantInit(&text);
  std::string out;
  if (SUCCEEDED(VariantChangeType(&text, const_cast<VARIANT*>(value), 0, VT_BSTR))) out = narrow(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
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
      "var location = { href: \"" + page + "\" };\n"
      "var nzConsole = [];\n"
      "function nzConsoleLine(level) {\n"
      "  return function (text) {\n"
      "    nzConsole.push(level + \": \" + text + (container.onMainThread() ? \"\" : \" (off the main thread)\"));\n"
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
    L"      container.fail(what + \": got \" + nz.describe(actual) + \", expected \" + nz.describe(expected));\n"
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
      nullptr, 0, [](void* data) -> DWORD {
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
    status = target->InvokeEx(id, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, &exception, nullptr);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
  }
};

// One embedded control with its page and script engine.
class Container {
 public:
  explicit Container(std::string page) : page_(std::move(page)) {}
  Container(const Container&) = delete;
  Container& operator=(const Container&) = delete;
  ~Container();

  // Loads the module, creates the control and the engine, and embeds the
  // control in the page (site, then parameters). Failures print FAIL lines.
  bool open(const std::string& modulePath);
  bool run(const std::wstring& code, const std::string& where);
  void addItem(const std::wstring& name, IUnknown* object) { engine_->addItem(name, object); }
  // Removes the control from the page as a browser does when the page goes.
  void clearSite();
  void fail(const std::string& what) {
    std::printf("FAIL %s\n", what.c_str());
    ++failures_;
  }
  int failures() const { return failures_ + engine_->scriptErrors(); }
  IDispatchEx* control() const { return control_; }

  bool done = false;
  std::vector<IDispatch*> timers;
  DWORD mainThread = GetCurrentThreadId();

 private:
  static long execScript(void* context, const wchar_t* code);

  std::string page_;
  HMODULE module_ = nullptr;
  IDispatchEx* control_ = nullptr;
  ScriptEngine* engine_ = new ScriptEngine();
  ClientSite* site_ = nullptr;
  bool siteCleared_ = false;
  int failures_ = 0;
};

// The container as script sees it ("container").
class ContainerObject : public DispatchObject {
 public:
  explicit ContainerObject(Container& container)
      : DispatchObject({L"fail", L"log", L"done", L"setTimeout", L"runTimers", L"clearSite", L"readOnWorker",
                        L"onMainThread"}),
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
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
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
  auto getClassObject = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  if (!getClassObject ||
      FAILED(getClassObject(FB::ActiveX::kClsidFBControl, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
    fail("DllGetClassObject gives no class factory for the control");
    return false;
  }
  const HRESULT created = factory->CreateInstance(nullptr, kIidIDispatchEx, reinterpret_cast<void**>(&control_));
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
  bool embedded = SUCCEEDED(control_->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object))) &&
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

std::wstring readScript(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return file ? wide(text.str()) : std::wstring();
}

std::string baseName(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int runTestScript(const std::string& modulePath, const std::string& scriptPath, const std::string& page) {
  const std::wstring script = readScript(scriptPath);
  if (script.empty()) {
    std::printf("FAIL cannot read %s\n", scriptPath.c_str());
    return 1;
  }
  const std::string name = baseName(scriptPath);
  int failures = 0;
  {
    Container container(page);
    if (container.open(modulePath)) {
      container.run(script, name);
      if (!container.done) container.fail(name + " stopped before container.done()");
    }
    failures = container.failures();
  }
  if (livePageObjects() != 0) {
    std::printf("FAIL %ld page objects are still referenced after the control and the engine were released\n",
                livePageObjects());
    ++failures;
  }
  std::printf("%s %s\n", failures == 0 ? "PASS" : "FAIL", name.c_str());
  return failures == 0 ? 0 : 1;
}

// --- benchmark -------------------------------------------------------------

struct Memory {
  double privateMb;
  double workingSetMb;
};

Memory memoryNow() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  // wine leaves PrivateUsage at 0; its PagefileUsage is the same figure
  // (the process's committed private memory).
  const SIZE_T privateBytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
  return {static_cast<double>(privateBytes) / (1024.0 * 1024.0),
          static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0)};
}

// Seconds taken by `calls` iterations of `statement` (with T the target).
double timeLoop(Container& container, const std::wstring& target, const std::wstring& statement, long calls) {
  std::wstring body = statement;
  for (std::size_t at = body.find(L"T."); at != std::wstring::npos; at = body.find(L"T.", at + target.size())) {
    body.replace(at, 1, target);
  }
  const std::wstring code =
      L"(function () { var x; for (var i = 0; i < " + std::to_wstring(calls) + L"; i++) { " + body + L" } })();";
  const auto start = std::chrono::steady_clock::now();
  container.run(code, "the benchmark loop");
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Nanoseconds per direct C++ call (no script engine) of GetDispID and of a
// property read through InvokeEx on `target`: where a script call's time
// goes.
struct DirectCost {
  double getDispIdNs;
  double readNs;
};

DirectCost directCost(IDispatchEx* target, long calls) {
  BSTR name = SysAllocString(L"loggingLevel");
  DISPID id = DISPID_UNKNOWN;
  auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < calls; ++i) target->GetDispID(name, fdexNameCaseSensitive, &id);
  const double lookup = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  SysFreeString(name);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT value;
  VariantInit(&value);
  start = std::chrono::steady_clock::now();
  for (long i = 0; i < calls; ++i) {
    target->InvokeEx(id, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
    VariantClear(&value);
  }
  const double read = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  return {lookup / calls, read / calls};
}

int runBenchmark(const std::string& modulePath, long calls, const std::string& page) {
  Container container(page);
  if (!container.open(modulePath)) return 1;
  auto* bare = new BareObject();
  container.addItem(L"bare", bare);

  struct Kind {
    const char* name;
    const wchar_t* statement;
  };
  const Kind kinds[] = {{"property read", L"x = T.loggingLevel;"},
                        {"property write", L"T.loggingLevel = 1;"},
                        {"method call", L"T.crash(\"not the code\");"}};
  // One-time costs (identifier assignment, the trust check) come first.
  for (const Kind& kind : kinds) {
    timeLoop(container, L"plugin", kind.statement, 1000);
    timeLoop(container, L"bare", kind.statement, 1000);
  }
  const double loopSeconds = timeLoop(container, L"bare", L"x = i;", calls);
  std::printf("calls per kind: %ld; empty loop: %.0f iterations/s\n", calls, calls / loopSeconds);
  std::printf("%-15s %15s %15s %7s %14s %14s\n", "kind", "control calls/s", "bare calls/s", "ratio",
              "private +MB", "working set +MB");
  const Memory before = memoryNow();
  for (const Kind& kind : kinds) {
    const Memory start = memoryNow();
    const double control = timeLoop(container, L"plugin", kind.statement, calls);
    const Memory end = memoryNow();
    const double reference = timeLoop(container, L"bare", kind.statement, calls);
    std::printf("%-15s %15.0f %15.0f %7.2f %14.2f %14.2f\n", kind.name, calls / control, calls / reference,
                reference / control, end.privateMb - start.privateMb, end.workingSetMb - start.workingSetMb);
  }
  const Memory after = memoryNow();
  const DirectCost controlCost = directCost(container.control(), calls);
  const DirectCost bareCost = directCost(bare, calls);
  std::printf("direct C++ calls, ns each: GetDispID control %.0f, bare %.0f; property read (InvokeEx) control %.0f, "
              "bare %.0f\n",
              controlCost.getDispIdNs, bareCost.getDispIdNs, controlCost.readNs, bareCost.readNs);
  // The memory figures are only as good as the system's counters: show
  // what an allocation of 8 MB does to them.
  const Memory probeStart = memoryNow();
  {
    std::vector<char> probe(8 * 1024 * 1024, 1);
    const Memory probeEnd = memoryNow();
    std::printf("counter check: 8 MB allocated and touched shows private %+.2f MB, working set %+.2f MB (byte %d)\n",
                probeEnd.privateMb - probeStart.privateMb, probeEnd.workingSetMb - probeStart.workingSetMb,
                probe[probe.size() / 2]);
  }
  std::printf("memory over all runs: private bytes %+.2f MB (%.1f MB now), working set %+.2f MB (%.1f MB now)\n",
              after.privateMb - before.privateMb, after.privateMb, after.workingSetMb - before.workingSetMb,
              after.workingSetMb);
  bare->Release();
  if (container.failures() != 0) {
    std::printf("FAIL the benchmark's script did not run cleanly\n");
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace nz_container

int main(int argc, char** argv) {
  using namespace nz_container;
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <module.dll> (<script.js> | --bench [calls]) [--page URL]\n", argv[0]);
    return 2;
  }
  std::string page = kDefaultPage;
  std::vector<std::string> rest;
  for (int i = 2; i < argc; ++i) {
    if (std::string(argv[i]) == "--page" && i + 1 < argc) {
      page = argv[++i];
    } else {
      rest.emplace_back(argv[i]);
    }
  }
  if (rest.empty()) return 2;
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::printf("FAIL CoInitializeEx\n");
    return 1;
  }
  int status = 0;
  if (rest[0] == "--bench") {
    const long calls = rest.size() > 1 ? std::stol(rest[1]) : 1000000;
    status = runBenchmark(argv[1], calls, page);
  } else {
    status = runTestScript(argv[1], rest[0], page);
  }
  CoUninitialize();
  return status;
}
