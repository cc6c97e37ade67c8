#include "npapi/np_object_api.h"

#include "npapi/np_javascript_object.h"
#include "npapi/np_variant_conversion.h"
#include "npapi/npapi_browser_host.h"
#include "scripting/script_error.h"

namespace FB::Npapi {
namespace {

// A browser value that is released when it goes out of scope.
class ScopedNPVariant {
 public:
  explicit ScopedNPVariant(const NpapiBrowserHostPtr& host) : host_(host) {
    value.type = NPVariantType_Void;
    value.value.objectValue = nullptr;
  }
  ~ScopedNPVariant() { host_->ReleaseVariantValue(&value); }
  ScopedNPVariant(const ScopedNPVariant&) = delete;
  ScopedNPVariant& operator=(const ScopedNPVariant&) = delete;

  NPVariant value;

 private:
  NpapiBrowserHostPtr host_;
};

// Argument values for the browser, released after the call.
class ScopedArguments {
 public:
  ScopedArguments(const NpapiBrowserHostPtr& host, const VariantVector& args) : host_(host), values_(args.size()) {
    for (auto& value : values_) {
      value.type = NPVariantType_Void;
      value.value.objectValue = nullptr;
    }
    try {
      for (std::size_t i = 0; i < args.size(); ++i) host_->toNPVariant(args[i], values_[i]);
    } catch (...) {
      release();
      throw;
    }
  }
  ~ScopedArguments() { release(); }
  ScopedArguments(const ScopedArguments&) = delete;
  ScopedArguments& operator=(const ScopedArguments&) = delete;

  const NPVariant* data() const { return values_.empty() ? nullptr : values_.data(); }
  uint32_t count() const { return static_cast<uint32_t>(values_.size()); }

 private:
  void release() {
    for (auto& value : values_) host_->ReleaseVariantValue(&value);
  }

  NpapiBrowserHostPtr host_;
  std::vector<NPVariant> values_;
};

}  // namespace

NPObjectAPI::NPObjectAPI(NPObject* object, const NpapiBrowserHostPtr& host)
    : JSObject(host), host_(host), object_(object) {
  host->RetainObject(object_);
  if (NPJavascriptObject::isWrapper(object_)) {
    isPluginObject_ = true;
    wrapped_ = NPJavascriptObject::fromNPObject(object_)->api();
  }
}

NPObjectAPI::~NPObjectAPI() {
  if (NpapiBrowserHostPtr host = liveHost()) host->releaseLater(object_);
}

std::uintptr_t NPObjectAPI::eventContext() const {
  NpapiBrowserHostPtr host = liveHost();
  return host ? host->contextId() : 0;
}

bool NPObjectAPI::isValidObject() const {
  NpapiBrowserHostPtr host = liveHost();
  return host && !host->isShutDown();
}

JSAPIPtr NPObjectAPI::directTarget() const { return isPluginObject_ ? wrapped_.lock() : nullptr; }

bool NPObjectAPI::hasMethodNamed(const std::string& name) const {
  NpapiBrowserHostPtr host = liveHost();
  if (!host) return false;
  if (!host->isMainThread()) return host->callOnMainThread([&] { return hasMethodNamed(name); });
  if (isPluginObject_) {
    JSAPIPtr api = directTarget();
    return api && api->hasMethodNamed(name);
  }
  return host->HasMethod(object_, host->GetStringIdentifier(name));
}

bool NPObjectAPI::hasPropertyNamed(const std::string& name) const {
  NpapiBrowserHostPtr host = liveHost();
  if (!host) return false;
  if (!host->isMainThread()) return host->callOnMainThread([&] { return hasPropertyNamed(name); });
  if (isPluginObject_) {
    JSAPIPtr api = directTarget();
    return api && api->hasPropertyNamed(name);
  }
  return host->HasProperty(object_, host->GetStringIdentifier(name));
}

// Never changes thread: a browser call from here is only safe on the main
// thread, so other threads get false.
bool NPObjectAPI::hasPropertyAt(std::size_t index) const {
  NpapiBrowserHostPtr host = liveHost();
  if (!host || !host->isMainThread()) return false;
  if (isPluginObject_) {
    JSAPIPtr api = directTarget();
    return api && api->hasPropertyAt(index);
  }
  return host->HasProperty(object_, host->GetIntIdentifier(static_cast<int32_t>(index)));
}

variant NPObjectAPI::readProperty(const std::string& name) {
  NpapiBrowserHostPtr host = liveHost();
  if (!host) return variant();
  if (!host->isMainThread()) return host->callOnMainThread([&] { return readProperty(name); });
  if (isPluginObject_) {
    JSAPIPtr api = directTarget();
    return api ? api->readProperty(name) : variant();
  }
  ScopedNPVariant result(host);
  if (!host->GetProperty(object_, host->GetStringIdentifier(name), &result.value)) throw script_error(name);
  return host->toVariant(result.value);
}

variant NPObjectAPI::readPropertyAt(std::size_t index) {
  NpapiBrowserHostPtr host = liveHost();
  if (!host) return variant();
  if (isPluginObject_ && host->isMainThread()) {
    JSAPIPtr api = directTarget();
    return api ? api->readPropertyAt(index) : variant();
  }
  return readProperty(std::to_string(index));
}

void NPObjectAPI::writeProperty(const std::string& name, const variant& value) {
  NpapiBrowserHostPtr host = liveHost();
  if (!host) return;
  if (!host->isMainThread()) return host->callOnMainThread([&] { writeProperty(name, value); });
  if (isPluginObject_) {
    if (JSAPIPtr api = directTarget()) api->writeProperty(name, value);
    return;
  }
  ScopedArguments converted(host, VariantVector{value});
  if (!host->SetProperty(object_, host->GetStringIdentifier(name), converted.data())) throw script_error(name);
}

void NPObjectAPI::writePropertyAt(std::size_t index, const variant& value) {
  NpapiBrowserHostPtr host = liveHost();
  if (!host) return;
  if (!host->isMainThread()) return host->callOnMainThread([&] { writePropertyAt(index, value); });
  if (isPluginObject_) {
    if (JSAPIPtr api = directTarget()) api->writePropertyAt(index, value);
    return;
  }
  ScopedArguments converted(host, VariantVector{value});
  if (!host->SetProperty(object_, host->GetIntIdentifier(static_cast<int32_t>(index)), converted.data())) {
    throw script_error(std::to_string(index));
  }
}

void NPObjectAPI::deleteProperty(const std::string& name) {
  NpapiBrowserHostPtr host = liveHost();
  if (!host) return;
  if (!host->isMainThread()) return host->callOnMainThread([&] { deleteProperty(name); });
  if (isPluginObject_) {
    if (JSAPIPtr api = directTarget()) api->deleteProperty(name);
    return;
  }
  if (!host->RemoveProperty(object_, host->GetStringIdentifier(name))) throw script_error(name);
}

void NPObjectAPI::deletePropertyAt(std::size_t index) {
  NpapiBrowserHostPtr host = liveHost();
  if (!host) return;
  if (!host->isMainThread()) return host->callOnMainThread([&] { deletePropertyAt(index); });
  if (isPluginObject_) {
    if (JSAPIPtr api = directTarget()) api->deletePropertyAt(index);
    return;
  }
  if (!host->RemoveProperty(object_, host->GetIntIdentifier(static_cast<int32_t>(index)))) {
    throw script_error(std::to_string(index));
  }
}

variant NPObjectAPI::callMethod(const std::string& name, const VariantVector& args) {
  NpapiBrowserHostPtr host = liveHost();
  if (!host) return variant();
  if (!host->isMainThread()) return host->callOnMainThread([&] { return callMethod(name, args); });
  if (isPluginObject_) {
    JSAPIPtr api = directTarget();
    return api ? api->callMethod(name, args) : variant();
  }
  ScopedArguments converted(host, args);
  ScopedNPVariant result(host);
  const bool ok = name.empty()
                      ? host->InvokeDefault(object_, converted.data(), converted.count(), &result.value)
                      : host->Invoke(object_, host->GetStringIdentifier(name), converted.data(), converted.count(),
                                     &result.value);
  if (!ok) throw script_error(name);
  return host->toVariant(result.value);
}

variant NPObjectAPI::constructNew(const VariantVector& args) {
  NpapiBrowserHostPtr host = liveHost();
  if (!host) return variant();
  if (!host->isMainThread()) return host->callOnMainThread([&] { return constructNew(args); });
  if (isPluginObject_) {
    JSAPIPtr api = directTarget();
    return api ? api->constructNew(args) : variant();
  }
  ScopedArguments converted(host, args);
  ScopedNPVariant result(host);
  if (!host->Construct(object_, converted.data(), converted.count(), &result.value)) {
    throw script_error("constructor");
  }
  return host->toVariant(result.value);
}

void NPObjectAPI::collectMemberNames(std::vector<std::string>& names) const {
  // The list is replaced, so a failed or impossible enumeration leaves it empty.
  names.clear();
  NpapiBrowserHostPtr host = liveHost();
  if (!host) return;
  if (!host->isMainThread()) return host->callOnMainThread([&] { collectMemberNames(names); });
  if (isPluginObject_) {
    if (JSAPIPtr api = directTarget()) api->collectMemberNames(names);
    return;
  }
  NPIdentifier* identifiers = nullptr;
  uint32_t count = 0;
  if (!host->Enumerate(object_, &identifiers, &count)) return;
  for (uint32_t i = 0; i < count; ++i) names.push_back(host->StringFromIdentifier(identifiers[i]));
  host->MemFree(identifiers);
}

std::size_t NPObjectAPI::memberCount() const {
  std::vector<std::string> names;
  collectMemberNames(names);
  return names.size();
}

void NPObjectAPI::callHandlersBatch(const std::string& eventName, const VariantVector& args,
                                    const std::vector<JSObjectPtr>& handlers, const std::vector<JSObjectPtr>& sinks) {
  NpapiBrowserHostPtr host = liveHost();
  if (!host) throw script_error("Error calling handlers");
  if (!host->isMainThread()) {
    auto self = std::static_pointer_cast<NPObjectAPI>(shared_from_this());
    host->scheduleOnMainThread(self, [self, eventName, args, handlers, sinks] {
      if (NpapiBrowserHostPtr live = self->liveHost()) self->deliverHandlers(live, eventName, args, handlers, sinks);
    });
    return;
  }
  deliverHandlers(host, eventName, args, handlers, sinks);
}

// Handlers and sinks that are the plug-in's own objects are called at once;
// page handlers run from a zero-delay page timer, after the current call
// returns. Sinks receive the event as a call of their member `eventName`.
void NPObjectAPI::deliverHandlers(const NpapiBrowserHostPtr& host, const std::string& eventName,
                                  const VariantVector& args, const std::vector<JSObjectPtr>& handlers,
                                  const std::vector<JSObjectPtr>& sinks) {
  JSObjectPtr helper;
  JSObjectPtr argumentArray;
  auto pageHelper = [&]() {
    if (helper) return helper;
    try {
      JSObjectPtr window = host->windowObject();
      const auto identity = reinterpret_cast<std::uintptr_t>(static_cast<BrowserHost*>(host.get()));
      if (host->helperName().empty()) host->initScriptHelper(identity);
      helper = window->readProperty(host->helperName()).convertTo<JSObjectPtr>();
      if (!helper) {
        host->initScriptHelper(identity);
        helper = window->readProperty(host->helperName()).convertTo<JSObjectPtr>();
      }
      if (helper) {
        argumentArray = window->callMethod("Array", VariantVector{}).convertTo<JSObjectPtr>();
        for (const auto& arg : args) argumentArray->callMethod("push", VariantVector{arg});
      }
    } catch (const std::exception&) {
      helper.reset();
    }
    if (!helper || !argumentArray) throw script_error("Error calling handlers (delegate disappeared)");
    return helper;
  };
  for (const auto& handler : handlers) {
    if (!handler) continue;
    if (JSAPIPtr inner = handler->wrappedObject()) {
      inner->callMethod("", args);
    } else {
      JSObjectPtr call = pageHelper();
      call->callMethod("", VariantVector{0, handler, argumentArray});
    }
  }
  for (const auto& sink : sinks) {
    if (!sink) continue;
    if (JSAPIPtr inner = sink->wrappedObject()) {
      inner->callMethod(eventName, args);
    } else {
      JSObjectPtr call = pageHelper();
      call->callMethod("", VariantVector{0, sink, argumentArray, eventName});
    }
  }
}

}  // namespace FB::Npapi
