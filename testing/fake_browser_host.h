// FB::testing::FakeBrowserHost: a browser host for tests, with an in-memory
// page and a main-thread queue that the test pumps.
//
// The page: a window (FakeScriptObject) with "console" (whose "log" records
// lines), "location" (with "href"), a document and a plug-in element. The
// host's delayed-call helper script is understood: runScript of that text
// installs the helper function on the window, and calls through it become
// timers that the test runs with runTimers(). Any other script is recorded.
//
// The main thread is the thread that made the host. postToMainThread queues;
// pumpMainThread() (main thread only) runs what is queued. Streams come from
// a factory the test installs (setStreamFactory); without one none open.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/browser_host.h"
#include "testing/fake_script_object.h"
#include "testing/main_thread_queue.h"

namespace FB::testing {

class FakeBrowserHost : public BrowserHost {
 public:
  struct Timer {
    int id;
    int delayMs;
    JSObjectPtr function;
    VariantVector args;
    std::string methodName;  // empty: the function itself is called
  };
  using StreamFactory = std::function<BrowserStreamPtr(const std::string& url, const PluginEventSinkPtr& handler,
                                                       const std::string* postData, bool cache, bool seekable,
                                                       std::size_t bufferSize)>;

  // Hosts are always held by shared pointers; the page objects refer to it.
  static std::shared_ptr<FakeBrowserHost> create(const std::string& pageUrl = "https://www.norvellzephel.com/app/");

  FakeBrowserHost();
  ~FakeBrowserHost() override;

  // The page.
  FakeScriptObjectPtr window() const { return window_; }
  FakeScriptObjectPtr document() const { return document_; }
  FakeScriptObjectPtr element() const { return element_; }
  std::vector<std::string> consoleLines() const;
  std::vector<std::string> scripts() const;
  void removeWindow() { windowGone_ = true; }
  // The page is closed: windowObject() raises "Cannot find HTML window", as
  // the bindings' hosts do once their page is gone.
  void closePage() { pageClosed_ = true; }

  // Timers set through the delayed-call helper, run in the order set.
  std::vector<Timer> pendingTimers() const;
  std::size_t runTimers();

  // The main-thread queue.
  std::size_t pumpMainThread();
  // Pumps until `done` answers true or `limit` passes; answers `done`().
  bool pumpUntil(const std::function<bool()>& done,
                 std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
  std::size_t queuedCount() const;
  // Sleeps until something is queued (or `limit` passes), then pumps; for a
  // test's main thread that serves workers. Answers how many steps ran.
  std::size_t waitAndPump(std::chrono::milliseconds limit);
  void setRefusePosts(bool refuse) { refusePosts_ = refuse; }

  void setStreamFactory(StreamFactory factory);
  int releasePendingCount() const { return releasePendingCount_; }

  // FB::BrowserHost
  std::uintptr_t contextId() const override { return reinterpret_cast<std::uintptr_t>(this); }
  JSObjectPtr documentObject() override;
  JSObjectPtr windowObject() override;
  JSObjectPtr pluginElement() override;
  using BrowserHost::runScript;
  void runScript(const std::string& script) override;
  void releasePending() override { ++releasePendingCount_; }
  bool postToMainThread(AsyncFunction function, void* data) override;
  BrowserStreamPtr openStream(const std::string& url, const PluginEventSinkPtr& handler, bool cache, bool seekable,
                              std::size_t bufferSize) override;
  BrowserStreamPtr openPostStream(const std::string& url, const PluginEventSinkPtr& handler,
                                  const std::string& postData, bool cache, bool seekable,
                                  std::size_t bufferSize) override;

 private:
  void buildPage(const std::string& pageUrl);
  variant addTimer(const VariantVector& args);

  mutable std::mutex mutex_;
  MainThreadQueue queue_;
  std::vector<Timer> timers_;
  std::vector<std::string> consoleLines_;
  std::vector<std::string> scripts_;
  int nextTimerId_ = 1;
  std::atomic<bool> refusePosts_{false};
  std::atomic<bool> windowGone_{false};
  std::atomic<bool> pageClosed_{false};
  std::atomic<int> releasePendingCount_{0};
  StreamFactory streamFactory_;
  FakeScriptObjectPtr window_;
  FakeScriptObjectPtr document_;
  FakeScriptObjectPtr element_;
};

using FakeBrowserHostPtr = std::shared_ptr<FakeBrowserHost>;

}  // namespace FB::testing
