// FB::FakePlatform: a Platform whose answers the test sets. Install it with
// ScopedPlatformForTesting. It counts the queries it receives so tests can
// check that code asked (or did not ask) the system.
// Not synchronised: set the answers before other threads may query it.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <vector>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "scripting/text_conversion.h"

namespace FB {

class FakePlatform : public Platform {
 public:
  std::string modulePath() override { return modulePath_; }

  SystemProxyList systemProxyList() override {
    ++proxyQueries_;
    if (proxyFailure_) throw std::runtime_error(*proxyFailure_);
    return proxyList_;
  }

  // Files: UTF-8 narrow paths, attributes from a table (default: missing),
  // the folders as set (local application data is counted when asked).
  std::wstring temporaryFolder() override { return temporaryFolder_; }
  std::wstring localAppDataFolder() override {
    ++localAppDataQueries_;
    return localAppDataFolder_;
  }
  // Private folders are made (and checked) by the system's own rules, in
  // the real folders the test points the fake at.
  void makePrivateFolder(const std::wstring& path) override { Platform::systemInstance().makePrivateFolder(path); }
  std::string narrowPath(const std::wstring& path) override { return toUtf8(path); }
  std::wstring widePath(const std::string& narrow) override { return toWide(narrow); }
  PathAttributes pathAttributes(const std::wstring& path) override {
    auto found = attributes_.find(path);
    return found == attributes_.end() ? PathAttributes{} : found->second;
  }
  // Flushes go to the system and are recorded in order ("file <path>" or
  // "folder <path>"); a hook set by the test runs first and may fail them.
  using FlushHook = std::function<bool(const std::filesystem::path& path, bool folder)>;
  bool flushFileToDisk(const std::filesystem::path& path) override { return flush(path, false); }
  bool flushFolderToDisk(const std::filesystem::path& path) override { return flush(path, true); }
  void setFlushHook(FlushHook hook) { flushHook_ = std::move(hook); }
  const std::vector<std::string>& flushes() const { return flushes_; }
  void setTemporaryFolder(std::wstring folder) { temporaryFolder_ = std::move(folder); }
  void setLocalAppDataFolder(std::wstring folder) { localAppDataFolder_ = std::move(folder); }
  int localAppDataQueries() const { return localAppDataQueries_; }
  void setPathAttributes(const std::wstring& path, PathAttributes attributes) { attributes_[path] = attributes; }

  // Dialogs: scripted answers, taken in order; every request is recorded.
  // With no answer left a dialog is cancelled.
  int osMajorVersion() override { return osMajorVersion_; }
  FileDialogResult showFileDialog(const FileDialogRequest& request) override {
    fileRequests_.push_back(request);
    if (fileAnswers_.empty()) return {};
    FileDialogResult answer = fileAnswers_.front();
    fileAnswers_.pop_front();
    return answer;
  }
  FolderDialogResult showFolderDialog(const FolderDialogRequest& request) override {
    folderRequests_.push_back(request);
    if (folderFailure_) throw std::runtime_error(*folderFailure_);
    if (folderAnswers_.empty()) return {};
    FolderDialogResult answer = folderAnswers_.front();
    folderAnswers_.pop_front();
    return answer;
  }
  void endDialogs() override { ++endDialogsCalls_; }
  int endDialogsCalls() const { return endDialogsCalls_; }
  void setOsMajorVersion(int version) { osMajorVersion_ = version; }
  void answerFileDialog(FileDialogResult answer) { fileAnswers_.push_back(std::move(answer)); }
  void answerFolderDialog(FolderDialogResult answer) { folderAnswers_.push_back(std::move(answer)); }
  void failFolderDialog(std::string message) { folderFailure_ = std::move(message); }
  const std::vector<FileDialogRequest>& fileRequests() const { return fileRequests_; }
  const std::vector<FolderDialogRequest>& folderRequests() const { return folderRequests_; }

  // Secondary modules: search-path additions are recorded; every entry-point
  // call is recorded and answered from a table keyed by module path
  // (default: the module does not load).
  struct ModuleCall {
    std::wstring path;
    std::string entryPoint;
  };
  void appendLibrarySearchPath(const std::wstring& folder) override { searchPathAdditions_.push_back(folder); }
  ModuleCallResult callModuleEntryPoint(const std::wstring& path, const std::string& name) override {
    moduleCalls_.push_back({path, name});
    auto found = moduleAnswers_.find(path);
    return found == moduleAnswers_.end() ? ModuleCallResult{} : found->second;
  }
  void answerModuleCalls(const std::wstring& path, ModuleCallResult answer) { moduleAnswers_[path] = answer; }
  const std::vector<ModuleCall>& moduleCalls() const { return moduleCalls_; }
  const std::vector<std::wstring>& searchPathAdditions() const { return searchPathAdditions_; }

  void setModulePath(std::string path) { modulePath_ = std::move(path); }
  void setSystemProxyList(ProxyAccess access, std::string proxies) {
    proxyList_ = {access, std::move(proxies)};
    proxyFailure_.reset();
  }
  // Makes systemProxyList() throw std::runtime_error(message).
  void failSystemProxyList(std::string message) { proxyFailure_ = std::move(message); }

  int proxyQueries() const { return proxyQueries_; }

 private:
  bool flush(const std::filesystem::path& path, bool folder) {
    flushes_.push_back((folder ? "folder " : "file ") + toUtf8(path.wstring()));
    if (flushHook_ && !flushHook_(path, folder)) return false;
    Platform& system = Platform::systemInstance();
    return folder ? system.flushFolderToDisk(path) : system.flushFileToDisk(path);
  }

  std::string modulePath_ = "/fake/npNorvellZephel32.so";
  FlushHook flushHook_;
  std::vector<std::string> flushes_;
  SystemProxyList proxyList_;
  std::optional<std::string> proxyFailure_;
  int proxyQueries_ = 0;
  std::wstring temporaryFolder_ = L"/tmp/";
  std::wstring localAppDataFolder_ = L"/fake/local";
  int localAppDataQueries_ = 0;
  std::map<std::wstring, PathAttributes> attributes_;
  int osMajorVersion_ = 10;
  std::deque<FileDialogResult> fileAnswers_;
  std::deque<FolderDialogResult> folderAnswers_;
  std::vector<FileDialogRequest> fileRequests_;
  std::vector<FolderDialogRequest> folderRequests_;
  std::optional<std::string> folderFailure_;
  int endDialogsCalls_ = 0;
  std::map<std::wstring, ModuleCallResult> moduleAnswers_;
  std::vector<ModuleCall> moduleCalls_;
  std::vector<std::wstring> searchPathAdditions_;
};

}  // namespace FB
