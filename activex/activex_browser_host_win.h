// FB::ActiveX::ActiveXBrowserHost: the browser services of one ActiveX
// control: the container's web browser and site, the page's document and
// window, the table of bridges handed to script (one live bridge per
// scriptable object), page objects kept referenced for script, a queue of
// page objects whose release waits for the container's thread, the
// instance's last script error, and a hidden message window through which
// other threads post work to the container's thread.
//
// A control without a web browser (a script host such as cscript) has no
// document and no window: its page address is unknown. The window and the
// document are handed out as one proxy each, and the DOM wrappers the host
// makes are the ActiveX ones (AXDOM), the window's and the document's kept
// with their proxies.
//
// Thread rules: everything that reaches the page runs on the container's
// thread (the thread that built the host). Other threads may use
// postToMainThread, releaseLater and the FB::BrowserHost marshalling calls.
#pragma once

#include <windows.h>

#include <exdisp.h>
#include <mshtml.h>
#include <ocidl.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "activex/com_script_host_win.h"
#include "runtime/browser_host.h"

namespace FB::Npapi {
class AsyncMessageWindow;
}

namespace FB::ActiveX {

class COMJavascriptObject;
class IDispatchAPI;
namespace AXDOM {
class Window;
class Document;
}  // namespace AXDOM

class ActiveXBrowserHost : public BrowserHost, public ComScriptHost {
 public:
  static constexpr unsigned kAsyncCallMessage = 1025;

  // Either may be null. Throws std::runtime_error when the message window
  // cannot be made.
  ActiveXBrowserHost(IWebBrowser2* webBrowser, IOleClientSite* site);
  ~ActiveXBrowserHost() override;

  // FB::BrowserHost
  std::uintptr_t contextId() const override { return reinterpret_cast<std::uintptr_t>(this); }
  JSObjectPtr documentObject() override;
  JSObjectPtr windowObject() override;
  JSObjectPtr pluginElement() override;
  void openUrl(const std::string& url, const std::string& target) override;
  using BrowserHost::runScript;
  void runScript(const std::string& script) override;
  void shutdown() override;
  void releasePending() override;
  std::shared_ptr<DOM::Window> wrapWindow(const JSObjectPtr& object) override;
  std::shared_ptr<DOM::Document> wrapDocument(const JSObjectPtr& object) override;
  std::shared_ptr<DOM::Element> wrapElement(const JSObjectPtr& object) override;
  std::shared_ptr<DOM::Node> wrapNode(const JSObjectPtr& object) override;
  bool postToMainThread(AsyncFunction function, void* data) override;
  // Streams through URL monikers (ActiveXStream), on the container's thread.
  BrowserStreamPtr openStream(const std::string& url, const PluginEventSinkPtr& handler, bool cache, bool seekable,
                              std::size_t bufferSize) override;
  BrowserStreamPtr openPostStream(const std::string& url, const PluginEventSinkPtr& handler,
                                  const std::string& postData, bool cache, bool seekable,
                                  std::size_t bufferSize) override;

  // FB::ActiveX::ComScriptHost
  IDispatch* dispatchForApi(const JSAPIPtr& api, bool retain) override;
  JSObjectPtr proxyForDispatch(IDispatch* object) override;
  IDispatch* newScriptArray(const VariantVector& values) override;
  IDispatch* newScriptObject(const VariantStringMap& values) override;
  variant& lastException() override { return lastException_; }

  // Releases `object` on the container's thread: at once when called there,
  // otherwise at the next releasePending(). Any thread.
  void releaseLater(IUnknown* object);
  // Keeps a page object referenced for script until deactivation.
  void keepForScript(IUnknown* object);
  // Lets go of the page objects kept for script (in-place deactivation).
  void releaseKeptObjects();
  // Lets go of the container's objects (web browser, site, document,
  // window) and of the proxies and DOM wrappers over them.
  void releaseContainer();

  // The bridge table, for the bridges themselves: a bridge that goes away
  // leaves the table (`key` is its API's address, `api` the API while it
  // lives), and the host lets go of the API it kept for it.
  void forgetWrapper(COMJavascriptObject* wrapper, JSAPI* key, const JSAPIPtr& api);

 private:
  std::shared_ptr<ActiveXBrowserHost> self();

  IWebBrowser2* webBrowser_ = nullptr;
  IOleClientSite* site_ = nullptr;
  IHTMLDocument2* document_ = nullptr;
  IHTMLWindow2* window_ = nullptr;
  // Made on first use, under domLock_.
  std::mutex domLock_;
  std::shared_ptr<IDispatchAPI> windowProxy_;
  std::shared_ptr<IDispatchAPI> documentProxy_;
  std::shared_ptr<AXDOM::Window> domWindow_;
  std::shared_ptr<AXDOM::Document> domDocument_;
  std::mutex windowLock_;
  std::unique_ptr<Npapi::AsyncMessageWindow> messageWindow_;
  std::mutex pendingLock_;
  std::vector<IUnknown*> pendingRelease_;
  std::vector<IUnknown*> keptForScript_;
  struct WrapperEntry {
    COMJavascriptObject* wrapper;
    bool retained;
  };
  std::unordered_map<JSAPI*, WrapperEntry> wrappers_;
  variant lastException_;
};

using ActiveXBrowserHostPtr = std::shared_ptr<ActiveXBrowserHost>;

}  // namespace FB::ActiveX
