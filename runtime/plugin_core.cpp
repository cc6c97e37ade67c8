#include "runtime/plugin_core.h"

#include "runtime/diagnostic_log.h"

namespace FB {
namespace {

std::atomic<int> g_liveCores{0};

}  // namespace

PluginCore::PluginCore() { ++g_liveCores; }

PluginCore::~PluginCore() {
  if (host_) host_->shutdown();
  --g_liveCores;
}

int PluginCore::liveCoreCount() { return g_liveCores.load(); }

void PluginCore::setHost(const BrowserHostPtr& host) { host_ = host; }

void PluginCore::attachWindow(PluginWindow* window) {
  if (window_ == window) return;  // already attached: keep the one registration
  if (window_) detachWindow();
  window_ = window;
  if (window_) window_->addObserver(this);
  diagnostic("PluginCore", [] { return "Window Set"; });
}

void PluginCore::detachWindow() {
  if (window_) window_->removeObserver(this);
  window_ = nullptr;
  diagnostic("PluginCore", [] { return "Window Cleared"; });
}

JSAPIPtr PluginCore::rootScriptObject() {
  if (!rootObject_) rootObject_ = createRootObject();
  return rootObject_;
}

void PluginCore::setParams(const VariantStringMap& params) {
  for (const auto& param : params) {
    const std::string& name = param.first;  // a plain reference: lambdas below capture it
    const auto& value = param.second;
    try {
      std::string text = value.convertTo<std::string>();
      if (name.compare(0, 2, "on") == 0) {
        JSObjectPtr window = host_ ? host_->windowObject() : nullptr;
        if (!window) throw std::runtime_error("no page window");
        params_[name] = window->readProperty(text).convertTo<JSObjectPtr>();
        diagnostic("PluginCore", [&] { return "Found <param> event handler: " + name; });
      } else {
        params_[name] = value;
      }
    } catch (const std::exception& e) {
      diagnostic("PluginCore", [&] { return "Exception processing <param> " + name + ": " + e.what(); });
      params_[name] = value;
    }
  }
}

std::optional<std::string> PluginCore::getParam(const std::string& name) const {
  auto found = params_.find(name);
  if (found == params_.end()) return std::nullopt;
  return found->second.convertTo<std::string>();
}

bool PluginCore::isWindowless() {
  if (windowlessState_ != 2) return windowlessState_ == 1;
  windowlessState_ = 0;
  auto found = params_.find("windowless");
  if (found != params_.end()) {
    try {
      windowlessState_ = found->second.convertTo<bool>() ? 1 : 0;
    } catch (const std::exception&) {
      windowlessState_ = 0;
    }
  }
  return windowlessState_ == 1;
}

bool PluginCore::markReady() {
  bool scheduled = false;
  auto onload = params_.find("onload");
  if (onload != params_.end()) {
    try {
      if (host_) {
        host_->initScriptHelper(reinterpret_cast<std::uintptr_t>(this));
        if (JSObjectPtr function = onload->second.convertTo<JSObjectPtr>()) {
          diagnostic("PluginCore", [] { return "InvokeDelayed(onload)"; });
          host_->invokeDelayed(250, function, VariantVector{rootScriptObject()}, "");
          scheduled = true;
        }
      }
    } catch (...) {
      // A page whose onload cannot be called still gets a ready plug-in.
    }
  }
  diagnostic("PluginCore", [] { return "Plugin Ready"; });
  onReady();
  return scheduled;
}

}  // namespace FB
