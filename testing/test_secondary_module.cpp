// A stand-in for a secondary plug-in module, for tests only (never part of
// the shipped module). It exports the two registration entry points. Each
// call appends one line to the file named by NZ_TEST_MODULE_LOG (when set):
// the entry point's name, a tab, and the library search path in force
// ("path" on Windows, LD_LIBRARY_PATH elsewhere). It answers the number in
// NZ_TEST_MODULE_RESULT, or 0.
//
// Called by whoever loads it, on that thread; not synchronised.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#define NZ_TEST_EXPORT extern "C" __declspec(dllexport)
#define NZ_TEST_CALL __stdcall
#define NZ_SEARCH_PATH "path"
#else
#define NZ_TEST_EXPORT extern "C" __attribute__((visibility("default")))
#define NZ_TEST_CALL
#define NZ_SEARCH_PATH "LD_LIBRARY_PATH"
#endif

namespace {

std::int32_t record(const char* entryPoint) {
  if (const char* log = std::getenv("NZ_TEST_MODULE_LOG")) {
    if (std::FILE* file = std::fopen(log, "ab")) {
      const char* searchPath = std::getenv(NZ_SEARCH_PATH);
      std::fprintf(file, "%s\t%s\n", entryPoint, searchPath ? searchPath : "");
      std::fclose(file);
    }
  }
  const char* result = std::getenv("NZ_TEST_MODULE_RESULT");
  return result ? static_cast<std::int32_t>(std::strtoll(result, nullptr, 10)) : 0;
}

}  // namespace

NZ_TEST_EXPORT std::int32_t NZ_TEST_CALL DllRegisterServer() { return record("DllRegisterServer"); }
NZ_TEST_EXPORT std::int32_t NZ_TEST_CALL DllUnregisterServer() { return record("DllUnregisterServer"); }
