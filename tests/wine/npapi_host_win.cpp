// nz_npapi_host: a small NPAPI browser process that loads the plug-in module
// by path, as a browser does (LoadLibraryW, then the three undecorated
// exports), and drives one page through the module's own entry points.
//
// Usage: nz_npapi_host <path of npNorvellZephel32.dll> <mode>
//   v18     browser table version 18: the message-window host is expected
//   v26     version 26, a user agent without "Safari": the plain host
//   safari  version 26, a user agent with "Safari": the message-window host
// The choice of host kind is made once per process, so each mode is its own
// process (its own CTest test).
//
// The browser side (function table, identifiers, objects, page at
// http://127.0.0.1/) is the in-process fake browser of testing/. The program
// pumps real Windows messages (GetMessageW/DispatchMessageW) for the calls
// that travel through the plug-in's message window. The module is loaded,
// used and unloaded twice, as browsers do with idle plug-ins.
//
// Nothing that page script can reach in the plug-in crosses threads, so the
// message window is driven the way the plug-in's own host drives it: a
// worker thread posts message 1025 with a (function, data) record, which the
// window runs on the main thread and then deletes (both sides use the same C
// runtime heap).
//
// Prints one PASS or FAIL line per check (NOTE lines are information) and
// exits non-zero on any failure.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "npapi/npapi_abi.h"
#include "testing/fake_npapi_browser.h"

namespace {

using FB::testing::FakeNpapiBrowser;
using FB::testing::NpValue;
using FB::testing::NpValues;

using GetEntryPointsFn = NPError(NZ_NP_EXPORT_CALL*)(NPPluginFuncs*);
using InitializeFn = NPError(NZ_NP_EXPORT_CALL*)(NPNetscapeFuncs*);
using ShutdownFn = NPError(NZ_NP_EXPORT_CALL*)(void);

constexpr const char* kMimeType = "application/x-norvellzephel32";
constexpr const char* kPageUrl = "http://127.0.0.1/";
constexpr UINT kAsyncCallMessage = 1025;
constexpr UINT kSentinelMessage = WM_APP + 7;
// Base64 of the narrow path C:\data\report.txt.
constexpr const char* kReportHandle = "QzpcZGF0YVxyZXBvcnQudHh0";

std::string g_mode;
int g_failures = 0;

void check(bool ok, const std::string& what, const std::string& detail = {}) {
  if (ok) {
    std::printf("PASS %s: %s\n", g_mode.c_str(), what.c_str());
  } else {
    ++g_failures;
    std::printf("FAIL %s: %s%s%s\n", g_mode.c_str(), what.c_str(), detail.empty() ? "" : " -- ", detail.c_str());
  }
  std::fflush(stdout);
}

std::string describe(const NpValue& value) {
  switch (value.type()) {
    case NPVariantType_Void: return "undefined";
    case NPVariantType_Null: return "null";
    case NPVariantType_Bool: return value.boolValue() ? "true" : "false";
    case NPVariantType_Int32: return "int " + std::to_string(value.intValue());
    case NPVariantType_Double: return "double " + std::to_string(value.doubleValue());
    case NPVariantType_String: return "string \"" + value.stringValue() + "\"";
    case NPVariantType_Object: return "object";
  }
  return "?";
}

bool isString(const NpValue& value, const std::string& text) {
  return value.type() == NPVariantType_String && value.stringValue() == text;
}

bool isInt(const NpValue& value, int number) {
  return (value.type() == NPVariantType_Int32 && value.intValue() == number) ||
         (value.type() == NPVariantType_Double && value.doubleValue() == number);
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string lastOf(const std::vector<std::string>& lines) { return lines.empty() ? "(none)" : lines.back(); }

// Unix absolute paths (as CTest passes them) name drive Z: under wine.
std::wstring modulePath(const std::string& path) {
  std::string text = path;
  std::replace(text.begin(), text.end(), '/', '\\');
  if (text.size() > 1 && text[0] == '\\' && text[1] != '\\') text = "Z:" + text;
  int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(length > 0 ? length - 1 : 0, L'\0');
  if (length > 1) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
  return wide;
}

template <class F>
F exported(HMODULE module, const char* name) {
  FARPROC proc = GetProcAddress(module, name);
  return reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(proc));
}

// This process's message window of that number. Other test programs run
// at the same time on the same desktop and make windows of the same names.
HWND findMessageWindow(int number) {
  const std::wstring className = L"FBEventWindowClass" + std::to_wstring(number);
  const std::wstring title = L"FBEventWindow" + std::to_wstring(number);
  HWND window = nullptr;
  while ((window = FindWindowExW(HWND_MESSAGE, window, className.c_str(), title.c_str())) != nullptr) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) return window;
  }
  return nullptr;
}

// The record the message window runs for message 1025: the function and its
// argument. Once posted it belongs to the window, which deletes it.
struct PostedCall {
  void (*function)(void*);
  void* data;
};

struct CallRecord {
  int sequence = 0;
  DWORD thread = 0;
  int order = 0;
};

int g_callsRun = 0;

// The browser table the module gets: the fake browser's, with the entries a
// module may still reach from its unloading code wrapped so that calls after
// NP_Shutdown are counted.
NPNetscapeFuncs g_browserTable{};
bool g_shutDown = false;
int g_callsAfterShutdown = 0;

void noteEntry() {
  if (g_shutDown) ++g_callsAfterShutdown;
}

NPNetscapeFuncs wrappedTable(const NPNetscapeFuncs& real) {
  g_browserTable = real;
  NPNetscapeFuncs table = real;
  table.memalloc = [](uint32_t size) { return noteEntry(), g_browserTable.memalloc(size); };
  table.memfree = [](void* pointer) { noteEntry(), g_browserTable.memfree(pointer); };
  table.getvalue = [](NPP npp, NPNVariable variable, void* value) {
    return noteEntry(), g_browserTable.getvalue(npp, variable, value);
  };
  table.setvalue = [](NPP npp, NPPVariable variable, void* value) {
    return noteEntry(), g_browserTable.setvalue(npp, variable, value);
  };
  table.getstringidentifier = [](const NPUTF8* name) { return noteEntry(), g_browserTable.getstringidentifier(name); };
  table.utf8fromidentifier = [](NPIdentifier id) { return noteEntry(), g_browserTable.utf8fromidentifier(id); };
  table.createobject = [](NPP npp, NPClass* c) { return noteEntry(), g_browserTable.createobject(npp, c); };
  table.retainobject = [](NPObject* object) { return noteEntry(), g_browserTable.retainobject(object); };
  table.releaseobject = [](NPObject* object) { noteEntry(), g_browserTable.releaseobject(object); };
  table.invoke = [](NPP npp, NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t count,
                    NPVariant* result) {
    return noteEntry(), g_browserTable.invoke(npp, object, name, args, count, result);
  };
  table.invokeDefault = [](NPP npp, NPObject* object, const NPVariant* args, uint32_t count, NPVariant* result) {
    return noteEntry(), g_browserTable.invokeDefault(npp, object, args, count, result);
  };
  table.evaluate = [](NPP npp, NPObject* object, NPString* script, NPVariant* result) {
    return noteEntry(), g_browserTable.evaluate(npp, object, script, result);
  };
  table.getproperty = [](NPP npp, NPObject* object, NPIdentifier name, NPVariant* result) {
    return noteEntry(), g_browserTable.getproperty(npp, object, name, result);
  };
  table.setproperty = [](NPP npp, NPObject* object, NPIdentifier name, const NPVariant* value) {
    return noteEntry(), g_browserTable.setproperty(npp, object, name, value);
  };
  table.hasproperty = [](NPP npp, NPObject* object, NPIdentifier name) {
    return noteEntry(), g_browserTable.hasproperty(npp, object, name);
  };
  table.hasmethod = [](NPP npp, NPObject* object, NPIdentifier name) {
    return noteEntry(), g_browserTable.hasmethod(npp, object, name);
  };
  table.releasevariantvalue = [](NPVariant* value) { noteEntry(), g_browserTable.releasevariantvalue(value); };
  table.setexception = [](NPObject* object, const NPUTF8* message) {
    noteEntry(), g_browserTable.setexception(object, message);
  };
  return table;
}

void recordCall(void* data) {
  auto* record = static_cast<CallRecord*>(data);
  record->thread = GetCurrentThreadId();
  record->order = ++g_callsRun;
}

// Runs the calling thread's message loop until the sentinel thread message
// arrives. Posted messages leave the queue in the order they were posted, so
// every message posted before the sentinel has been dispatched by then.
void pumpUntilSentinel() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == nullptr && message.message == kSentinelMessage) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

NPError newInstance(const NPPluginFuncs& plugin, NPP instance) {
  const char* names[] = {"id", "width", "nullvalue", "id"};
  const char* values[] = {"first", "1", nullptr, "plugin0"};
  return plugin.newp(const_cast<char*>(kMimeType), instance, NP_EMBED, 4, const_cast<char**>(names),
                     const_cast<char**>(values), nullptr);
}

void checkEntryTable(const NPPluginFuncs& plugin) {
  const bool filled = plugin.newp && plugin.destroy && plugin.setwindow && plugin.newstream && plugin.destroystream &&
                      plugin.asfile && plugin.writeready && plugin.write && plugin.print && plugin.event &&
                      plugin.urlnotify && plugin.getvalue && plugin.setvalue;
  const bool laterUntouched = !plugin.javaClass && !plugin.gotfocus && !plugin.lostfocus &&
                              !plugin.urlredirectnotify && !plugin.clearsitedata && !plugin.getsiteswithdata &&
                              !plugin.didComposite;
  check(filled && laterUntouched && plugin.size == sizeof(NPPluginFuncs) && plugin.version == 0x4242,
        "NP_GetEntryPoints fills the 13 instance entries only, size and version untouched");
}

void checkStaticNames(const NPPluginFuncs& plugin) {
  const char* name = nullptr;
  const char* description = nullptr;
  const NPError nameError = plugin.getvalue(nullptr, NPPVpluginNameString, &name);
  const NPError descriptionError = plugin.getvalue(nullptr, NPPVpluginDescriptionString, &description);
  void* other = nullptr;
  const NPError otherError = plugin.getvalue(nullptr, NPPVpluginScriptableNPObject, &other);
  check(nameError == NPERR_NO_ERROR && name && std::string(name) == "Norvell Zephel 32 Bit" &&
            descriptionError == NPERR_NO_ERROR && description && std::string(description).empty() &&
            otherError == NPERR_GENERIC_ERROR,
        "NPP_GetValue without an instance: name, empty description, nothing else",
        std::string("name=") + (name ? name : "(null)") + " description=" + (description ? description : "(null)"));
}

void checkInstanceNames(const NPPluginFuncs& plugin, NPP instance) {
  const char* name = nullptr;
  const char* description = nullptr;
  plugin.getvalue(instance, NPPVpluginNameString, &name);
  plugin.getvalue(instance, NPPVpluginDescriptionString, &description);
  void* unknown = nullptr;
  const NPError unknownError = plugin.getvalue(instance, NPPVpluginWindowSize, &unknown);
  check(name && std::string(name) == "Norvell Zephel 32 Bit" && description &&
            std::string(description) == "Norvell Zephel - 1.0.7" && unknownError == NPERR_GENERIC_ERROR,
        "NPP_GetValue of the instance: name and description texts",
        std::string("name=") + (name ? name : "(null)") + " description=" + (description ? description : "(null)"));
}

void checkClass(NPObject* root) {
  const NPClass* c = root->_class;
  check(c && c->structVersion == 3 && c->allocate && c->deallocate && c->invalidate && c->hasMethod && c->invoke &&
            c->invokeDefault && c->hasProperty && c->getProperty && c->setProperty && c->removeProperty &&
            c->enumerate && c->construct,
        "scriptable object's NPClass: version 3, all twelve operations");
}

void checkLoggingLevel(FakeNpapiBrowser& browser, NPObject* root) {
  const bool has = browser.hasProperty(root, "loggingLevel");
  const bool isMethod = browser.hasMethod(root, "loggingLevel");
  NpValue level;
  const bool read = browser.get(root, "loggingLevel", level);
  check(has && !isMethod && read && isInt(level, 0), "loggingLevel: a property, 0 in a fresh module",
        "has=" + std::to_string(has) + " method=" + std::to_string(isMethod) + " value=" + describe(level));

  // At 4 or more the members write their names to the page's console.
  const bool setHigh = browser.set(root, "loggingLevel", NpValue(5));
  NpValue high;
  browser.get(root, "loggingLevel", high);
  const auto lines = browser.consoleLines();
  const bool setLow = browser.set(root, "loggingLevel", NpValue(0));
  const auto after = browser.consoleLines();
  NpValue low;
  browser.get(root, "loggingLevel", low);
  check(setHigh && isInt(high, 5) && contains(lines, "get_loggingLevel") && setLow && isInt(low, 0) &&
            contains(after, "set_loggingLevel") && after.size() == lines.size() + 1,
        "loggingLevel: set to 5 and back to 0, trace lines reach the page console",
        "read=" + describe(high) + "/" + describe(low) + " console=" + std::to_string(after.size()) + " last=" +
            lastOf(after));

  const bool setText = browser.set(root, "loggingLevel", NpValue("lots"));
  check(!setText && !browser.exceptions().empty() &&
            browser.exceptions().back().rfind("Invalid argument conversion from ", 0) == 0,
        "loggingLevel: a value that does not convert raises a script exception", lastOf(browser.exceptions()));
}

void checkFileHandle(FakeNpapiBrowser& browser, NPObject* root) {
  NpValue file;
  const bool called = browser.invoke(root, "fileFromPermanentHandle", {NpValue(kReportHandle)}, file);
  if (!called || !file.isObject()) {
    check(false, "fileFromPermanentHandle returns a file object",
          "answer=" + std::to_string(called) + " result=" + describe(file) + " exception=" +
              lastOf(browser.exceptions()));
    return;
  }
  NpValue name = browser.get(file.objectValue(), "name");
  NpValue extension = browser.get(file.objectValue(), "extension");
  NpValue handle = browser.get(file.objectValue(), "permanentHandle");
  NpValue exists = browser.get(file.objectValue(), "fileExists");
  check(isString(name, "report.txt") && isString(extension, ".txt") && isString(handle, kReportHandle) &&
            exists.type() == NPVariantType_Bool && !exists.boolValue(),
        "fileFromPermanentHandle: file object with name, extension, handle, not existing",
        "name=" + describe(name) + " extension=" + describe(extension) + " handle=" + describe(handle) +
            " exists=" + describe(exists));

  NpValue bad;
  browser.invoke(root, "fileFromPermanentHandle", {NpValue("ab!d")}, bad);
  NpValue badName = bad.isObject() ? browser.get(bad.objectValue(), "name") : NpValue();
  NpValue badHandle = bad.isObject() ? browser.get(bad.objectValue(), "permanentHandle") : NpValue();
  check(bad.isObject() && isString(badName, "") && isString(badHandle, "ab!d"),
        "fileFromPermanentHandle of an invalid handle: empty name, the text read back",
        "result=" + describe(bad) + " name=" + describe(badName) + " handle=" + describe(badHandle));
}

void checkArgumentErrors(FakeNpapiBrowser& browser, NPObject* root) {
  const std::size_t before = browser.exceptions().size();
  NpValue none;
  const bool missing = browser.invoke(root, "fileFromPermanentHandle", {}, none);
  const auto afterMissing = browser.exceptions();
  NpValue many;
  const bool extra = browser.invoke(root, "fileFromPermanentHandle", {NpValue("a"), NpValue("b")}, many);
  const auto afterExtra = browser.exceptions();
  check(!missing && afterMissing.size() == before + 1 && afterMissing.back() == "Error: Argument 1 is not optional.",
        "invoke with no argument: NPN_SetException \"Error: Argument 1 is not optional.\"", lastOf(afterMissing));
  check(!extra && afterExtra.size() == before + 2 && afterExtra.back() == "Too many arguments, expected 1.",
        "invoke with two arguments: NPN_SetException \"Too many arguments, expected 1.\"", lastOf(afterExtra));

  NpValue getter;
  NpValue last;
  const bool got = browser.get(root, "getLastException", getter);
  const bool ran = got && getter.isObject() && browser.invokeDefault(getter.objectValue(), {}, last);
  check(ran && isString(last, "Too many arguments, expected 1."), "getLastException returns the last message",
        describe(last));
}

void checkEnumerate(FakeNpapiBrowser& browser, NPObject* root) {
  std::vector<std::string> names;
  const bool ok = browser.enumerate(root, names);
  const std::size_t n = names.size();
  const bool builtinsLast = n >= 3 && names[n - 3] == "addEventListener" && names[n - 2] == "removeEventListener" &&
                            names[n - 1] == "getLastException";
  check(ok && builtinsLast && contains(names, "loggingLevel") && contains(names, "fileFromPermanentHandle") &&
            contains(names, "showOpenDialog") && contains(names, "crash"),
        "enumerate: the members, then the three built-ins", std::to_string(n) + " names, last " + lastOf(names));
}

// Calls travelling through the plug-in's message window: a worker thread
// posts message 1025 records to the window while this (the main) thread
// pumps; each call must run here, once, in posting order.
void checkMessageWindowCalls(HWND window) {
  const DWORD mainThread = GetCurrentThreadId();
  CallRecord records[3];
  bool posted[3] = {false, false, false};
  bool sentinelPosted = false;
  g_callsRun = 0;
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) {
      records[i].sequence = i + 1;
      auto* call = new PostedCall{&recordCall, &records[i]};
      posted[i] = PostMessageW(window, kAsyncCallMessage, 0, reinterpret_cast<LPARAM>(call)) != 0;
      if (!posted[i]) delete call;
    }
    sentinelPosted = PostThreadMessageW(mainThread, kSentinelMessage, 0, 0) != 0;
  });
  pumpUntilSentinel();
  worker.join();
  bool allRan = posted[0] && posted[1] && posted[2] && sentinelPosted && g_callsRun == 3;
  std::string detail = "ran " + std::to_string(g_callsRun);
  for (int i = 0; i < 3; ++i) {
    allRan = allRan && records[i].thread == mainThread && records[i].order == i + 1;
    detail += " [" + std::to_string(records[i].order) + (records[i].thread == mainThread ? " main]" : " other]");
  }
  check(allRan, "cross-thread calls posted from a worker run on the main thread, in order, through the window",
        detail);
}

// One browser session with the module: load, one page with two instances,
// unload. Answers whether the module was unloaded.
bool session(FakeNpapiBrowser& browser, const std::string& dllPath, bool expectWindow) {
  g_shutDown = false;
  HMODULE module = LoadLibraryW(modulePath(dllPath).c_str());
  check(module != nullptr, "LoadLibraryW by path", "error " + std::to_string(GetLastError()) + " for " + dllPath);
  if (!module) return false;
  auto getEntryPoints = exported<GetEntryPointsFn>(module, "NP_GetEntryPoints");
  auto initialize = exported<InitializeFn>(module, "NP_Initialize");
  auto shutdown = exported<ShutdownFn>(module, "NP_Shutdown");
  check(getEntryPoints && initialize && shutdown, "GetProcAddress of NP_GetEntryPoints, NP_Initialize, NP_Shutdown");
  if (!getEntryPoints || !initialize || !shutdown) return FreeLibrary(module) != 0;

  NPPluginFuncs plugin{};
  plugin.size = sizeof(NPPluginFuncs);
  plugin.version = 0x4242;
  const NPError entryError = getEntryPoints(&plugin);
  NPNetscapeFuncs table = wrappedTable(*browser.funcs());
  const NPError initError = initialize(&table);
  check(entryError == NPERR_NO_ERROR && initError == NPERR_NO_ERROR, "NP_GetEntryPoints and NP_Initialize answer 0");
  checkEntryTable(plugin);
  if (!plugin.newp || !plugin.destroy || !plugin.getvalue) {
    shutdown();
    return FreeLibrary(module) != 0;
  }
  checkStaticNames(plugin);

  NPP instance = browser.newInstance();
  const NPError newError = newInstance(plugin, instance);
  const auto calls = browser.calls();
  check(newError == NPERR_NO_ERROR && instance->pdata != nullptr, "NPP_New on a page at http://127.0.0.1/",
        "error " + std::to_string(newError));
  check(contains(calls, "SetValue 3 0") && contains(calls, "SetValue 4 1"),
        "NPP_New declares the instance windowless and transparent", lastOf(calls));
  checkInstanceNames(plugin, instance);

  HWND window = findMessageWindow(0);
  DWORD windowProcess = 0;
  const DWORD windowThread = window ? GetWindowThreadProcessId(window, &windowProcess) : 0;
  if (expectWindow) {
    check(window != nullptr && windowThread == GetCurrentThreadId() && windowProcess == GetCurrentProcessId(),
          "message-only window FBEventWindowClass0 / FBEventWindow0 made on the main thread");
  } else {
    check(window == nullptr, "no message window for a version 26 browser without Safari");
  }

  NPObject* root = nullptr;
  NPObject* again = nullptr;
  const NPError rootError = plugin.getvalue(instance, NPPVpluginScriptableNPObject, &root);
  const NPError againError = plugin.getvalue(instance, NPPVpluginScriptableNPObject, &again);
  check(rootError == NPERR_NO_ERROR && againError == NPERR_NO_ERROR && root && root == again,
        "NPPVpluginScriptableNPObject: the same object on each request");
  const NPClass* rootClass = root ? root->_class : nullptr;
  if (root) {
    checkClass(root);
    checkLoggingLevel(browser, root);
    checkFileHandle(browser, root);
    checkArgumentErrors(browser, root);
    checkEnumerate(browser, root);
  }

  if (expectWindow && window) {
    checkMessageWindowCalls(window);

    // A second instance builds a second window with the next number.
    NPP second = browser.newInstance();
    const NPError secondError = newInstance(plugin, second);
    HWND secondWindow = findMessageWindow(1);
    check(secondError == NPERR_NO_ERROR && secondWindow != nullptr && secondWindow != window,
          "second instance: window FBEventWindowClass1 / FBEventWindow1");
    // A call still queued for the window when its instance goes away is
    // dropped with the window.
    CallRecord late;
    bool latePosted = false;
    if (secondWindow) {
      g_callsRun = 0;
      auto* call = new PostedCall{&recordCall, &late};
      latePosted = PostMessageW(secondWindow, kAsyncCallMessage, 0, reinterpret_cast<LPARAM>(call)) != 0;
      if (!latePosted) delete call;
    }
    const NPError secondDestroy = plugin.destroy(second, nullptr);
    check(secondDestroy == NPERR_NO_ERROR && findMessageWindow(1) == nullptr && findMessageWindow(0) == window,
          "destroying the second instance removes its window only");
    PostThreadMessageW(GetCurrentThreadId(), kSentinelMessage, 0, 0);
    pumpUntilSentinel();
    check(latePosted && g_callsRun == 0, "a call queued for a window before its NPP_Destroy is not run");
  }

  if (root) browser.release(root);
  if (again) browser.release(again);

  const NPError destroyError = plugin.destroy(instance, nullptr);
  check(destroyError == NPERR_NO_ERROR && instance->pdata == nullptr, "NPP_Destroy");
  const NPError destroyAgain = plugin.destroy(instance, nullptr);
  check(destroyAgain == NPERR_INVALID_INSTANCE_ERROR, "NPP_Destroy of a destroyed instance: invalid instance");
  if (expectWindow && findMessageWindow(0)) {
    // A host that something still references after NPP_Destroy keeps its
    // window until it goes; noted, not failed.
    std::printf("NOTE %s: window FBEventWindowClass0 outlives NPP_Destroy (its host is still referenced)\n",
                g_mode.c_str());
  }
  browser.invalidatePluginObjects();
  const std::size_t live = rootClass ? browser.liveObjectCount(rootClass) : 0;
  check(live == 0, "no scriptable object of the plug-in left after NPP_Destroy", std::to_string(live) + " left");

  const NPError shutdownError = shutdown();
  g_shutDown = true;
  check(shutdownError == NPERR_NO_ERROR, "NP_Shutdown");
  check(browser.offThreadCalls() == 0 && browser.badFrees() == 0,
        "browser entries called on the main thread only, no bad frees",
        "off-thread " + std::to_string(browser.offThreadCalls()) + ", bad frees " +
            std::to_string(browser.badFrees()));
  check(browser.outstandingAllocations() == 0, "every NPN_MemAlloc block given back",
        std::to_string(browser.outstandingAllocations()) + " outstanding");
  // A module whose objects are still alive is kept loaded: the browser would
  // otherwise call into unloaded code when it drops them.
  bool unloaded = false;
  if (live == 0) {
    unloaded = FreeLibrary(module) != 0;
    check(unloaded, "FreeLibrary");
    check(findMessageWindow(0) == nullptr && findMessageWindow(1) == nullptr, "no message window left after FreeLibrary");
  }
  check(g_callsAfterShutdown == 0, "no browser entry called after NP_Shutdown",
        std::to_string(g_callsAfterShutdown) + " calls");
  return unloaded;
}

void run(const std::string& dllPath) {
  const bool expectWindow = g_mode != "v26";
  const uint16_t version = g_mode == "v18" ? 18 : 26;
  const std::string userAgent = g_mode == "safari"
                                    ? "Mozilla/5.0 (Windows NT 10.0) AppleWebKit/534.34 (KHTML, like Gecko) Safari/534.34"
                                    : "Mozilla/5.0 (Windows NT 10.0; Win64; x64; rv:52.0) Gecko/20100101 Firefox/52.0";
  FakeNpapiBrowser browser(version, userAgent, kPageUrl);
  // The main thread's message queue exists before any worker posts to it.
  MSG peek;
  PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE);

  // Browsers unload idle plug-in modules and load them again later in the
  // same process: the second session meets what the first one left behind
  // (for instance its window classes).
  if (!session(browser, dllPath, expectWindow)) return;
  g_mode += " reloaded";
  session(browser, dllPath, expectWindow);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: nz_npapi_host <npNorvellZephel32.dll> v18|v26|safari\n");
    return 2;
  }
  g_mode = argv[2];
  if (g_mode != "v18" && g_mode != "v26" && g_mode != "safari") {
    std::fprintf(stderr, "unknown mode %s\n", argv[2]);
    return 2;
  }
  run(argv[1]);
  std::printf("%s %s: %d failure(s)\n", g_failures == 0 ? "PASS" : "FAIL", g_mode.c_str(), g_failures);
  return g_failures == 0 ? 0 : 1;
}
