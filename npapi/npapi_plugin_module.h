// FB::Npapi::NpapiPluginModule: the process's one NPAPI module. It keeps a
// private copy of the browser's function table (zero until NP_Initialize,
// copied by the version rule of copyBrowserFuncs) and the identity of the
// thread that created it, the browser's main thread.
//
// The registry (acquire / release / current / liveCount) and the
// once-per-process choice of host kind are unguarded: the browser calls
// every entry point on its main thread, and only that thread may use them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "npapi/npapi_abi.h"

namespace FB::Npapi {

class NpapiPluginModule;
using NpapiPluginModulePtr = std::shared_ptr<NpapiPluginModule>;

// Copies `from` into `to`: size, version, every entry from geturl through
// reloadplugins and from geturlnotify through setexception, and construct;
// the later entries only when `from.version` is high enough to carry them
// (16 popups state, 18 enumerate, 19 pluginthreadasynccall, 21 URL values
// and authentication, 23 timers). The Java entries and everything not named
// stay zero.
void copyBrowserFuncs(const NPNetscapeFuncs& from, NPNetscapeFuncs& to);

// The two kinds of browser host an instance can get: the plain one, which
// uses the browser's own cross-thread call, and the one that posts to a
// message-only window (Windows only).
enum class HostKind { Plain, MessageWindow };

// The rule: the message-window host when the user agent contains "Safari"
// or the browser table is older than version 19.
HostKind hostKindFor(const char* userAgent, uint16_t tableVersion);

class NpapiPluginModule {
 public:
  NpapiPluginModule();
  NpapiPluginModule(const NpapiPluginModule&) = delete;
  NpapiPluginModule& operator=(const NpapiPluginModule&) = delete;

  // Takes the browser's table (NP_Initialize). Never checks size or version.
  void setBrowserFuncs(const NPNetscapeFuncs& browser) { copyBrowserFuncs(browser, funcs_); }
  const NPNetscapeFuncs& browserFuncs() const { return funcs_; }
  std::thread::id creatorThread() const { return creatorThread_; }

  // The host kind for this process, chosen at the first call from the
  // browser's user agent for `instance` and the table's version, then kept.
  // When the message-window kind is in use this module's copy of
  // pluginthreadasynccall is cleared, so that no host uses it. A platform
  // without the message-window host always answers Plain.
  HostKind hostKind(NPP instance);

  // acquireModule: runs the factory's globalInitialize when no module lives,
  // then answers the module, making it on first use.
  static NpapiPluginModulePtr acquire();
  // releaseModule: drops the module if there is one; when none is left, runs
  // the factory's globalDeinitialize (also when there was none to drop).
  static void release();
  // The live module, or null; never creates one.
  static NpapiPluginModulePtr current();
  // Whether `module` is the current module; cheaper than current() on paths
  // every script call takes.
  static bool isCurrent(const NpapiPluginModule* module);
  static int liveCount();

  // Forgets the process's host-kind choice, so that a test can make it
  // again.
  static void resetHostKindForTesting();

 private:
  NPNetscapeFuncs funcs_;
  std::thread::id creatorThread_;
};

// Whether this platform has the message-window host (platform binding file).
bool messageWindowHostAvailable();

}  // namespace FB::Npapi
