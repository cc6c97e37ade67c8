// winsock2.h must come before windows.h.
#include <winsock2.h>

#include "tests/wine/activex_container_downloads_win.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "activex/loopback_http_server_win.h"

namespace fs = std::filesystem;

namespace nz_container {
namespace {

using FB::ActiveX::testing::LoopbackHttpServer;

fs::path pluginsFolder() {
  PWSTR base = nullptr;
  fs::path folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &base)) && base) {
    folder = fs::path(base) / L"Norvell" / L"ZephelPlugins";
  }
  CoTaskMemFree(base);
  return folder;
}

// A Unix path as wine sees it (drive Z:), a Windows path unchanged.
fs::path hostPath(const std::string& file) {
  if (!file.empty() && file[0] == '/') return fs::path("Z:" + file);
  return fs::path(file);
}

}  // namespace

DownloadSite::DownloadSite() {
  wchar_t folder[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, folder);
  logPath_ = std::wstring(folder, length) + L"nz-container-module-" + std::to_wstring(GetCurrentProcessId()) + L".log";
  DeleteFileW(logPath_.c_str());
  SetEnvironmentVariableW(L"NZ_TEST_MODULE_LOG", logPath_.c_str());
}

DownloadSite::~DownloadSite() {
  server_.reset();
  DeleteFileW(logPath_.c_str());
}

LoopbackHttpServer& DownloadSite::server() {
  if (!server_) server_ = std::make_unique<LoopbackHttpServer>();
  return *server_;
}

std::string DownloadSite::serveFile(const std::string& path, const std::string& file) {
  std::ifstream in(hostPath(file), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  if (!in) return "";
  return serveText(path, bytes.str());
}

std::string DownloadSite::serveText(const std::string& path, const std::string& text) {
  LoopbackHttpServer::Resource resource;
  resource.body = text;
  server().serve(path, resource);
  return server().url(path);
}

bool DownloadSite::waitFor(IDispatch* condition) {
  const ULONGLONG deadline = GetTickCount64() + 60000;
  for (;;) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT answer;
    VariantInit(&answer);
    const HRESULT called =
        condition->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &answer, nullptr, nullptr);
    const bool done = SUCCEEDED(called) && V_VT(&answer) == VT_BOOL && V_BOOL(&answer) != VARIANT_FALSE;
    VariantClear(&answer);
    if (done) return true;
    if (FAILED(called) || GetTickCount64() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

std::string DownloadSite::pluginsFolderEntries() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(pluginsFolder(), error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string& name : names) text += name + "\n";
  return text;
}

bool DownloadSite::removeFromPluginsFolder(const std::string& name) {
  if (name.empty() || name.find_first_of("/\\:") != std::string::npos ||
      name.find_first_not_of('.') == std::string::npos) {
    return false;
  }
  const fs::path folder = pluginsFolder();
  if (folder.empty()) return false;
  std::error_code error;
  fs::remove_all(folder / name, error);
  return !error;
}

long DownloadSite::fileSize(const std::string& file) {
  std::error_code error;
  const auto size = fs::file_size(hostPath(file), error);
  return error ? -1 : static_cast<long>(size);
}

std::string DownloadSite::moduleLog() const {
  std::ifstream in(fs::path(logPath_), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace nz_container
