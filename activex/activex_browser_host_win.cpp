#include "activex/activex_browser_host_win.h"

#include <oleauto.h>

#include <stdexcept>

#include "activex/activex_stream_win.h"
#include "activex/ax_dom_win.h"
#include "activex/com_javascript_object_win.h"
#include "activex/idispatch_api_win.h"
#include "npapi/async_message_window_win.h"
#include "runtime/diagnostic_log.h"
#include "scripting/script_error.h"
#include "scripting/text_conversion.h"

namespace FB::ActiveX {
namespace {

// One posted call; owned by the message from posting until it runs.
struct PostedCall {
  AsyncFunction function;
  void* data;
};

bool runPostedCall(unsigned message, std::uintptr_t, std::intptr_t lParam, std::intptr_t& result) {
  if (message != ActiveXBrowserHost::kAsyncCallMessage) return false;
  std::unique_ptr<PostedCall> call(reinterpret_cast<PostedCall*>(lParam));
  if (call && call->function) call->function(call->data);
  result = 0;
  return true;
}

template <class T>
void releaseAndClear(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return value_; }

 private:
  BSTR value_;
};

}  // namespace

ActiveXBrowserHost::ActiveXBrowserHost(IWebBrowser2* webBrowser, IOleClientSite* site)
    : messageWindow_(std::make_unique<Npapi::AsyncMessageWindow>()) {
  messageWindow_->setHandler(&runPostedCall);
  webBrowser_ = webBrowser;
  if (webBrowser_) webBrowser_->AddRef();
  site_ = site;
  if (site_) site_->AddRef();
  if (!webBrowser_) return;
  IDispatch* document = nullptr;
  if (SUCCEEDED(webBrowser_->get_Document(&document)) && document) {
    document->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&document_));
    document->Release();
  }
  if (document_) document_->get_parentWindow(&window_);
}

ActiveXBrowserHost::~ActiveXBrowserHost() {
  releaseKeptObjects();
  releaseContainer();
  releasePending();
}

std::shared_ptr<ActiveXBrowserHost> ActiveXBrowserHost::self() {
  return std::static_pointer_cast<ActiveXBrowserHost>(shared_from_this());
}

JSObjectPtr ActiveXBrowserHost::documentObject() {
  std::lock_guard guard(domLock_);
  if (!documentProxy_ && document_) documentProxy_ = std::make_shared<IDispatchAPI>(document_, self());
  return documentProxy_;
}

JSObjectPtr ActiveXBrowserHost::windowObject() {
  std::lock_guard guard(domLock_);
  if (!windowProxy_ && window_) windowProxy_ = std::make_shared<IDispatchAPI>(window_, self());
  return windowProxy_;
}

std::shared_ptr<DOM::Window> ActiveXBrowserHost::wrapWindow(const JSObjectPtr& object) {
  if (!object) return nullptr;
  JSObjectPtr window = windowObject();
  if (object != window) return std::make_shared<AXDOM::Window>(object);
  {
    std::lock_guard guard(domLock_);
    if (domWindow_) return domWindow_;
  }
  // Built outside the lock: checking the object may wait for this thread.
  auto made = std::make_shared<AXDOM::Window>(window);
  std::lock_guard guard(domLock_);
  if (!domWindow_) domWindow_ = made;
  return domWindow_;
}

std::shared_ptr<DOM::Document> ActiveXBrowserHost::wrapDocument(const JSObjectPtr& object) {
  if (!object) return nullptr;
  JSObjectPtr document = documentObject();
  if (object != document) return std::make_shared<AXDOM::Document>(object);
  auto made = std::make_shared<AXDOM::Document>(document);
  std::lock_guard guard(domLock_);
  if (!domDocument_) domDocument_ = made;
  return domDocument_;
}

std::shared_ptr<DOM::Element> ActiveXBrowserHost::wrapElement(const JSObjectPtr& object) {
  return object ? std::make_shared<AXDOM::Element>(object) : nullptr;
}

std::shared_ptr<DOM::Node> ActiveXBrowserHost::wrapNode(const JSObjectPtr& object) {
  return object ? std::make_shared<AXDOM::Node>(object) : nullptr;
}

JSObjectPtr ActiveXBrowserHost::pluginElement() {
  if (!site_) return nullptr;
  IOleControlSite* controlSite = nullptr;
  if (FAILED(site_->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(&controlSite)))) return nullptr;
  IDispatch* extended = nullptr;
  JSObjectPtr element;
  if (SUCCEEDED(controlSite->GetExtendedControl(&extended)) && extended) {
    IHTMLElement* html = nullptr;
    if (SUCCEEDED(extended->QueryInterface(IID_IHTMLElement, reinterpret_cast<void**>(&html)))) {
      element = std::make_shared<IDispatchAPI>(html, self());
      html->Release();
    }
    extended->Release();
  }
  controlSite->Release();
  return element;
}

void ActiveXBrowserHost::openUrl(const std::string& url, const std::string& target) {
  if (!webBrowser_) return;
  Bstr address(toWide(url));
  VARIANT flags, frame, postData, headers;
  VariantInit(&flags);
  VariantInit(&postData);
  VariantInit(&headers);
  VariantInit(&frame);
  V_VT(&frame) = VT_BSTR;
  V_BSTR(&frame) = SysAllocString(toWide(target).c_str());
  webBrowser_->Navigate(address.get(), &flags, &frame, &postData, &headers);
  VariantClear(&frame);
}

void ActiveXBrowserHost::runScript(const std::string& script) {
  if (!window_) throw script_error("Can't execute JavaScript: Window is NULL");
  Bstr code(toWide(script));
  Bstr language(L"javascript");
  VARIANT result;
  VariantInit(&result);
  HRESULT status = window_->execScript(code.get(), language.get(), &result);
  VariantClear(&result);
  if (FAILED(status)) throw script_error("Error executing JavaScript code");
}

bool ActiveXBrowserHost::postToMainThread(AsyncFunction function, void* data) {
  std::lock_guard guard(windowLock_);
  if (isShutDown() || !messageWindow_) return false;
  diagnostic("ActiveXHost", [] { return "Scheduling async call for main thread"; });
  auto* call = new PostedCall{function, data};
  if (messageWindow_->post(kAsyncCallMessage, 0, reinterpret_cast<std::intptr_t>(call))) return true;
  delete call;
  return false;
}

void ActiveXBrowserHost::shutdown() {
  {
    std::lock_guard guard(windowLock_);
    messageWindow_.reset();
  }
  releaseKeptObjects();
  BrowserHost::shutdown();
}

void ActiveXBrowserHost::releaseLater(IUnknown* object) {
  if (!object) return;
  if (isMainThread()) {
    object->Release();
    return;
  }
  std::lock_guard guard(pendingLock_);
  pendingRelease_.push_back(object);
}

void ActiveXBrowserHost::releasePending() {
  std::vector<IUnknown*> pending;
  {
    std::lock_guard guard(pendingLock_);
    pending.swap(pendingRelease_);
  }
  for (IUnknown* object : pending) object->Release();
}

void ActiveXBrowserHost::keepForScript(IUnknown* object) {
  if (!object) return;
  object->AddRef();
  keptForScript_.push_back(object);
}

void ActiveXBrowserHost::releaseKeptObjects() {
  std::vector<IUnknown*> kept;
  kept.swap(keptForScript_);
  for (IUnknown* object : kept) object->Release();
}

void ActiveXBrowserHost::releaseContainer() {
  std::shared_ptr<IDispatchAPI> windowProxy, documentProxy;
  std::shared_ptr<AXDOM::Window> domWindow;
  std::shared_ptr<AXDOM::Document> domDocument;
  IHTMLWindow2* window = nullptr;
  IHTMLDocument2* document = nullptr;
  {
    std::lock_guard guard(domLock_);
    windowProxy.swap(windowProxy_);
    documentProxy.swap(documentProxy_);
    domWindow.swap(domWindow_);
    domDocument.swap(domDocument_);
    std::swap(window, window_);
    std::swap(document, document_);
  }
  // Wrappers first, then the proxies under them, then the objects.
  domWindow.reset();
  domDocument.reset();
  windowProxy.reset();
  documentProxy.reset();
  releaseAndClear(window);
  releaseAndClear(document);
  releaseAndClear(site_);
  releaseAndClear(webBrowser_);
}

BrowserStreamPtr ActiveXBrowserHost::openStream(const std::string& url, const PluginEventSinkPtr& handler,
                                                bool cache, bool seekable, std::size_t bufferSize) {
  return ActiveXStream::open(url, handler, cache, seekable, bufferSize);
}

BrowserStreamPtr ActiveXBrowserHost::openPostStream(const std::string& url, const PluginEventSinkPtr& handler,
                                                    const std::string& postData, bool cache, bool seekable,
                                                    std::size_t bufferSize) {
  return ActiveXStream::open(url, handler, cache, seekable, bufferSize, postData);
}

IDispatch* ActiveXBrowserHost::dispatchForApi(const JSAPIPtr& api, bool retain) {
  if (!api) return nullptr;
  if (auto proxy = std::dynamic_pointer_cast<IDispatchAPI>(api)) {
    proxy->getIDispatch()->AddRef();
    return proxy->getIDispatch();
  }
  auto found = wrappers_.find(api.get());
  // An entry whose object died and whose address was then reused is stale.
  if (found != wrappers_.end() && found->second.wrapper->api().lock() != api) {
    wrappers_.erase(found);
    found = wrappers_.end();
  }
  if (found != wrappers_.end()) {
    COMJavascriptObject* wrapper = found->second.wrapper;
    wrapper->AddRef();
    if (retain && !found->second.retained) {
      retainObject(api);
      found->second.retained = true;
    }
    return wrapper;
  }
  COMJavascriptObject* wrapper = COMJavascriptObject::create(api, self(), true);
  if (retain) retainObject(api);
  wrappers_[api.get()] = WrapperEntry{wrapper, retain};
  return wrapper;
}

void ActiveXBrowserHost::forgetWrapper(COMJavascriptObject* wrapper, JSAPI* key, const JSAPIPtr& api) {
  auto found = wrappers_.find(key);
  if (found == wrappers_.end() || found->second.wrapper != wrapper) return;
  const bool retained = found->second.retained;
  wrappers_.erase(found);
  if (retained && api) releaseObject(api);
}

JSObjectPtr ActiveXBrowserHost::proxyForDispatch(IDispatch* object) {
  if (!object) return nullptr;
  return std::make_shared<IDispatchAPI>(object, self());
}

IDispatch* ActiveXBrowserHost::newScriptArray(const VariantVector& values) {
  JSObjectPtr window = windowObject();
  if (!window) return nullptr;
  variant made = window->callMethod("Array", VariantVector());
  auto array = made.holds<JSObjectPtr>() ? std::dynamic_pointer_cast<IDispatchAPI>(made.get<JSObjectPtr>()) : nullptr;
  if (!array) return nullptr;
  for (const variant& value : values) array->callMethod("push", VariantVector{value});
  array->getIDispatch()->AddRef();
  return array->getIDispatch();
}

IDispatch* ActiveXBrowserHost::newScriptObject(const VariantStringMap& values) {
  JSObjectPtr window = windowObject();
  if (!window) return nullptr;
  variant made = window->callMethod("Object", VariantVector());
  auto object = made.holds<JSObjectPtr>() ? std::dynamic_pointer_cast<IDispatchAPI>(made.get<JSObjectPtr>()) : nullptr;
  if (!object) return nullptr;
  for (const auto& [name, value] : values) object->writeProperty(name, value);
  object->getIDispatch()->AddRef();
  return object->getIDispatch();
}

}  // namespace FB::ActiveX
