// Container: one ActiveX control embedded as a browser embeds it. It loads
// the module by path, creates the control through the module's
// DllGetClassObject (no registration), runs wine's JScript engine with the
// control as the global "plugin" and the container as "container", and
// gives the control a client site whose web browser, document and window
// are the test page's (the window's address is the page given), then its
// parameters through a property bag (onload names the page's nzLoaded).
//
// Script sees "container" with: fail(text), log(text), done(),
// setTimeout(f, delay) (the page's, through the prelude), runTimers(),
// clearSite() (SetClientSite(NULL) and SetSite(NULL)), readOnWorker(name)
// (a read of the control's member on another thread while this thread
// pumps messages), onMainThread(), and the download helpers of
// activex_container_downloads_win.h.
//
// Container thread only.
#pragma once

#include <windows.h>

#include <dispex.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/wine/activex_container_downloads_win.h"
#include "tests/wine/activex_container_engine_win.h"
#include "tests/wine/activex_container_site_win.h"

namespace nz_container {

std::wstring wide(const std::string& text);

// One embedded control with its page and script engine.
class Container {
 public:
  explicit Container(std::string page) : page_(std::move(page)) {}
  Container(const Container&) = delete;
  Container& operator=(const Container&) = delete;
  ~Container();

  // Loads the module, creates the control and the engine, and embeds the
  // control in the page (site, then parameters). Failures print FAIL lines.
  bool open(const std::string& modulePath);
  bool run(const std::wstring& code, const std::string& where);
  void addItem(const std::wstring& name, IUnknown* object) { engine_->addItem(name, object); }
  // Removes the control from the page as a browser does when the page goes.
  void clearSite();
  void fail(const std::string& what) {
    std::printf("FAIL %s\n", what.c_str());
    ++failures_;
  }
  int failures() const { return failures_ + engine_->scriptErrors(); }
  IDispatchEx* control() const { return control_; }
  // Made on first use.
  DownloadSite& downloads() {
    if (!downloads_) downloads_ = std::make_unique<DownloadSite>();
    return *downloads_;
  }

  bool done = false;
  std::vector<IDispatch*> timers;
  DWORD mainThread = GetCurrentThreadId();

 private:
  static long execScript(void* context, const wchar_t* code);

  std::string page_;
  HMODULE module_ = nullptr;
  IDispatchEx* control_ = nullptr;
  ScriptEngine* engine_ = new ScriptEngine();
  ClientSite* site_ = nullptr;
  bool siteCleared_ = false;
  int failures_ = 0;
  std::unique_ptr<DownloadSite> downloads_;
};

}  // namespace nz_container
