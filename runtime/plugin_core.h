// FB::PluginCore: the platform-neutral plug-in instance. A browser binding
// creates one per embedding element through the factory and drives it
// through its life: host, module path, page parameters, windows, ready,
// shutdown. The application derives from it and makes the root scriptable
// object, which the core keeps for its whole life.
//
// Main thread only (the binding calls every operation there). The count of
// live cores may be read from anywhere.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "runtime/browser_host.h"
#include "runtime/plugin_event_sink.h"
#include "runtime/plugin_window.h"
#include "scripting/jsapi.h"

namespace FB {

class PluginCore : public PluginEventSink {
 public:
  PluginCore();
  ~PluginCore() override;

  virtual void setHost(const BrowserHostPtr& host);
  virtual PluginWindow* currentWindow() const { return window_; }
  virtual void setNoWindowFlag(bool flag) { noWindowFlag_ = flag; }
  virtual bool noWindowFlag() const { return noWindowFlag_; }
  virtual void attachWindow(PluginWindow* window);
  virtual void detachWindow();
  // Called by the binding once the instance is set up; schedules the page's
  // "onload" function. True when that function was scheduled.
  virtual bool markReady();
  virtual void onReady() {}
  virtual void onShutdown() {}
  virtual JSAPIPtr createRootObject() = 0;
  // The root scriptable object, made on first request and then always the
  // same one.
  virtual JSAPIPtr rootScriptObject();
  virtual bool isWindowless();
  virtual void setModulePath(const std::string& path) { modulePath_ = path; }
  virtual std::string getModulePath() const { return modulePath_; }
  // Takes the page's parameters. Values of names beginning with "on" name
  // page functions and are stored as those functions.
  virtual void setParams(const VariantStringMap& params);
  virtual std::optional<std::string> getParam(const std::string& name) const;

  const BrowserHostPtr& host() const { return host_; }
  const VariantStringMap& params() const { return params_; }
  static int liveCoreCount();

 protected:
  // Lets a subclass drop the root object before its own destruction ends.
  void clearRootObject() { rootObject_.reset(); }

 private:
  BrowserHostPtr host_;
  std::string modulePath_;
  VariantStringMap params_;
  PluginWindow* window_ = nullptr;
  JSAPIPtr rootObject_;
  int windowlessState_ = 2;  // 2: not yet determined, 1: windowless, 0: windowed
  bool noWindowFlag_ = false;
};

}  // namespace FB
