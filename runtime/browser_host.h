// FB::BrowserHost: the plug-in's view of the browser for one instance. It
// runs script in the page, reaches the page's window and document, opens
// URL streams, keeps alive the scriptable objects the browser holds, and
// carries calls from any thread onto the browser's main thread, where alone
// the browser may be touched.
//
// The bindings derive from it and supply the abstract operations
// (contextId, the DOM objects, runScript, postToMainThread, the streams).
//
// Thread rules: isMainThread, scheduleAsyncCall, scheduleOnMainThread,
// callOnMainThread, htmlLog, retainObject and releaseObject may be called
// from any thread; everything that touches the browser runs in a main-thread
// step. shutdown() is the one transition from running to shut down.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "runtime/async_call_manager.h"
#include "runtime/cross_thread_call.h"
#include "runtime/functor_call.h"
#include "scripting/jsapi.h"
#include "scripting/js_object.h"
#include "scripting/script_error.h"

namespace FB {

class BrowserStream;
class BrowserStreamManager;
class PluginEventSink;
using BrowserStreamPtr = std::shared_ptr<BrowserStream>;
using PluginEventSinkPtr = std::shared_ptr<PluginEventSink>;
using ProxySettings = std::map<std::string, std::string>;

namespace DOM {
class Window;
class Document;
class Element;
class Node;
}  // namespace DOM

class BrowserHost : public std::enable_shared_from_this<BrowserHost> {
 public:
  BrowserHost();
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;
  virtual ~BrowserHost();

  // An opaque identity of the browser instance (page) this host serves.
  virtual std::uintptr_t contextId() const = 0;

  // Opens a stream through the binding and registers it with the stream
  // manager; null when the binding cannot open one.
  virtual BrowserStreamPtr createStream(const std::string& url, const PluginEventSinkPtr& handler, bool cache,
                                        bool seekable, std::size_t bufferSize);
  virtual BrowserStreamPtr createPostStream(const std::string& url, const PluginEventSinkPtr& handler,
                                            const std::string& postData, bool cache, bool seekable,
                                            std::size_t bufferSize);

  virtual JSObjectPtr documentObject() = 0;
  virtual JSObjectPtr windowObject() = 0;
  virtual JSObjectPtr pluginElement() = 0;
  virtual void openUrl(const std::string& url, const std::string& target);
  virtual void runScript(const std::wstring& script);
  virtual void runScript(const std::string& script) = 0;
  // Installs the page function through which delayed calls are made.
  virtual void initScriptHelper(std::uintptr_t identity);
  virtual void htmlLog(const std::string& message);
  virtual void setHtmlLogEnabled(bool enabled);
  virtual void shutdown();
  // Frees browser objects whose release the binding postponed.
  virtual void releasePending() = 0;
  virtual bool proxyForUrl(const std::string& url, ProxySettings& settings);
  virtual std::shared_ptr<DOM::Window> wrapWindow(const JSObjectPtr& object);
  virtual std::shared_ptr<DOM::Document> wrapDocument(const JSObjectPtr& object);
  virtual std::shared_ptr<DOM::Element> wrapElement(const JSObjectPtr& object);
  virtual std::shared_ptr<DOM::Node> wrapNode(const JSObjectPtr& object);
  // Has the browser call function(data) once on the main thread; false when
  // that cannot be arranged.
  virtual bool postToMainThread(AsyncFunction function, void* data) = 0;
  virtual BrowserStreamPtr openStream(const std::string& url, const PluginEventSinkPtr& handler, bool cache,
                                      bool seekable, std::size_t bufferSize) = 0;
  virtual BrowserStreamPtr openPostStream(const std::string& url, const PluginEventSinkPtr& handler,
                                          const std::string& postData, bool cache, bool seekable,
                                          std::size_t bufferSize) = 0;

  bool isMainThread() const { return std::this_thread::get_id() == mainThread_; }
  bool isShutDown() const { return isShutDown_.load(); }

  // The single door to the main thread.
  bool scheduleAsyncCall(AsyncFunction function, void* data);

  // Fire and forget: runs `function` on the main thread; `target` stays alive
  // until it has run. Dropped when it cannot be queued.
  template <class F>
  void scheduleOnMainThread(std::shared_ptr<const void> target, F&& function);

  // Runs `function` on the main thread and returns its result to the caller.
  // On the main thread the call is made directly. From another thread it
  // waits; errors raised there arrive as FB::script_error. When the host
  // shuts down meanwhile, a call that has not started never will and the
  // wait ends with "Shutting down"; a started call is waited for, and its
  // result or error is returned.
  template <class F>
  std::invoke_result_t<F> callOnMainThread(F&& function);

  // Asks the page to call `function` (or its member `methodName`) with
  // `args` after `delayMs`; answers the page's timer number, -1 when the
  // page cannot be reached.
  int invokeDelayed(int delayMs, const JSObjectPtr& function, const VariantVector& args,
                    const std::string& methodName);

  void retainObject(const JSAPIPtr& object);
  void releaseObject(const JSAPIPtr& object);
  void freeRetainedObjects();
  std::size_t retainedObjectCount() const;

  const std::string& instanceKey() const { return instanceKey_; }
  const std::string& helperName() const { return helperName_; }
  std::shared_ptr<BrowserStreamManager> streamManager() const;
  const std::shared_ptr<AsyncCallManager>& callManager() const { return callManager_; }

  static int liveHostCount();
  static const char* const kScriptHelperTemplate;

 private:
  static void runFunctorCall(void* data);
  // Defined with the stream classes: the manager is created with the host.
  static std::shared_ptr<BrowserStreamManager> makeStreamManager();
  void waitForCrossThreadCall(const std::shared_ptr<CrossThreadCall>& call);
  JSObjectPtr scriptHelper();

  std::shared_ptr<AsyncCallManager> callManager_;
  std::thread::id mainThread_;
  std::atomic<bool> isShutDown_{false};
  std::mutex scheduleLock_;  // guards activeSchedulers_ and setting isShutDown_
  std::condition_variable schedulersDone_;
  int activeSchedulers_ = 0;
  mutable std::recursive_mutex retainLock_;
  std::vector<JSAPIPtr> retainedObjects_;
  mutable std::mutex streamManagerLock_;
  std::shared_ptr<BrowserStreamManager> streamManager_;
  std::atomic<bool> htmlLogEnabled_{true};
  std::string instanceKey_;
  std::string helperName_;
};

using BrowserHostPtr = std::shared_ptr<BrowserHost>;

template <class F>
void BrowserHost::scheduleOnMainThread(std::shared_ptr<const void> target, F&& function) {
  auto* call = new FunctorCallImpl<void>(
      [f = std::forward<F>(function)]() mutable { static_cast<void>(f()); }, std::move(target));
  if (!scheduleAsyncCall(&BrowserHost::runFunctorCall, call)) delete call;
}

template <class F>
std::invoke_result_t<F> BrowserHost::callOnMainThread(F&& function) {
  using R = std::invoke_result_t<F>;
  if (isMainThread()) return function();
  auto functor = std::make_shared<FunctorCallImpl<R>>(std::function<R()>(std::forward<F>(function)));
  auto call = std::make_shared<CrossThreadCall>(functor);
  waitForCrossThreadCall(call);
  if constexpr (!std::is_void_v<R>) return functor->takeResult();
}

}  // namespace FB
