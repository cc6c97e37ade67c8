// PlugInAPI: the scriptable surface page script sees on the root object:
// file dialogs, file objects, writing files, handler registries, recovery
// files and the logging level. The root class (NorvellZephelBSPluginAPI)
// derives from it. Its trace lines go to its own page's console.
//
// Only pages from trusted sites may use it: for any other page every member
// except the built-in ones and "version" raises "This site is not trusted by
// Norvell Zephel" (see trusted_site.h). The check is made once per access in
// the four entry points below.
//
// Called on the browser's main thread; each member runs under the object's
// zone lock.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/console_log.h"
#include "app/file_handle.h"
#include "runtime/browser_host.h"
#include "scripting/jsapi_auto.h"

class PlugInAPI : public FB::JSAPIAuto {
 public:
  explicit PlugInAPI(const FB::BrowserHostPtr& host);
  ~PlugInAPI() override;

  int objectId() const { return objectId_; }
  const FB::BrowserHostPtr& host() const { return host_; }

  // Writes one line to this object's own page console (console_log.h).
  void consoleLog(const std::string& message, int level) { console_.write(message, level); }

  // The trust gate.
  using FB::JSAPIAuto::callMethod;
  using FB::JSAPIAuto::methodObject;
  using FB::JSAPIAuto::readProperty;
  using FB::JSAPIAuto::writeProperty;
  FB::variant callMethod(const std::string& name, const FB::VariantVector& args) override;
  FB::JSAPIPtr methodObject(const std::string& name) override;
  FB::variant readProperty(const std::string& name) override;
  void writeProperty(const std::string& name, const FB::variant& value) override;

  // "loggingLevel" (plug_in_api.cpp).
  int get_loggingLevel();
  void set_loggingLevel(int level);
  // "crash" (plug_in_api.cpp).
  void crash(const std::string& code);

  // Dialogs (plug_in_api_dialogs.cpp).
  FileHandlePtr showOpenDialog(const std::wstring& filter);
  FileHandlePtr showSaveDialog(const std::wstring& filter);
  FileHandlePtr showSelectFolderDialog();
  FileHandlePtr showSelectFolderDialogWithTitle(const std::wstring& title);

  // Writing files and handler registries (plug_in_api_writing.cpp).
  FileHandlePtr createFileInFolder(const FileHandlePtr& folder, const std::wstring& name);
  void saveStreamToFile(const FileHandlePtr& file, const std::string& data, const std::string& mode);
  int registerWriteHandler(const FB::JSObjectPtr& handler);
  int registerQueryHandler(const FB::JSObjectPtr& handler);
  void unregisterWriteHandler(int id);
  void unregisterQueryHandler(int id);

  // Recovery files (plug_in_api_recovery.cpp).
  FileHandlePtr acquireRecoveryFile(const std::string& extension, const std::string& folder);
  void releaseRecoveryFile(const FileHandlePtr& file);

  // Permanent handles (plug_in_api_files.cpp).
  FileHandlePtr fileFromPermanentHandle(const std::string& handle);

 protected:
  // Raises "This site is not trusted by Norvell Zephel" when the page may not
  // use `member`.
  void checkTrusted(const std::string& member);
  // The member's trace line, on this object's page console.
  void trace(const char* member) { console_.trace(member); }

 private:
  FB::BrowserHostPtr host_;
  int objectId_;
  Norvell::PageConsole console_;
  std::optional<bool> trusted_;  // decided on first use, from the page address
};
