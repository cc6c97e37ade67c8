#include "tests/wine/activex_container_bench_win.h"

#include <windows.h>

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "tests/wine/activex_container_dispatch_win.h"
#include "tests/wine/activex_container_embedding_win.h"

namespace nz_container {
namespace {

struct Memory {
  double privateMb;
  double workingSetMb;
};

Memory memoryNow() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  // wine leaves PrivateUsage at 0; its PagefileUsage is the same figure
  // (the process's committed private memory).
  const SIZE_T privateBytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
  return {static_cast<double>(privateBytes) / (1024.0 * 1024.0),
          static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0)};
}

// Seconds taken by `calls` iterations of `statement` (with T the target).
double timeLoop(Container& container, const std::wstring& target, const std::wstring& statement, long calls) {
  std::wstring body = statement;
  for (std::size_t at = body.find(L"T."); at != std::wstring::npos;
       at = body.find(L"T.", at + target.size())) {
    body.replace(at, 1, target);
  }
  const std::wstring code = L"(function () { var x; for (var i = 0; i < " + std::to_wstring(calls) +
                            L"; i++) { " + body + L" } })();";
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
  const double lookup =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  SysFreeString(name);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT value;
  VariantInit(&value);
  start = std::chrono::steady_clock::now();
  for (long i = 0; i < calls; ++i) {
    target->InvokeEx(id, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
    VariantClear(&value);
  }
  const double read =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  return {lookup / calls, read / calls};
}

}  // namespace

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
  std::printf(
      "direct C++ calls, ns each: GetDispID control %.0f, bare %.0f; property read (InvokeEx) control %.0f, "
      "bare %.0f\n",
      controlCost.getDispIdNs, bareCost.getDispIdNs, controlCost.readNs, bareCost.readNs);
  // The memory figures are only as good as the system's counters: show
  // what an allocation of 8 MB does to them.
  const Memory probeStart = memoryNow();
  {
    std::vector<char> probe(8 * 1024 * 1024, 1);
    const Memory probeEnd = memoryNow();
    std::printf(
        "counter check: 8 MB allocated and touched shows private %+.2f MB, working set %+.2f MB (byte %d)\n",
        probeEnd.privateMb - probeStart.privateMb, probeEnd.workingSetMb - probeStart.workingSetMb,
        probe[probe.size() / 2]);
  }
  std::printf(
      "memory over all runs: private bytes %+.2f MB (%.1f MB now), working set %+.2f MB (%.1f MB now)\n",
      after.privateMb - before.privateMb, after.privateMb, after.workingSetMb - before.workingSetMb,
      after.workingSetMb);
  bare->Release();
  if (container.failures() != 0) {
    std::printf("FAIL the benchmark's script did not run cleanly\n");
    return 1;
  }
  return 0;
}

}  // namespace nz_container
