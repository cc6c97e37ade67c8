// What the ActiveX container offers script for downloads through the
// control: a loopback web site (LoopbackHttpServer) serving files and texts,
// message pumping until a script condition holds (urlmon reports through
// the container thread's messages), a look into the plug-ins folder of the
// plug-in manager, and the call log of the test secondary module.
//
// Script sees these as container.serveFile(path, file), serveText(path,
// text), waitFor(f), pluginsFolderEntries(), removeFromPluginsFolder(name),
// moduleLog(), environment(name) and fileSize(file).
//
// Container thread only.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace FB::ActiveX::testing {
class LoopbackHttpServer;
}

namespace nz_container {

class DownloadSite {
 public:
  // Points the test secondary module's call log (NZ_TEST_MODULE_LOG) at a
  // new file of this process.
  DownloadSite();
  ~DownloadSite();
  DownloadSite(const DownloadSite&) = delete;
  DownloadSite& operator=(const DownloadSite&) = delete;

  // Serves the bytes of `file` (a Unix or Windows path) at `path`; answers
  // the full address, or "" when the file cannot be read.
  std::string serveFile(const std::string& path, const std::string& file);
  std::string serveText(const std::string& path, const std::string& text);
  // Calls `condition` (a script function) while pumping messages until it
  // answers true; false when it does not within a generous bound.
  static bool waitFor(IDispatch* condition);
  // The names in the plug-ins folder, sorted, one per line.
  static std::string pluginsFolderEntries();
  // Deletes one entry of the plug-ins folder with its contents; refuses
  // names with separators or dots only.
  static bool removeFromPluginsFolder(const std::string& name);
  std::string moduleLog() const;
  // The size of `file` in bytes; -1 when it cannot be read.
  static long fileSize(const std::string& file);

 private:
  FB::ActiveX::testing::LoopbackHttpServer& server();

  std::unique_ptr<FB::ActiveX::testing::LoopbackHttpServer> server_;
  std::wstring logPath_;
};

}  // namespace nz_container
