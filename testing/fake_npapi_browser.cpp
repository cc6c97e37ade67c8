#include "testing/fake_npapi_browser.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "testing/fake_npapi_page_object.h"

namespace FB::testing {
namespace {

FakeNpapiBrowser* g_current = nullptr;

std::string pointerText(const void* pointer) { return std::to_string(reinterpret_cast<std::uintptr_t>(pointer)); }

}  // namespace

// The table's entries. Each finds the current browser; with none left (a
// plug-in calling after the test dropped the browser) it does nothing.
struct FakeNpapiBrowser::Entries {
  static FakeNpapiBrowser* browser() {
    FakeNpapiBrowser* b = g_current;
    if (b) b->noteCall();
    return b;
  }

  static NPError geturl(NPP npp, const char* url, const char* target) {
    return request(npp, url, target, false, 0, nullptr, false, nullptr);
  }
  static NPError posturl(NPP npp, const char* url, const char* target, uint32_t len, const char* buf, NPBool) {
    return request(npp, url, target, true, len, buf, false, nullptr);
  }
  static NPError geturlnotify(NPP npp, const char* url, const char* target, void* notifyData) {
    return request(npp, url, target, false, 0, nullptr, true, notifyData);
  }
  static NPError posturlnotify(NPP npp, const char* url, const char* target, uint32_t len, const char* buf, NPBool,
                               void* notifyData) {
    return request(npp, url, target, true, len, buf, true, notifyData);
  }
  static NPError request(NPP npp, const char* url, const char* target, bool post, uint32_t len, const char* buf,
                         bool notify, void* notifyData) {
    FakeNpapiBrowser* b = browser();
    if (!b) return NPERR_GENERIC_ERROR;
    UrlRequest r;
    r.url = url ? url : "";
    r.target = target ? target : "";
    r.post = post;
    if (buf) r.postData.assign(buf, len);
    r.notify = notify;
    r.notifyData = notifyData;
    b->record(std::string(post ? "PostURL " : "GetURL ") + r.url + " " + r.target);
    {
      std::lock_guard<std::mutex> lock(b->mutex_);
      b->urlRequests_.push_back(r);
    }
    return b->urlHandler_ ? b->urlHandler_(npp, r) : NPERR_NO_ERROR;
  }
  static NPError requestread(NPStream*, NPByteRange*) { return NPERR_GENERIC_ERROR; }
  static NPError newstream(NPP, NPMIMEType, const char*, NPStream**) { return NPERR_GENERIC_ERROR; }
  static int32_t write(NPP, NPStream*, int32_t, void*) { return -1; }
  static NPError destroystream(NPP, NPStream*, NPReason) { return NPERR_GENERIC_ERROR; }
  static void status(NPP, const char* message) {
    if (FakeNpapiBrowser* b = browser()) b->record(std::string("Status ") + (message ? message : ""));
  }
  static const char* uagent(NPP) {
    FakeNpapiBrowser* b = browser();
    return b ? b->userAgent_.c_str() : nullptr;
  }
  static void* memalloc(uint32_t size) {
    FakeNpapiBrowser* b = browser();
    return b && size <= b->largestAllocation_ ? b->alloc(size) : nullptr;
  }
  static void memfree(void* pointer) {
    if (FakeNpapiBrowser* b = browser()) b->free(pointer);
  }
  static uint32_t memflush(uint32_t) { return 0; }
  static void reloadplugins(NPBool) {}

  static NPError getvalue(NPP, NPNVariable variable, void* value) {
    FakeNpapiBrowser* b = browser();
    if (!b || !value) return NPERR_GENERIC_ERROR;
    switch (variable) {
      case NPNVWindowNPObject:
      case NPNVPluginElementNPObject: {
        NPObject* object = variable == NPNVWindowNPObject ? b->window_ : b->element_;
        if (!b->offersWindow_ || !object) return NPERR_GENERIC_ERROR;
        b->retain(object);
        *static_cast<NPObject**>(value) = object;
        return NPERR_NO_ERROR;
      }
      case NPNVjavascriptEnabledBool:
      case NPNVSupportsWindowless:
        *static_cast<NPBool*>(value) = 1;
        return NPERR_NO_ERROR;
      case NPNVprivateModeBool:
        *static_cast<NPBool*>(value) = 0;
        return NPERR_NO_ERROR;
      default:
        return NPERR_GENERIC_ERROR;
    }
  }
  static NPError setvalue(NPP, NPPVariable variable, void* value) {
    FakeNpapiBrowser* b = browser();
    if (!b) return NPERR_GENERIC_ERROR;
    b->record("SetValue " + std::to_string(static_cast<int>(variable)) + " " + pointerText(value));
    return NPERR_NO_ERROR;
  }
  static void invalidaterect(NPP, NPRect*) {
    if (FakeNpapiBrowser* b = browser()) b->record("InvalidateRect");
  }
  static void invalidateregion(NPP, NPRegion) {
    if (FakeNpapiBrowser* b = browser()) b->record("InvalidateRegion");
  }
  static void forceredraw(NPP) {
    if (FakeNpapiBrowser* b = browser()) b->record("ForceRedraw");
  }

  static NPIdentifier getstringidentifier(const NPUTF8* name) {
    FakeNpapiBrowser* b = browser();
    return b && name ? b->stringIdentifier(name) : nullptr;
  }
  static void getstringidentifiers(const NPUTF8** names, int32_t count, NPIdentifier* identifiers) {
    for (int32_t i = 0; i < count; ++i) identifiers[i] = getstringidentifier(names[i]);
  }
  static NPIdentifier getintidentifier(int32_t value) {
    FakeNpapiBrowser* b = browser();
    return b ? b->intIdentifier(value) : nullptr;
  }
  static bool identifierisstring(NPIdentifier identifier) {
    browser();
    return identifier && static_cast<Identifier*>(identifier)->isString;
  }
  // As browsers do, an integer identifier has no text.
  static NPUTF8* utf8fromidentifier(NPIdentifier identifier) {
    FakeNpapiBrowser* b = browser();
    auto* id = static_cast<Identifier*>(identifier);
    if (!b || !id || !id->isString) return nullptr;
    auto* text = static_cast<NPUTF8*>(b->alloc(static_cast<uint32_t>(id->name.size() + 1)));
    std::memcpy(text, id->name.c_str(), id->name.size() + 1);
    return text;
  }
  static int32_t intfromidentifier(NPIdentifier identifier) {
    browser();
    auto* id = static_cast<Identifier*>(identifier);
    return id && !id->isString ? id->value : INT32_MIN;
  }

  static NPObject* createobject(NPP npp, NPClass* aClass) {
    FakeNpapiBrowser* b = browser();
    return b ? b->createObject(npp, aClass) : nullptr;
  }
  static NPObject* retainobject(NPObject* object) {
    FakeNpapiBrowser* b = browser();
    if (b && object) b->retain(object);
    return object;
  }
  static void releaseobject(NPObject* object) {
    FakeNpapiBrowser* b = browser();
    if (b && object) b->release(object);
  }

  static bool invoke(NPP, NPObject* o, NPIdentifier name, const NPVariant* args, uint32_t count, NPVariant* result) {
    browser();
    clear(result);
    return o && o->_class && o->_class->invoke && o->_class->invoke(o, name, args, count, result);
  }
  static bool invokeDefault(NPP, NPObject* o, const NPVariant* args, uint32_t count, NPVariant* result) {
    browser();
    clear(result);
    return o && o->_class && o->_class->invokeDefault && o->_class->invokeDefault(o, args, count, result);
  }
  static bool construct(NPP, NPObject* o, const NPVariant* args, uint32_t count, NPVariant* result) {
    browser();
    clear(result);
    return o && o->_class && o->_class->structVersion >= 3 && o->_class->construct &&
           o->_class->construct(o, args, count, result);
  }
  static bool getproperty(NPP, NPObject* o, NPIdentifier name, NPVariant* result) {
    browser();
    clear(result);
    return o && o->_class && o->_class->getProperty && o->_class->getProperty(o, name, result);
  }
  static bool setproperty(NPP, NPObject* o, NPIdentifier name, const NPVariant* value) {
    browser();
    return o && o->_class && o->_class->setProperty && o->_class->setProperty(o, name, value);
  }
  static bool removeproperty(NPP, NPObject* o, NPIdentifier name) {
    browser();
    return o && o->_class && o->_class->removeProperty && o->_class->removeProperty(o, name);
  }
  static bool hasproperty(NPP, NPObject* o, NPIdentifier name) {
    browser();
    return o && o->_class && o->_class->hasProperty && o->_class->hasProperty(o, name);
  }
  static bool hasmethod(NPP, NPObject* o, NPIdentifier name) {
    browser();
    return o && o->_class && o->_class->hasMethod && o->_class->hasMethod(o, name);
  }
  static bool enumerate(NPP, NPObject* o, NPIdentifier** identifiers, uint32_t* count) {
    browser();
    *identifiers = nullptr;
    *count = 0;
    return o && o->_class && o->_class->structVersion >= 2 && o->_class->enumerate &&
           o->_class->enumerate(o, identifiers, count);
  }
  static bool evaluate(NPP, NPObject*, NPString* script, NPVariant* result) {
    FakeNpapiBrowser* b = browser();
    clear(result);
    if (!b || !script) return false;
    return b->evaluateScript(std::string(script->UTF8Characters ? script->UTF8Characters : "", script->UTF8Length));
  }
  static void releasevariantvalue(NPVariant* value) {
    if (FakeNpapiBrowser* b = browser()) b->releaseVariant(value);
  }
  static void setexception(NPObject*, const NPUTF8* message) {
    FakeNpapiBrowser* b = browser();
    if (!b) return;
    std::lock_guard<std::mutex> lock(b->mutex_);
    b->exceptions_.push_back(message ? message : "");
  }
  static void pushpopupsenabledstate(NPP, NPBool enabled) {
    if (FakeNpapiBrowser* b = browser()) b->record("PushPopupsEnabledState " + std::to_string(enabled));
  }
  static void poppopupsenabledstate(NPP) {
    if (FakeNpapiBrowser* b = browser()) b->record("PopPopupsEnabledState");
  }
  // Any thread may ask for a call on the main thread.
  static void pluginthreadasynccall(NPP, void (*function)(void*), void* data) {
    FakeNpapiBrowser* b = g_current;
    if (!b || !function) return;
    b->queue_.post(function, data);
  }
  static NPError getvalueforurl(NPP, NPNURLVariable variable, const char*, char** value, uint32_t* len) {
    FakeNpapiBrowser* b = browser();
    if (!b || variable != NPNURLVProxy) return NPERR_GENERIC_ERROR;
    if (b->proxyError_ != NPERR_NO_ERROR) return b->proxyError_;
    *value = static_cast<char*>(b->alloc(static_cast<uint32_t>(b->proxyText_.size() + 1)));
    std::memcpy(*value, b->proxyText_.c_str(), b->proxyText_.size() + 1);
    *len = static_cast<uint32_t>(b->proxyText_.size());
    return NPERR_NO_ERROR;
  }
  static NPError setvalueforurl(NPP, NPNURLVariable, const char* url, const char*, uint32_t) {
    if (FakeNpapiBrowser* b = browser()) b->record(std::string("SetValueForURL ") + (url ? url : ""));
    return NPERR_NO_ERROR;
  }
  static NPError getauthenticationinfo(NPP, const char*, const char*, int32_t, const char*, const char*, char**,
                                       uint32_t*, char**, uint32_t*) {
    browser();
    return NPERR_GENERIC_ERROR;
  }
  static uint32_t scheduletimer(NPP, uint32_t, NPBool, void (*)(NPP, uint32_t)) {
    browser();
    return 0;
  }
  static void unscheduletimer(NPP, uint32_t) { browser(); }

  static void clear(NPVariant* value) {
    if (!value) return;
    value->type = NPVariantType_Void;
    value->value.objectValue = nullptr;
  }
};

FakeNpapiBrowser::FakeNpapiBrowser(uint16_t version, std::string userAgent, std::string pageUrl)
    : previous_(g_current),
      userAgent_(std::move(userAgent)),
      pageUrl_(std::move(pageUrl)) {
  g_current = this;
  buildTable(version);
  newInstance();
  buildPage();
}

FakeNpapiBrowser::~FakeNpapiBrowser() {
  dropPage();
  g_current = previous_;
}

FakeNpapiBrowser* FakeNpapiBrowser::current() { return g_current; }

// Entries that came with a later table version than `version` stay null.
void FakeNpapiBrowser::buildTable(uint16_t version) {
  funcs_ = NPNetscapeFuncs{};
  funcs_.size = sizeof(NPNetscapeFuncs);
  funcs_.version = version;
  funcs_.geturl = &Entries::geturl;
  funcs_.posturl = &Entries::posturl;
  funcs_.requestread = &Entries::requestread;
  funcs_.newstream = &Entries::newstream;
  funcs_.write = &Entries::write;
  funcs_.destroystream = &Entries::destroystream;
  funcs_.status = &Entries::status;
  funcs_.uagent = &Entries::uagent;
  funcs_.memalloc = &Entries::memalloc;
  funcs_.memfree = &Entries::memfree;
  funcs_.memflush = &Entries::memflush;
  funcs_.reloadplugins = &Entries::reloadplugins;
  funcs_.geturlnotify = &Entries::geturlnotify;
  funcs_.posturlnotify = &Entries::posturlnotify;
  funcs_.getvalue = &Entries::getvalue;
  funcs_.setvalue = &Entries::setvalue;
  funcs_.invalidaterect = &Entries::invalidaterect;
  funcs_.invalidateregion = &Entries::invalidateregion;
  funcs_.forceredraw = &Entries::forceredraw;
  funcs_.getstringidentifier = &Entries::getstringidentifier;
  funcs_.getstringidentifiers = &Entries::getstringidentifiers;
  funcs_.getintidentifier = &Entries::getintidentifier;
  funcs_.identifierisstring = &Entries::identifierisstring;
  funcs_.utf8fromidentifier = &Entries::utf8fromidentifier;
  funcs_.intfromidentifier = &Entries::intfromidentifier;
  funcs_.createobject = &Entries::createobject;
  funcs_.retainobject = &Entries::retainobject;
  funcs_.releaseobject = &Entries::releaseobject;
  funcs_.invoke = &Entries::invoke;
  funcs_.invokeDefault = &Entries::invokeDefault;
  funcs_.evaluate = &Entries::evaluate;
  funcs_.getproperty = &Entries::getproperty;
  funcs_.setproperty = &Entries::setproperty;
  funcs_.removeproperty = &Entries::removeproperty;
  funcs_.hasproperty = &Entries::hasproperty;
  funcs_.hasmethod = &Entries::hasmethod;
  funcs_.releasevariantvalue = &Entries::releasevariantvalue;
  funcs_.setexception = &Entries::setexception;
  funcs_.construct = &Entries::construct;
  if (version >= NPVERS_HAS_POPUPS_ENABLED_STATE) {
    funcs_.pushpopupsenabledstate = &Entries::pushpopupsenabledstate;
    funcs_.poppopupsenabledstate = &Entries::poppopupsenabledstate;
  }
  if (version >= NPVERS_HAS_NPOBJECT_ENUM) funcs_.enumerate = &Entries::enumerate;
  if (version >= NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL) funcs_.pluginthreadasynccall = &Entries::pluginthreadasynccall;
  if (version >= NPVERS_HAS_URL_AND_AUTH_INFO) {
    funcs_.getvalueforurl = &Entries::getvalueforurl;
    funcs_.setvalueforurl = &Entries::setvalueforurl;
    funcs_.getauthenticationinfo = &Entries::getauthenticationinfo;
  }
  if (version >= 23) {
    funcs_.scheduletimer = &Entries::scheduletimer;
    funcs_.unscheduletimer = &Entries::unscheduletimer;
  }
}

NPP FakeNpapiBrowser::newInstance() {
  auto instance = std::make_unique<NPP_t>();
  instance->pdata = nullptr;
  instance->ndata = this;
  instances_.push_back(std::move(instance));
  return instances_.back().get();
}

void FakeNpapiBrowser::noteCall() {
  if (!isMainThread()) ++offThreadCalls_;
}

void FakeNpapiBrowser::record(std::string line) {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_.push_back(std::move(line));
}

void FakeNpapiBrowser::releaseVariant(NPVariant* value) {
  if (!value) return;
  if (value->type == NPVariantType_String) {
    free(const_cast<NPUTF8*>(value->value.stringValue.UTF8Characters));
  } else if (value->type == NPVariantType_Object && value->value.objectValue) {
    release(value->value.objectValue);
  }
  Entries::clear(value);
}

std::string FakeNpapiBrowser::identifierName(NPIdentifier identifier) {
  auto* id = static_cast<Identifier*>(identifier);
  if (!id) return std::string();
  return id->isString ? id->name : std::to_string(id->value);
}

NPIdentifier FakeNpapiBrowser::stringIdentifier(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto& id = stringIds_[name];
  if (!id) id.reset(new Identifier{true, name, 0});
  return id.get();
}

NPIdentifier FakeNpapiBrowser::intIdentifier(int32_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto& id = intIds_[value];
  if (!id) id.reset(new Identifier{false, std::string(), value});
  return id.get();
}

NPObject* FakeNpapiBrowser::createObject(NPP npp, NPClass* aClass) {
  if (!aClass) return nullptr;
  NPObject* object = aClass->allocate ? aClass->allocate(npp, aClass) : new NPObject;
  if (!object) return nullptr;
  object->_class = aClass;
  object->referenceCount = 1;
  std::lock_guard<std::mutex> lock(objectsMutex_);
  liveObjects_.insert(object);
  return object;
}

void FakeNpapiBrowser::retain(NPObject* object) {
  {
    std::lock_guard<std::mutex> lock(objectsMutex_);
    if (liveObjects_.count(object) == 0) {
      ++badFrees_;
      return;
    }
  }
  ++object->referenceCount;
}

void FakeNpapiBrowser::release(NPObject* object) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (liveObjects_.count(object) == 0) {
      ++badFrees_;
      return;
    }
    if (--object->referenceCount > 0) return;
    liveObjects_.erase(object);
  }
  if (object->_class->deallocate) {
    object->_class->deallocate(object);
  } else {
    delete object;
  }
}

void* FakeNpapiBrowser::alloc(uint32_t size) {
  void* pointer = std::malloc(size == 0 ? 1 : size);
  std::lock_guard<std::mutex> lock(mutex_);
  allocations_.insert(pointer);
  return pointer;
}

void FakeNpapiBrowser::free(void* pointer) {
  if (!pointer) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (allocations_.erase(pointer) == 0) {
      ++badFrees_;
      return;
    }
  }
  std::free(pointer);
}

std::size_t FakeNpapiBrowser::liveObjectCount() const {
  std::lock_guard<std::mutex> lock(objectsMutex_);
  return liveObjects_.size();
}

std::size_t FakeNpapiBrowser::liveObjectCount(const NPClass* aClass) const {
  std::lock_guard<std::mutex> lock(objectsMutex_);
  std::size_t count = 0;
  for (NPObject* object : liveObjects_) count += object->_class == aClass ? 1 : 0;
  return count;
}

std::size_t FakeNpapiBrowser::outstandingAllocations() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return allocations_.size();
}

void FakeNpapiBrowser::invalidatePluginObjects() {
  std::vector<NPObject*> objects;
  {
    std::lock_guard<std::mutex> lock(objectsMutex_);
    objects.assign(liveObjects_.begin(), liveObjects_.end());
  }
  for (NPObject* object : objects) {
    if (!PageObject::from(object) && object->_class->invalidate) object->_class->invalidate(object);
  }
}

std::vector<std::string> FakeNpapiBrowser::consoleLines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return consoleLines_;
}

std::vector<std::string> FakeNpapiBrowser::scripts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return scripts_;
}

std::vector<std::string> FakeNpapiBrowser::exceptions() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return exceptions_;
}

std::vector<std::string> FakeNpapiBrowser::calls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

std::vector<FakeNpapiBrowser::UrlRequest> FakeNpapiBrowser::urlRequests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return urlRequests_;
}

void FakeNpapiBrowser::setProxyAnswer(NPError error, const std::string& text) {
  proxyError_ = error;
  proxyText_ = text;
}

std::size_t FakeNpapiBrowser::pump() { return queue_.pump(); }

bool FakeNpapiBrowser::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  return queue_.pumpUntil(done, limit);
}

std::size_t FakeNpapiBrowser::waitAndPump(std::chrono::milliseconds limit) { return queue_.waitAndPump(limit); }

std::size_t FakeNpapiBrowser::queuedCount() const { return queue_.queuedCount(); }

}  // namespace FB::testing
