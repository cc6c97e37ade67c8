// FB::Npapi::NpapiBrowserHost: the browser services of one NPAPI plug-in
// instance. It keeps a private copy of the browser's function table, the
// instance handle, proxies for the page's window, document and plug-in
// element, a queue of browser objects whose release waits for the main
// thread, and the table of scriptable wrappers handed to the page (one live
// wrapper per scriptable object).
//
// Every NPN_* call goes through the wrappers below; an entry the browser did
// not supply (or any entry after shutdown, which zeroes the table) is skipped
// and the wrapper answers a neutral value. Object retain/release, identifiers
// and memory use the module's table while the module lives, so they keep
// working after shutdown.
//
// Thread rules: everything that reaches the browser runs on the main thread
// (the thread that built the host). Other threads may use postToMainThread,
// releaseLater and the FB::BrowserHost marshalling calls only.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "npapi/npapi_abi.h"
#include "npapi/shareable_reference.h"
#include "runtime/browser_host.h"

namespace FB::Npapi {

class NpapiPluginModule;
class NPObjectAPI;
class NPJavascriptObject;
class NpapiStream;
using NPObjectAPIPtr = std::shared_ptr<NPObjectAPI>;

class NpapiBrowserHost : public BrowserHost {
 public:
  // `module` may be null (then the host's own table serves for everything).
  NpapiBrowserHost(NpapiPluginModule* module, NPP instance);
  explicit NpapiBrowserHost(NPP instance);
  ~NpapiBrowserHost() override;

  // Copies the browser's table (by its version, as the module does), then
  // obtains the page's window, plug-in element and document.
  void setBrowserFuncs(const NPNetscapeFuncs* funcs);
  void setBrowserTable(const NPNetscapeFuncs* funcs) { setBrowserFuncs(funcs); }
  const NPNetscapeFuncs& browserFuncs() const { return funcs_; }
  NPP instance() const { return instance_; }
  NpapiPluginModule* module() const { return module_; }

  // FB::BrowserHost
  std::uintptr_t contextId() const override { return reinterpret_cast<std::uintptr_t>(instance_); }
  JSObjectPtr documentObject() override;
  JSObjectPtr windowObject() override;
  JSObjectPtr pluginElement() override;
  void openUrl(const std::string& url, const std::string& target) override;
  using BrowserHost::runScript;
  void runScript(const std::string& script) override;
  void shutdown() override;
  void releasePending() override;
  bool proxyForUrl(const std::string& url, ProxySettings& settings) override;
  bool postToMainThread(AsyncFunction function, void* data) override;
  // Defined in npapi_browser_host_streams.cpp, with the NPAPI streams.
  BrowserStreamPtr openStream(const std::string& url, const PluginEventSinkPtr& handler, bool cache, bool seekable,
                              std::size_t bufferSize) override;
  BrowserStreamPtr openPostStream(const std::string& url, const PluginEventSinkPtr& handler,
                                  const std::string& postData, bool cache, bool seekable,
                                  std::size_t bufferSize) override;
  // Releases `object` on the main thread: at once when called there,
  // otherwise at the next releasePending(). Any thread.
  virtual void releaseLater(NPObject* object);

  // The page-visible object for `api`: its live wrapper with one more
  // reference, or a new wrapper (autoRelease) recorded in the wrapper table.
  // With `retain`, the API is also kept alive by the host (retainObject)
  // until that wrapper goes: once per wrapper, not once per hand-out, so
  // handing the same object out again and again costs no memory.
  // The caller owns one reference. Null when the browser refuses.
  NPObject* wrapperForApi(const JSAPIPtr& api, bool retain = false);
  NPObject* getScriptableObject(const JSAPIPtr& api) { return wrapperForApi(api); }
  std::size_t wrapperTableSize() const { return wrappers_.size(); }

  // The message of the last script error that a wrapper of this instance
  // caught: what "getLastException" answers this page. Kept per instance so
  // that no page reads another page's messages. Main thread only.
  const variant& lastException() const { return lastException_; }
  void setLastException(const std::string& message) { lastException_ = message; }

  // Value conversion (see np_variant_conversion.h).
  variant toVariant(const NPVariant& value);
  void toNPVariant(const variant& value, NPVariant& result);

  // The browser's entry points. Missing entries answer the neutral value
  // (NPERR_GENERIC_ERROR, null, false, 0) without calling anything.
  NPError GetURL(const char* url, const char* target) const;
  NPError GetURLNotify(const char* url, const char* target, void* notifyData) const;
  NPError PostURL(const char* url, const char* target, uint32_t len, const char* buf, bool file) const;
  NPError PostURLNotify(const char* url, const char* target, uint32_t len, const char* buf, bool file,
                        void* notifyData) const;
  NPError RequestRead(NPStream* stream, NPByteRange* rangeList) const;
  NPError NewStream(NPMIMEType type, const char* target, NPStream** stream) const;
  int32_t Write(NPStream* stream, int32_t len, void* buffer) const;
  NPError DestroyStream(NPStream* stream, NPReason reason) const;
  void Status(const char* message) const;
  const char* UserAgent() const;
  void* MemAlloc(uint32_t size) const;
  void MemFree(void* ptr) const;
  NPError GetValue(NPNVariable variable, void* value) const;
  NPError SetValue(NPPVariable variable, void* value) const;
  void InvalidateRect(NPRect* rect) const;
  void ForceRedraw() const;
  NPIdentifier GetStringIdentifier(const char* name) const;
  NPIdentifier GetStringIdentifier(const std::string& name) const { return GetStringIdentifier(name.c_str()); }
  NPIdentifier GetIntIdentifier(int32_t value) const;
  // A missing entry counts as a string identifier.
  bool IdentifierIsString(NPIdentifier identifier) const;
  // The identifier's name, copied; the browser's copy is freed.
  std::string StringFromIdentifier(NPIdentifier identifier) const;
  // The same name without a copy, on the main thread only: a pointer into the
  // host's name cache, valid while the host lives. Elsewhere null.
  const std::string* cachedIdentifierName(NPIdentifier identifier) const;
  int32_t IntFromIdentifier(NPIdentifier identifier) const;
  NPObject* CreateObject(NPClass* aClass) const;
  NPObject* RetainObject(NPObject* object) const;
  void ReleaseObject(NPObject* object) const;
  bool Invoke(NPObject* object, NPIdentifier method, const NPVariant* args, uint32_t count, NPVariant* result) const;
  bool InvokeDefault(NPObject* object, const NPVariant* args, uint32_t count, NPVariant* result) const;
  bool Evaluate(NPObject* object, NPString* script, NPVariant* result) const;
  bool GetProperty(NPObject* object, NPIdentifier name, NPVariant* result) const;
  bool SetProperty(NPObject* object, NPIdentifier name, const NPVariant* value) const;
  bool RemoveProperty(NPObject* object, NPIdentifier name) const;
  bool HasProperty(NPObject* object, NPIdentifier name) const;
  bool HasMethod(NPObject* object, NPIdentifier name) const;
  bool Enumerate(NPObject* object, NPIdentifier** identifiers, uint32_t* count) const;
  bool Construct(NPObject* object, const NPVariant* args, uint32_t count, NPVariant* result) const;
  void ReleaseVariantValue(NPVariant* value) const;
  void SetException(NPObject* object, const std::string& message) const;
  void PushPopupsEnabledState(bool enabled) const;
  void PopPopupsEnabledState() const;
  // Answers NPERR_INCOMPATIBLE_VERSION_ERROR when the entry is missing.
  NPError GetValueForURL(NPNURLVariable variable, const char* url, char** value, uint32_t* len) const;
  // Answers false when the entry is missing.
  bool PluginThreadAsyncCall(void (*function)(void*), void* data) const;

 protected:
  NPObjectAPIPtr proxyFor(NPObject* object);

 private:
  void dropDomProxies();
  // Streams this instance started, watched weakly: they keep themselves
  // alive for the browser's callbacks, which end with the instance.
  BrowserStreamPtr trackStream(const std::shared_ptr<NpapiStream>& stream);
  void releaseStartedStreams();
  const NPNetscapeFuncs& lifetimeFuncs() const;
  // Asks the browser for an identifier's name; empty when it has none.
  std::string readIdentifierName(NPIdentifier identifier) const;

  NpapiPluginModule* module_ = nullptr;
  NPP instance_ = nullptr;
  NPNetscapeFuncs funcs_{};
  NPObjectAPIPtr window_;
  NPObjectAPIPtr element_;
  NPObjectAPIPtr document_;
  std::mutex releaseLock_;
  std::deque<NPObject*> pendingReleases_;
  std::mutex streamsLock_;
  std::vector<std::weak_ptr<NpapiStream>> startedStreams_;
  // API identity -> the wrapper's self-reference, watched weakly.
  struct WrapperEntry {
    std::weak_ptr<ShareableReference<NPJavascriptObject>> wrapper;
    bool retained = false;  // the host keeps the API alive for this wrapper
  };
  std::map<const JSAPI*, WrapperEntry> wrappers_;
  // Names of string identifiers, which live as long as the browser: a script
  // call then needs no NPN_UTF8FromIdentifier round trip. Main thread only.
  mutable std::unordered_map<NPIdentifier, std::string> identifierNames_;
  variant lastException_;
};

using NpapiBrowserHostPtr = std::shared_ptr<NpapiBrowserHost>;
using NpapiBrowserHostWeakPtr = std::weak_ptr<NpapiBrowserHost>;

}  // namespace FB::Npapi
