#include "npapi/np_javascript_object.h"

#include <array>
#include <exception>
#include <new>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "npapi/np_variant_conversion.h"
#include "npapi/npapi_browser_host.h"
#include "runtime/diagnostic_log.h"
#include "scripting/js_function.h"
#include "scripting/script_error.h"

namespace FB::Npapi {
namespace {

// Raised inside an operation when the API or the host died since the
// operation began; answered with false and reported nowhere.
class vanished : public std::bad_cast {
 public:
  const char* what() const noexcept override { return "bad cast"; }
};

}  // namespace

NPJavascriptObject::NPJavascriptObject() : self_(std::make_shared<ShareableReference<NPJavascriptObject>>(this)) {
  _class = nullptr;
  referenceCount = 0;
}

// The function objects may be kept alive by others (the host retains what it
// hands to the page); they must not reach this wrapper any more.
NPJavascriptObject::~NPJavascriptObject() {
  if (addEventListener_) addEventListener_->detach();
  if (removeEventListener_) removeEventListener_->detach();
  if (getLastException_) getLastException_->detach();
}

void NPJavascriptObject::dropBuiltInFunctions() {
  FB::dropBuiltInFunctions(std::array<std::shared_ptr<BuiltInFunction>, 3>{
      std::move(addEventListener_), std::move(removeEventListener_), std::move(getLastException_)});
}

JSAPIPtr NPJavascriptObject::addEventListenerFunction() {
  if (!addEventListener_) addEventListener_ = std::make_shared<NPO_addEventListener>(this);
  return addEventListener_;
}

JSAPIPtr NPJavascriptObject::removeEventListenerFunction() {
  if (!removeEventListener_) removeEventListener_ = std::make_shared<NPO_removeEventListener>(this);
  return removeEventListener_;
}

JSAPIPtr NPJavascriptObject::getLastExceptionFunction() {
  if (!getLastException_) getLastException_ = std::make_shared<NPO_getLastException>(this);
  return getLastException_;
}

void NPJavascriptObject::setApi(const JSAPIWeakPtr& api, const std::weak_ptr<NpapiBrowserHost>& host) {
  api_ = api;
  host_ = host;
}

NPJavascriptObject* NPJavascriptObject::newObject(const NpapiBrowserHostPtr& host, const JSAPIWeakPtr& api,
                                                  bool autoRelease) {
  if (!host) return nullptr;
  NPObject* object = host->CreateObject(npClass());
  if (!object) return nullptr;
  NPJavascriptObject* wrapper = fromNPObject(object);
  wrapper->setApi(api, host);
  wrapper->autoRelease_ = autoRelease;
  return wrapper;
}

bool NPJavascriptObject::isWrapper(const NPObject* object) { return object && object->_class == npClass(); }

bool NPJavascriptObject::ready() const { return valid_ && !api_.expired() && !host_.expired(); }

JSAPIPtr NPJavascriptObject::liveApi() const {
  JSAPIPtr api = api_.lock();
  if (!api) throw vanished();
  return api;
}

NpapiBrowserHostPtr NPJavascriptObject::liveHost() {
  NpapiBrowserHostPtr host = host_.lock();
  if (!host) {
    invalidate();
    throw vanished();
  }
  return host;
}

void NPJavascriptObject::invalidate() {
  valid_ = false;
  try {
    if (JSAPIPtr api = api_.lock()) api->markInvalid();
  } catch (...) {
    // An API that cannot be reached is already as good as invalid.
  }
}

// The NPClass operations. Each runs the body under one guard: a vanished
// object or a failed conversion answers false; a script error becomes the
// page's exception and the last-exception value.
struct NPJavascriptObject::Ops {
  static NPJavascriptObject* self(NPObject* object) { return fromNPObject(object); }

  static void report(NPJavascriptObject* wrapper, const std::string& message) {
    if (NpapiBrowserHostPtr host = wrapper->host_.lock()) {
      host->SetException(wrapper, message);
      host->setLastException(message);
    }
  }

  template <class Body>
  static bool guarded(NPObject* object, Body&& body) {
    NPJavascriptObject* wrapper = self(object);
    if (!wrapper->ready()) return false;
    try {
      return body(*wrapper);
    } catch (const std::bad_cast&) {
      return false;
    } catch (const script_error& e) {
      report(wrapper, e.what());
    } catch (const std::exception& e) {
      // Not a script error, but the page is the only one who can hear of it.
      report(wrapper, e.what());
    } catch (...) {
      report(wrapper, "Unknown exception");
    }
    return false;
  }

  static bool isString(NPJavascriptObject& wrapper, NPIdentifier name) {
    return wrapper.liveHost()->IdentifierIsString(name);
  }

  // The identifier's name, read without a copy on the main thread (where the
  // browser calls); elsewhere copied into `copy`, so that nothing the
  // operation calls can change it underneath.
  static const std::string& nameOf(const NpapiBrowserHostPtr& host, NPIdentifier name, std::string& copy) {
    if (const std::string* cached = host->cachedIdentifierName(name)) return *cached;
    copy = host->StringFromIdentifier(name);
    return copy;
  }

  static bool isBuiltIn(const std::string& name) {
    const std::string_view text(name);
    return text == "addEventListener" || text == "removeEventListener" || text == "getLastException";
  }

  static VariantVector arguments(const NpapiBrowserHostPtr& host, const NPVariant* args, uint32_t count) {
    VariantVector list;
    list.reserve(count);
    for (uint32_t i = 0; i < count; ++i) list.push_back(toVariant(host, args[i]));
    return list;
  }

  static void clear(NPVariant* result) {
    result->type = NPVariantType_Void;
    result->value.objectValue = nullptr;
  }

  static NPObject* allocate(NPP, NPClass*) {
    try {
      return new NPJavascriptObject();
    } catch (...) {
      return nullptr;
    }
  }

  static void deallocate(NPObject* object) {
    NPJavascriptObject* wrapper = self(object);
    try {
      if (wrapper->autoRelease_) {
        // Held here so that the API, should this be its last holder, dies
        // after the host's bookkeeping, not inside it.
        JSAPIPtr api = wrapper->api_.lock();
        NpapiBrowserHostPtr host = wrapper->host_.lock();
        if (api && host) host->releaseObject(api);
      }
    } catch (...) {
      diagnostic("NPJavascriptObject", [] { return "Releasing a wrapped object failed"; });
    }
    delete wrapper;
  }

  static void invalidate(NPObject* object) { self(object)->invalidate(); }

  static bool hasMethodNamed(NPJavascriptObject& wrapper, const std::string& name) {
    if (std::string_view(name) == "toString") return true;
    JSAPIPtr api = wrapper.liveApi();
    if (api->hasCallableMember(name)) return false;
    return api->hasMethodNamed(name);
  }

  static bool hasMethod(NPObject* object, NPIdentifier name) {
    return guarded(object, [&](NPJavascriptObject& wrapper) {
      std::string copy;
      return hasMethodNamed(wrapper, nameOf(wrapper.liveHost(), name, copy));
    });
  }

  static bool hasProperty(NPObject* object, NPIdentifier name) {
    return guarded(object, [&](NPJavascriptObject& wrapper) {
      NpapiBrowserHostPtr host = wrapper.liveHost();
      if (!isString(wrapper, name)) {
        return wrapper.liveApi()->hasPropertyAt(static_cast<std::size_t>(host->IntFromIdentifier(name)));
      }
      std::string copy;
      const std::string& text = nameOf(host, name, copy);
      if (isBuiltIn(text)) return true;
      JSAPIPtr api = wrapper.liveApi();
      if (text != "toString" && api->hasCallableMember(text)) return true;
      if (hasMethodNamed(wrapper, text)) return false;
      return api->hasPropertyNamed(text);
    });
  }

  static bool getProperty(NPObject* object, NPIdentifier name, NPVariant* result) {
    return guarded(object, [&](NPJavascriptObject& wrapper) {
      NpapiBrowserHostPtr host = wrapper.liveHost();
      variant value;
      if (!isString(wrapper, name)) {
        value = wrapper.liveApi()->readPropertyAt(static_cast<std::size_t>(host->IntFromIdentifier(name)));
      } else {
        std::string copy;
        const std::string& text = nameOf(host, name, copy);
        if (std::string_view(text) == "addEventListener") {
          value = wrapper.addEventListenerFunction();
        } else if (std::string_view(text) == "removeEventListener") {
          value = wrapper.removeEventListenerFunction();
        } else if (std::string_view(text) == "getLastException") {
          value = wrapper.getLastExceptionFunction();
        } else {
          JSAPIPtr api = wrapper.liveApi();
          value = api->hasCallableMember(text) ? variant(api->methodObject(text)) : api->readProperty(text);
        }
      }
      toNPVariant(host, value, *result);
      return true;
    });
  }

  static bool setProperty(NPObject* object, NPIdentifier name, const NPVariant* value) {
    return guarded(object, [&](NPJavascriptObject& wrapper) {
      NpapiBrowserHostPtr host = wrapper.liveHost();
      const variant converted = toVariant(host, *value);
      if (!isString(wrapper, name)) {
        wrapper.liveApi()->writePropertyAt(static_cast<std::size_t>(host->IntFromIdentifier(name)), converted);
        return true;
      }
      std::string copy;
      const std::string& text = nameOf(host, name, copy);
      JSAPIPtr api = wrapper.liveApi();
      if (api->hasCallableMember(text)) throw script_error("This property cannot be changed");
      api->writeProperty(text, converted);
      return true;
    });
  }

  static bool removeProperty(NPObject* object, NPIdentifier name) {
    return guarded(object, [&](NPJavascriptObject& wrapper) {
      NpapiBrowserHostPtr host = wrapper.liveHost();
      if (!isString(wrapper, name)) {
        wrapper.liveApi()->deletePropertyAt(static_cast<std::size_t>(host->IntFromIdentifier(name)));
      } else {
        wrapper.liveApi()->deleteProperty(host->StringFromIdentifier(name));
      }
      return true;
    });
  }

  enum class Call { Named, Default, Construct };

  static bool call(NPObject* object, Call kind, NPIdentifier name, const NPVariant* args, uint32_t count,
                   NPVariant* result) {
    clear(result);
    return guarded(object, [&](NPJavascriptObject& wrapper) {
      NpapiBrowserHostPtr host = wrapper.liveHost();
      std::string copy;
      const std::string& method = kind == Call::Named ? nameOf(host, name, copy) : copy;
      const VariantVector list = arguments(host, args, count);
      JSAPIPtr api = wrapper.liveApi();
      const variant value = kind == Call::Construct ? api->constructNew(list) : api->callMethod(method, list);
      toNPVariant(host, value, *result);
      return true;
    });
  }

  static bool invoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t count,
                     NPVariant* result) {
    return call(object, Call::Named, name, args, count, result);
  }

  static bool invokeDefault(NPObject* object, const NPVariant* args, uint32_t count, NPVariant* result) {
    return call(object, Call::Default, nullptr, args, count, result);
  }

  static bool construct(NPObject* object, const NPVariant* args, uint32_t count, NPVariant* result) {
    return call(object, Call::Construct, nullptr, args, count, result);
  }

  static bool enumerate(NPObject* object, NPIdentifier** identifiers, uint32_t* count) {
    *count = 0;
    *identifiers = nullptr;
    return guarded(object, [&](NPJavascriptObject& wrapper) {
      NpapiBrowserHostPtr host = wrapper.liveHost();
      std::vector<std::string> names;
      wrapper.liveApi()->collectMemberNames(names);
      names.insert(names.end(), {"addEventListener", "removeEventListener", "getLastException"});
      auto* list = static_cast<NPIdentifier*>(host->MemAlloc(browserAllocationSize(names.size(), sizeof(NPIdentifier))));
      if (!list) return false;
      for (std::size_t i = 0; i < names.size(); ++i) list[i] = host->GetStringIdentifier(names[i]);
      *identifiers = list;
      *count = static_cast<uint32_t>(names.size());
      return true;
    });
  }
};

NPClass* NPJavascriptObject::npClass() {
  static NPClass record = {NP_CLASS_STRUCT_VERSION, &Ops::allocate,     &Ops::deallocate,    &Ops::invalidate,
                           &Ops::hasMethod,         &Ops::invoke,       &Ops::invokeDefault, &Ops::hasProperty,
                           &Ops::getProperty,       &Ops::setProperty,  &Ops::removeProperty, &Ops::enumerate,
                           &Ops::construct};
  return &record;
}

}  // namespace FB::Npapi
