#include "testing/fake_browser_host.h"

#include <stdexcept>
#include <thread>

#include <boost/algorithm/string/replace.hpp>

namespace FB::testing {

std::shared_ptr<FakeBrowserHost> FakeBrowserHost::create(const std::string& pageUrl) {
  auto host = std::make_shared<FakeBrowserHost>();
  host->buildPage(pageUrl);
  return host;
}

FakeBrowserHost::FakeBrowserHost() = default;

// The window and its document refer to each other, as in a browser; break
// the cycle so the page goes with the host.
FakeBrowserHost::~FakeBrowserHost() {
  if (document_) document_->remove("window");
}

void FakeBrowserHost::buildPage(const std::string& pageUrl) {
  auto self = shared_from_this();
  window_ = FakeScriptObject::object(self);
  auto console = FakeScriptObject::object(self);
  console->setFunction("log", [this](const VariantVector& args) {
    std::lock_guard<std::mutex> lock(mutex_);
    consoleLines_.push_back(args.empty() ? std::string() : args[0].convertTo<std::string>());
    return variant();
  });
  window_->set("console", JSObjectPtr(console));
  auto location = FakeScriptObject::object(self);
  location->set("href", pageUrl);
  window_->set("location", JSObjectPtr(location));
  document_ = FakeScriptObject::object(self);
  document_->set("window", JSObjectPtr(window_));
  window_->set("document", JSObjectPtr(document_));
  element_ = FakeScriptObject::object(self);
}

std::vector<std::string> FakeBrowserHost::consoleLines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return consoleLines_;
}

std::vector<std::string> FakeBrowserHost::scripts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return scripts_;
}

JSObjectPtr FakeBrowserHost::documentObject() { return windowGone_ ? nullptr : document_; }
JSObjectPtr FakeBrowserHost::windowObject() {
  if (pageClosed_) throw std::runtime_error("Cannot find HTML window");
  return windowGone_ ? nullptr : window_;
}
JSObjectPtr FakeBrowserHost::pluginElement() { return element_; }

void FakeBrowserHost::runScript(const std::string& script) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    scripts_.push_back(script);
  }
  // The delayed-call helper: recognised by its exact text for the current key.
  const std::string helper =
      boost::algorithm::replace_all_copy(std::string(kScriptHelperTemplate), "%1%", instanceKey());
  if (!instanceKey().empty() && script == helper) {
    window_->setFunction(helperName(), [this](const VariantVector& args) { return addTimer(args); });
  }
}

variant FakeBrowserHost::addTimer(const VariantVector& args) {
  if (args.size() != 3 && args.size() != 4) throw std::invalid_argument("helper takes 3 or 4 arguments");
  Timer timer{0, args[0].convertTo<int>(), args[1].convertTo<JSObjectPtr>(), args[2].convertTo<VariantVector>(),
              args.size() == 4 ? args[3].convertTo<std::string>() : std::string()};
  std::lock_guard<std::mutex> lock(mutex_);
  timer.id = nextTimerId_++;
  timers_.push_back(timer);
  return timer.id;
}

std::vector<FakeBrowserHost::Timer> FakeBrowserHost::pendingTimers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timers_;
}

std::size_t FakeBrowserHost::runTimers() {
  std::vector<Timer> due;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    due.swap(timers_);
  }
  for (const auto& timer : due) {
    if (timer.function) timer.function->callMethod(timer.methodName, timer.args);
  }
  return due.size();
}

bool FakeBrowserHost::postToMainThread(AsyncFunction function, void* data) {
  if (refusePosts_) return false;
  queue_.post(function, data);
  return true;
}

std::size_t FakeBrowserHost::pumpMainThread() { return queue_.pump(); }

bool FakeBrowserHost::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  return queue_.pumpUntil(done, limit);
}

std::size_t FakeBrowserHost::waitAndPump(std::chrono::milliseconds limit) { return queue_.waitAndPump(limit); }

std::size_t FakeBrowserHost::queuedCount() const { return queue_.queuedCount(); }

void FakeBrowserHost::setStreamFactory(StreamFactory factory) {
  std::lock_guard<std::mutex> lock(mutex_);
  streamFactory_ = std::move(factory);
}

BrowserStreamPtr FakeBrowserHost::openStream(const std::string& url, const PluginEventSinkPtr& handler, bool cache,
                                             bool seekable, std::size_t bufferSize) {
  StreamFactory factory;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    factory = streamFactory_;
  }
  return factory ? factory(url, handler, nullptr, cache, seekable, bufferSize) : nullptr;
}

BrowserStreamPtr FakeBrowserHost::openPostStream(const std::string& url, const PluginEventSinkPtr& handler,
                                                 const std::string& postData, bool cache, bool seekable,
                                                 std::size_t bufferSize) {
  StreamFactory factory;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    factory = streamFactory_;
  }
  return factory ? factory(url, handler, &postData, cache, seekable, bufferSize) : nullptr;
}

}  // namespace FB::testing
