// What the NPAPI bridge costs a call from page script, measured on the built
// module driven by the fake NPAPI browser, against a minimal NPClass that
// answers the same names with constants (the shape of the real-browser
// baseline plug-in). Each benchmark makes the class calls a browser makes for
// one script statement:
//   read   plugin.loggingLevel          getProperty
//   write  plugin.loggingLevel = n      setProperty
//   call   plugin.unregisterWriteHandler(n)
//          ours: hasMethod (false: a method object), getProperty, then
//          invokeDefault on the method object; the baseline: invoke.
// Counters: heap allocations per call, and heap bytes still live per call
// after the run (what a call leaves behind).
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "bench/heap_counter.h"
#include "module/module_entry.h"
#include "testing/fake_npapi_browser.h"

namespace {

using FB::testing::FakeNpapiBrowser;

// The baseline: one object, two names, no framework.
struct BaselineObject {
  NPObject header;
  int loggingLevel = 0;
};

NPIdentifier g_loggingLevel;
NPIdentifier g_unregister;

NPObject* baselineAllocate(NPP, NPClass*) { return &(new BaselineObject())->header; }
void baselineDeallocate(NPObject* object) { delete reinterpret_cast<BaselineObject*>(object); }
void baselineInvalidate(NPObject*) {}
bool baselineHasMethod(NPObject*, NPIdentifier name) { return name == g_unregister; }
bool baselineInvoke(NPObject*, NPIdentifier name, const NPVariant* args, uint32_t count, NPVariant* result) {
  result->type = NPVariantType_Void;
  return name == g_unregister && count == 1 && args[0].type == NPVariantType_Int32;
}
bool baselineInvokeDefault(NPObject*, const NPVariant*, uint32_t, NPVariant*) { return false; }
bool baselineHasProperty(NPObject*, NPIdentifier name) { return name == g_loggingLevel; }
bool baselineGetProperty(NPObject* object, NPIdentifier name, NPVariant* result) {
  if (name != g_loggingLevel) return false;
  result->type = NPVariantType_Int32;
  result->value.intValue = reinterpret_cast<BaselineObject*>(object)->loggingLevel;
  return true;
}
bool baselineSetProperty(NPObject* object, NPIdentifier name, const NPVariant* value) {
  if (name != g_loggingLevel || value->type != NPVariantType_Int32) return false;
  reinterpret_cast<BaselineObject*>(object)->loggingLevel = value->value.intValue;
  return true;
}
bool baselineRemoveProperty(NPObject*, NPIdentifier) { return false; }
bool baselineEnumerate(NPObject*, NPIdentifier**, uint32_t*) { return false; }
bool baselineConstruct(NPObject*, const NPVariant*, uint32_t, NPVariant*) { return false; }

NPClass g_baselineClass = {NP_CLASS_STRUCT_VERSION, baselineAllocate,     baselineDeallocate,
                           baselineInvalidate,      baselineHasMethod,    baselineInvoke,
                           baselineInvokeDefault,   baselineHasProperty,  baselineGetProperty,
                           baselineSetProperty,     baselineRemoveProperty, baselineEnumerate,
                           baselineConstruct};

// One page for the whole program: the module started, one instance, its
// root object, and a baseline object from the same browser.
struct Page {
  FakeNpapiBrowser browser{26, FakeNpapiBrowser::kDefaultUserAgent, FakeNpapiBrowser::kDefaultPageUrl};
  NPPluginFuncs plugin{};
  NPObject* root = nullptr;
  NPObject* baseline = nullptr;

  Page() {
    plugin.size = sizeof(plugin);
    nz_module_test::startModule(browser.funcs(), &plugin);
    char mime[] = "application/x-norvellzephel32";
    plugin.newp(mime, browser.instance(), NP_EMBED, 0, nullptr, nullptr, nullptr);
    plugin.getvalue(browser.instance(), NPPVpluginScriptableNPObject, &root);
    baseline = browser.funcs()->createobject(browser.instance(), &g_baselineClass);
    g_loggingLevel = browser.stringIdentifier("loggingLevel");
    g_unregister = browser.stringIdentifier("unregisterWriteHandler");
  }
};

Page& page() {
  static Page* instance = new Page();  // kept to the end: the module outlives every benchmark
  return *instance;
}

// Reports allocations and bytes left live per call over the timed loop.
class HeapCounters {
 public:
  HeapCounters() : allocations_(nz_bench::allocationCount()), live_(nz_bench::liveHeapBytes()) {}
  void report(benchmark::State& state) const {
    const double calls = static_cast<double>(state.iterations());
    state.counters["allocs/call"] = static_cast<double>(nz_bench::allocationCount() - allocations_) / calls;
    state.counters["kept B/call"] =
        (static_cast<double>(nz_bench::liveHeapBytes()) - static_cast<double>(live_)) / calls;
  }

 private:
  std::size_t allocations_;
  std::size_t live_;
};

void read(benchmark::State& state, NPObject* object) {
  Page& p = page();
  NPVariant value;
  HeapCounters heap;
  for (auto _ : state) {
    object->_class->getProperty(object, g_loggingLevel, &value);
    benchmark::DoNotOptimize(value.value.intValue);
    p.browser.releaseVariant(&value);
  }
  heap.report(state);
}

void write(benchmark::State& state, NPObject* object) {
  NPVariant value;
  value.type = NPVariantType_Int32;
  value.value.intValue = 0;
  HeapCounters heap;
  for (auto _ : state) {
    value.value.intValue = (value.value.intValue + 1) & 3;
    benchmark::DoNotOptimize(object->_class->setProperty(object, g_loggingLevel, &value));
  }
  heap.report(state);
}

void ReadPlugin(benchmark::State& state) { read(state, page().root); }
void ReadBaseline(benchmark::State& state) { read(state, page().baseline); }
void WritePlugin(benchmark::State& state) { write(state, page().root); }
void WriteBaseline(benchmark::State& state) { write(state, page().baseline); }

// `holdMethod`: each method object read stays held until the next call has
// read its own, as a browser's script wrappers keep theirs until collected;
// otherwise every read makes the wrapper anew.
void callPlugin(benchmark::State& state, bool holdMethod) {
  Page& p = page();
  NPObject* root = p.root;
  NPVariant argument;
  argument.type = NPVariantType_Int32;
  argument.value.intValue = 1000000;
  NPVariant method;
  NPVariant result;
  if (!root->_class->getProperty(root, g_unregister, &method) || method.type != NPVariantType_Object ||
      !method.value.objectValue->_class->invokeDefault(method.value.objectValue, &argument, 1, &result)) {
    return state.SkipWithError("the method object cannot be read or called");
  }
  NPVariant held = method;
  if (!holdMethod) p.browser.releaseVariant(&held);
  HeapCounters heap;
  for (auto _ : state) {
    benchmark::DoNotOptimize(root->_class->hasMethod(root, g_unregister));
    root->_class->getProperty(root, g_unregister, &method);
    NPObject* function = method.value.objectValue;
    function->_class->invokeDefault(function, &argument, 1, &result);
    p.browser.releaseVariant(&result);
    if (holdMethod) std::swap(held, method);
    p.browser.releaseVariant(&method);
    ++argument.value.intValue;
  }
  heap.report(state);
  if (holdMethod) p.browser.releaseVariant(&held);
}

void CallPlugin(benchmark::State& state) { callPlugin(state, false); }
void CallPluginHoldingMethod(benchmark::State& state) { callPlugin(state, true); }

void CallBaseline(benchmark::State& state) {
  Page& p = page();
  NPObject* baseline = p.baseline;
  NPVariant argument;
  argument.type = NPVariantType_Int32;
  argument.value.intValue = 1000000;
  NPVariant result;
  HeapCounters heap;
  for (auto _ : state) {
    baseline->_class->invoke(baseline, g_unregister, &argument, 1, &result);
    p.browser.releaseVariant(&result);
    ++argument.value.intValue;
  }
  heap.report(state);
}

BENCHMARK(ReadPlugin);
BENCHMARK(ReadBaseline);
BENCHMARK(WritePlugin);
BENCHMARK(WriteBaseline);
BENCHMARK(CallPlugin);
BENCHMARK(CallPluginHoldingMethod);
BENCHMARK(CallBaseline);

}  // namespace

BENCHMARK_MAIN();
