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

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/wine/activex_container_bench_win.h"
#include "tests/wine/activex_container_embedding_win.h"
#include "tests/wine/activex_container_page_win.h"

namespace nz_container {
namespace {

constexpr const char* kDefaultPage = "http://127.0.0.1:8080/activex/container.html";

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
