// A registering program for the tests: loads the module by path and calls
// one of its registration exports, as regsvr32 or an installer's
// harvesting tool would. Copied under other names (heat.exe) to show that
// the module judges the program that registers it.
//
//   com_register_tool <module> register | unregister
//   com_register_tool <module> install <command line> | uninstall <command line>
//
// Prints the export's HRESULT; exits 0 when it succeeded.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fwprintf(stderr, L"usage: %ls <module> register|unregister|install <cmd>|uninstall <cmd>\n", argv[0]);
    return 2;
  }
  HMODULE module = LoadLibraryW(argv[1]);
  if (!module) {
    std::fwprintf(stderr, L"FAIL cannot load %ls (%lu)\n", argv[1], GetLastError());
    return 2;
  }
  const wchar_t* action = argv[2];
  HRESULT result = E_INVALIDARG;
  if (std::wcscmp(action, L"register") == 0 || std::wcscmp(action, L"unregister") == 0) {
    using Export = HRESULT(STDAPICALLTYPE*)();
    auto call = reinterpret_cast<Export>(reinterpret_cast<void*>(
        GetProcAddress(module, action[0] == L'r' ? "DllRegisterServer" : "DllUnregisterServer")));
    if (call) result = call();
  } else if ((std::wcscmp(action, L"install") == 0 || std::wcscmp(action, L"uninstall") == 0) && argc > 3) {
    using Export = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
    auto call = reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(module, "DllInstall")));
    if (call) result = call(action[0] == L'i', argv[3]);
  }
  std::wprintf(L"%ls: 0x%08lx\n", action, static_cast<unsigned long>(result));
  FreeLibrary(module);
  return SUCCEEDED(result) ? 0 : 1;
}
