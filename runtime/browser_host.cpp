#include "runtime/browser_host.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <boost/algorithm/string/replace.hpp>

#include "runtime/diagnostic_log.h"
#include "scripting/text_conversion.h"

namespace FB {
namespace {

std::atomic<int> g_liveHosts{0};

// The main-thread step of htmlLog: owns the host reference and the message.
struct HtmlLogStep {
  BrowserHostPtr host;
  std::string message;

  static void run(void* data) {
    std::unique_ptr<HtmlLogStep> step(static_cast<HtmlLogStep*>(data));
    try {
      JSObjectPtr window = step->host->windowObject();
      if (!window || !window->hasPropertyNamed("console")) return;
      variant consoleValue = window->readProperty("console");
      std::printf("Logging: %s\n", step->message.c_str());
      std::fflush(stdout);
      if (JSObjectPtr console = consoleValue.convertTo<JSObjectPtr>()) {
        console->callMethod("log", VariantVector{step->message});
      }
    } catch (const std::exception&) {
      diagnostic("BrowserHost", [] { return "Logging to browser console failed"; });
    }
  }
};

}  // namespace

const char* const BrowserHost::kScriptHelperTemplate =
    "window.__FB_CALL_%1% = function(delay, f, args, fname) {"
    "   if (arguments.length == 3)"
    "       return setTimeout(function() { f.apply(null, args); }, delay);"
    "   else"
    "       return setTimeout(function() { f[fname].apply(f, args); }, delay);"
    "};";

BrowserHost::BrowserHost()
    : callManager_(std::make_shared<AsyncCallManager>()),
      mainThread_(std::this_thread::get_id()),
      streamManager_(makeStreamManager()) {
  ++g_liveHosts;
}

BrowserHost::~BrowserHost() { --g_liveHosts; }

int BrowserHost::liveHostCount() { return g_liveHosts.load(); }

void BrowserHost::openUrl(const std::string&, const std::string&) {}

void BrowserHost::runScript(const std::wstring& script) { runScript(toUtf8(script)); }

void BrowserHost::initScriptHelper(std::uintptr_t identity) {
  const std::uintptr_t key = identity + identity / 8;
  instanceKey_ = std::to_string(key);
  helperName_ = "__FB_CALL_" + instanceKey_;
  runScript(boost::algorithm::replace_all_copy(std::string(kScriptHelperTemplate), "%1%", instanceKey_));
}

void BrowserHost::htmlLog(const std::string& message) {
  diagnostic("BrowserHost", [&] { return "Logging to HTML: " + message; });
  if (!htmlLogEnabled_) return;
  try {
    auto* step = new HtmlLogStep{shared_from_this(), message};
    if (!scheduleAsyncCall(&HtmlLogStep::run, step)) delete step;
  } catch (const std::exception&) {
    // Logging never fails its caller.
  }
}

void BrowserHost::setHtmlLogEnabled(bool enabled) { htmlLogEnabled_ = enabled; }

bool BrowserHost::scheduleAsyncCall(AsyncFunction function, void* data) {
  // Shutdown waits for calls being posted and refuses new ones, so nothing
  // reaches the browser after it. Calls queued by the pending calls that
  // shutdown runs see the flag and are refused without waiting.
  {
    std::lock_guard<std::mutex> lock(scheduleLock_);
    if (isShutDown_) return false;
    ++activeSchedulers_;
  }
  bool posted = false;
  if (void* ticket = callManager_->makeCall(function, data)) {
    posted = postToMainThread(&AsyncCallManager::dispatch, ticket);
    if (!posted) callManager_->cancel(ticket);
  }
  {
    std::lock_guard<std::mutex> lock(scheduleLock_);
    if (--activeSchedulers_ == 0) schedulersDone_.notify_all();
  }
  return posted;
}

void BrowserHost::runFunctorCall(void* data) {
  std::unique_ptr<FunctorCall> call(static_cast<FunctorCall*>(data));
  try {
    call->call();
  } catch (const script_error& e) {
    diagnostic("BrowserHost", [&] { return std::string("Queued call failed: ") + e.what(); });
  } catch (const bad_variant_cast& e) {
    diagnostic("BrowserHost", [&] { return "Queued call failed: could not convert from " + e.fromType + " to " + e.toType; });
  } catch (const std::exception& e) {
    // Nothing may escape into the browser's dispatch loop.
    diagnostic("BrowserHost", [&] { return std::string("Queued call failed: ") + e.what(); });
  } catch (...) {
    diagnostic("BrowserHost", [] { return "Queued call failed"; });
  }
}

void BrowserHost::waitForCrossThreadCall(const std::shared_ptr<CrossThreadCall>& call) {
  BrowserHostPtr self = shared_from_this();  // the host outlives the wait
  std::unique_lock<std::mutex> lock(call->mutex);
  auto* weak = new std::weak_ptr<CrossThreadCall>(call);
  if (!scheduleAsyncCall(&CrossThreadCall::runOnMainThread, weak)) {
    delete weak;
    throw script_error("Could not marshal to main thread");
  }
  // Shutdown releases the wait only for a call that has not started; a
  // started call may write into this thread's frame, so it is waited for.
  while (call->state != CrossThreadCall::State::Finished) {
    if (isShutDown_ && call->state == CrossThreadCall::State::Queued) {
      call->state = CrossThreadCall::State::Abandoned;
      throw script_error("Shutting down");
    }
    call->finishedSignal.wait_for(lock, std::chrono::milliseconds(10));
  }
  if (call->error.holds<std::shared_ptr<script_error>>()) {
    throw script_error(call->error.get<std::shared_ptr<script_error>>()->what());
  }
}

JSObjectPtr BrowserHost::scriptHelper() {
  JSObjectPtr window = windowObject();
  if (!window) return nullptr;
  const auto self = reinterpret_cast<std::uintptr_t>(this);
  if (helperName_.empty()) initScriptHelper(self);
  JSObjectPtr helper = window->readProperty(helperName_).convertTo<JSObjectPtr>();
  if (helper) return helper;
  initScriptHelper(self);
  return window->readProperty(helperName_).convertTo<JSObjectPtr>();
}

int BrowserHost::invokeDelayed(int delayMs, const JSObjectPtr& function, const VariantVector& args,
                               const std::string& methodName) {
  JSObjectPtr helper = scriptHelper();
  if (!helper) return -1;
  VariantVector helperArgs{delayMs, function, args};
  if (!methodName.empty()) helperArgs.emplace_back(methodName);
  return helper->callMethod("", helperArgs).convertTo<int>();
}

void BrowserHost::retainObject(const JSAPIPtr& object) {
  std::lock_guard<std::recursive_mutex> lock(retainLock_);
  retainedObjects_.push_back(object);
}

void BrowserHost::releaseObject(const JSAPIPtr& object) {
  std::lock_guard<std::recursive_mutex> lock(retainLock_);
  retainedObjects_.erase(std::remove(retainedObjects_.begin(), retainedObjects_.end(), object),
                         retainedObjects_.end());
  if (isMainThread()) releasePending();
}

void BrowserHost::freeRetainedObjects() {
  std::lock_guard<std::recursive_mutex> lock(retainLock_);
  retainedObjects_.clear();
  releasePending();
}

std::size_t BrowserHost::retainedObjectCount() const {
  std::lock_guard<std::recursive_mutex> lock(retainLock_);
  return retainedObjects_.size();
}

void BrowserHost::shutdown() {
  std::vector<JSAPIPtr> retained;
  {
    std::lock_guard<std::recursive_mutex> lock(retainLock_);
    retained = retainedObjects_;
  }
  for (const auto& object : retained) object->prepareForShutdown();
  freeRetainedObjects();

  {
    // Once the flag is set and the calls being posted are through, no
    // scheduleAsyncCall can add a call any more.
    std::unique_lock<std::mutex> lock(scheduleLock_);
    isShutDown_ = true;
    schedulersDone_.wait(lock, [this] { return activeSchedulers_ == 0; });
  }
  // The pending calls run outside every lock a scheduling thread may wait
  // for: a worker that holds an object's zone lock while it schedules must
  // not block the call that needs that zone.
  callManager_->shutdown();
  std::shared_ptr<BrowserStreamManager> streams;
  {
    std::lock_guard<std::mutex> streamLock(streamManagerLock_);
    streams.swap(streamManager_);
  }
  // The manager closes the streams it still holds as it goes.
  streams.reset();
}

std::shared_ptr<BrowserStreamManager> BrowserHost::streamManager() const {
  std::lock_guard<std::mutex> lock(streamManagerLock_);
  return streamManager_;
}

}  // namespace FB
