// FB::testing::FakeNpapiBrowser: an in-process NPAPI browser for the
// binding's tests. It supplies a browser function table (NPNetscapeFuncs) of
// a chosen version and user agent, and behind it: string and integer
// identifiers, NPObject creation and reference counting (calling a class's
// deallocate at zero), variants, NPN_MemAlloc/MemFree with a count of what
// is still allocated, a page, script exceptions, and a main-thread queue fed
// by NPN_PluginThreadAsyncCall.
//
// The page: a window with "console" (its "log" records lines), "location"
// (with "href"), "document", and the constructors "Array" and "Object",
// which make page arrays (with "length" and "push") and page objects; and an
// element for the plug-in. NPN_Evaluate records every script; the binding's
// delayed-call helper script is recognised by its exact text and installs
// the helper function on the window, whose calls become timers that the test
// runs with runTimers().
//
// The test acts as page script with invoke/get/set/... on any NPObject; these
// go through the object's NPClass, as the browser's own calls do.
//
// The function table's entries are plain functions, so one browser is
// current per process at a time (the one most recently made and not yet
// destroyed). The main thread is the thread that made the browser; calls of
// the table's entries from other threads (other than the async call) are
// counted as faults (offThreadCalls()).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "npapi/npapi_abi.h"
#include "testing/main_thread_queue.h"

namespace FB::testing {

// A value as page script holds it. An object value holds one reference,
// taken and given back through the current browser (main thread only).
class NpValue {
 public:
  NpValue() = default;  // undefined
  NpValue(bool value);  // NOLINT: implicit by design, as are the others
  NpValue(int value);
  NpValue(double value);
  NpValue(const char* text);
  NpValue(std::string text);
  static NpValue null();
  // Adds one reference to `object`.
  static NpValue object(NPObject* object);
  // Takes over the reference the caller owns.
  static NpValue adopt(NPObject* object);
  // A copy of a browser value; the variant itself is left as it was.
  static NpValue fromNPVariant(const NPVariant& value);

  NpValue(const NpValue& other);
  NpValue(NpValue&& other) noexcept;
  NpValue& operator=(NpValue other) noexcept;
  ~NpValue();

  NPVariantType type() const { return type_; }
  bool isVoid() const { return type_ == NPVariantType_Void; }
  bool isNull() const { return type_ == NPVariantType_Null; }
  bool isObject() const { return type_ == NPVariantType_Object; }
  bool boolValue() const { return bool_; }
  int32_t intValue() const { return int_; }
  double doubleValue() const { return double_; }
  const std::string& stringValue() const { return text_; }
  NPObject* objectValue() const { return object_; }

  // A value for the plug-in, owned by the receiver (strings from
  // NPN_MemAlloc, objects with one added reference).
  NPVariant toNPVariant() const;

 private:
  NPVariantType type_ = NPVariantType_Void;
  bool bool_ = false;
  int32_t int_ = 0;
  double double_ = 0;
  std::string text_;
  NPObject* object_ = nullptr;
};

using NpValues = std::vector<NpValue>;

class FakeNpapiBrowser {
 public:
  // A page function: gets the arguments, returns the result; a thrown
  // exception makes the call fail.
  using Function = std::function<NpValue(const NpValues& args)>;

  struct Timer {
    int id;
    int delayMs;
    NpValue function;
    NpValues args;
    std::string methodName;  // empty: the function itself is called
  };

  struct UrlRequest {
    std::string url;
    std::string target;
    bool post = false;
    std::string postData;
    bool notify = false;
    void* notifyData = nullptr;
  };

  static constexpr const char* kDefaultUserAgent = "Mozilla/5.0 (X11; Linux x86_64) FakeNpapiBrowser/1.0";
  static constexpr const char* kDefaultPageUrl = "https://www.norvellzephel.com/app/";

  explicit FakeNpapiBrowser(uint16_t version = 26, std::string userAgent = kDefaultUserAgent,
                            std::string pageUrl = kDefaultPageUrl);
  ~FakeNpapiBrowser();
  FakeNpapiBrowser(const FakeNpapiBrowser&) = delete;
  FakeNpapiBrowser& operator=(const FakeNpapiBrowser&) = delete;

  static FakeNpapiBrowser* current();

  // The table given to the plug-in. Tests may clear entries to play an
  // older or poorer browser.
  NPNetscapeFuncs* funcs() { return &funcs_; }
  const std::string& userAgent() const { return userAgent_; }
  // The page's plug-in instance; newInstance() adds another on the page.
  NPP instance() { return instances_.front().get(); }
  NPP newInstance();
  bool isMainThread() const { return queue_.isMainThread(); }

  // Identifiers (interned: equal names give equal identifiers).
  NPIdentifier stringIdentifier(const std::string& name);
  NPIdentifier intIdentifier(int32_t value);

  // The page.
  NPObject* window() const { return window_; }
  NPObject* document() const { return document_; }
  NPObject* element() const { return element_; }
  // Whether NPN_GetValue offers the window (and the element).
  void setOffersWindow(bool offers) { offersWindow_ = offers; }
  // Makes page objects answer false for reads of missing properties instead
  // of undefined.
  void setMissingPropertiesFail(bool fail) { missingPropertiesFail_ = fail; }
  void setEvaluateFails(bool fail) { evaluateFails_ = fail; }
  // What NPN_GetValueForURL(NPNURLVProxy) answers.
  void setProxyAnswer(NPError error, const std::string& text);
  NpValue newObject();
  NpValue newArray(const NpValues& items = {});
  NpValue newFunction(Function function);
  // Elements 0 .. length-1 of a script array.
  NpValues arrayItems(NPObject* array);
  std::vector<std::string> consoleLines() const;
  std::vector<std::string> scripts() const;
  std::vector<std::string> exceptions() const;
  // GetURL, popups state, SetValue, Status ...: one line per call.
  std::vector<std::string> calls() const;
  std::vector<UrlRequest> urlRequests() const;
  // Decides what the URL requests (GetURL, PostURL and their Notify forms)
  // answer, after they are recorded; without one they answer NPERR_NO_ERROR.
  // Streams answering them are the handler's to start.
  using UrlHandler = std::function<NPError(NPP instance, const UrlRequest& request)>;
  void setUrlHandler(UrlHandler handler) { urlHandler_ = std::move(handler); }

  // Timers set through the delayed-call helper, run in the order set.
  std::vector<Timer> pendingTimers() const;
  std::size_t runTimers();

  // Page script acting on any object, through the object's class. Each
  // answers whether the operation succeeded.
  bool hasMethod(NPObject* object, const std::string& name);
  bool hasProperty(NPObject* object, const std::string& name);
  bool hasPropertyAt(NPObject* object, int32_t index);
  bool get(NPObject* object, const std::string& name, NpValue& result);
  bool getAt(NPObject* object, int32_t index, NpValue& result);
  bool set(NPObject* object, const std::string& name, const NpValue& value);
  bool setAt(NPObject* object, int32_t index, const NpValue& value);
  bool remove(NPObject* object, const std::string& name);
  bool invoke(NPObject* object, const std::string& name, const NpValues& args, NpValue& result);
  bool invokeDefault(NPObject* object, const NpValues& args, NpValue& result);
  bool construct(NPObject* object, const NpValues& args, NpValue& result);
  bool enumerate(NPObject* object, std::vector<std::string>& names);
  // Shorthands answering undefined on failure.
  NpValue get(NPObject* object, const std::string& name);
  NpValue call(NPObject* object, const std::string& name, const NpValues& args = {});
  // The browser drops its page: every live object not made by the browser
  // is invalidated, as when the instance goes away.
  void invalidatePluginObjects();

  // Bookkeeping for leak and misuse checks.
  std::size_t liveObjectCount() const;
  std::size_t liveObjectCount(const NPClass* aClass) const;
  uint32_t referenceCount(NPObject* object) const { return object->referenceCount; }
  std::size_t outstandingAllocations() const;
  // Makes NPN_MemAlloc (the plug-in's entry, not alloc() below) answer null
  // for blocks larger than `size`, as a browser out of memory does.
  void refuseAllocationsAbove(uint32_t size) { largestAllocation_ = size; }
  // Frees of memory and releases of objects the browser does not know.
  int badFrees() const { return badFrees_; }
  int offThreadCalls() const { return offThreadCalls_; }

  // The main-thread queue.
  std::size_t pump();
  bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
  std::size_t waitAndPump(std::chrono::milliseconds limit);
  std::size_t queuedCount() const;

  // For the browser's own classes.
  struct Entries;
  struct PageObject;
  bool missingPropertiesFail() const { return missingPropertiesFail_; }
  // The identifier's name; an integer identifier gives its decimal text.
  static std::string identifierName(NPIdentifier identifier);
  // NPN_ReleaseVariantValue, NPN_RetainObject, NPN_ReleaseObject,
  // NPN_MemAlloc, NPN_MemFree, without the thread check.
  void releaseVariant(NPVariant* value);
  void retain(NPObject* object);
  void release(NPObject* object);
  void* alloc(uint32_t size);
  void free(void* pointer);

 private:
  friend class NpValue;
  friend struct Entries;

  struct Identifier {
    bool isString;
    std::string name;
    int32_t value;
  };

  void buildTable(uint16_t version);
  void buildPage();
  void dropPage();
  bool evaluateScript(const std::string& script);
  NpValue addTimer(const NpValues& args);
  void record(std::string line);
  void noteCall();
  NPObject* createObject(NPP npp, NPClass* aClass);
  PageObject* newPageObject();

  FakeNpapiBrowser* previous_ = nullptr;
  NPNetscapeFuncs funcs_{};
  std::string userAgent_;
  std::string pageUrl_;
  std::deque<std::unique_ptr<NPP_t>> instances_;

  mutable std::mutex mutex_;  // guards what workers may touch: queue, allocations, logs
  MainThreadQueue queue_;
  std::set<void*> allocations_;
  std::vector<std::string> consoleLines_;
  std::vector<std::string> scripts_;
  std::vector<std::string> exceptions_;
  std::vector<std::string> calls_;
  std::vector<UrlRequest> urlRequests_;
  UrlHandler urlHandler_;
  std::vector<Timer> timers_;
  int nextTimerId_ = 1;
  std::atomic<int> badFrees_{0};
  std::atomic<uint32_t> largestAllocation_{UINT32_MAX};
  std::atomic<int> offThreadCalls_{0};

  std::map<std::string, std::unique_ptr<Identifier>> stringIds_;
  std::map<int32_t, std::unique_ptr<Identifier>> intIds_;
  mutable std::mutex objectsMutex_;  // guards liveObjects_; taken after mutex_, never before
  std::set<NPObject*> liveObjects_;
  NPObject* window_ = nullptr;
  NPObject* document_ = nullptr;
  NPObject* element_ = nullptr;
  bool offersWindow_ = true;
  bool missingPropertiesFail_ = false;
  bool evaluateFails_ = false;
  NPError proxyError_ = NPERR_NO_ERROR;
  std::string proxyText_ = "DIRECT";
};

}  // namespace FB::testing
