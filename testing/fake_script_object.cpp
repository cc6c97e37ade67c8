#include "testing/fake_script_object.h"

#include "runtime/browser_host.h"
#include "scripting/script_error.h"

namespace FB::testing {

using Lock = std::lock_guard<std::recursive_mutex>;

FakeScriptObject::FakeScriptObject(const BrowserHostPtr& host, Function function)
    : JSObject(host), function_(std::move(function)), hadHost_(host != nullptr) {}

std::shared_ptr<FakeScriptObject> FakeScriptObject::object(const BrowserHostPtr& host) {
  return std::make_shared<FakeScriptObject>(host);
}

std::shared_ptr<FakeScriptObject> FakeScriptObject::function(Function function, const BrowserHostPtr& host) {
  return std::make_shared<FakeScriptObject>(host, std::move(function));
}

std::shared_ptr<FakeScriptObject> FakeScriptObject::array(const VariantVector& items, const BrowserHostPtr& host) {
  auto list = object(host);
  list->set("length", static_cast<int>(items.size()));
  for (std::size_t i = 0; i < items.size(); ++i) list->set(std::to_string(i), items[i]);
  return list;
}

void FakeScriptObject::set(const std::string& name, const variant& value) {
  Lock lock(mutex_);
  properties_[name] = value;
}

variant FakeScriptObject::get(const std::string& name) const {
  Lock lock(mutex_);
  auto found = properties_.find(name);
  return found == properties_.end() ? variant() : found->second;
}

bool FakeScriptObject::has(const std::string& name) const {
  Lock lock(mutex_);
  return properties_.count(name) != 0;
}

void FakeScriptObject::remove(const std::string& name) {
  Lock lock(mutex_);
  properties_.erase(name);
}

std::shared_ptr<FakeScriptObject> FakeScriptObject::setFunction(const std::string& name, Function function) {
  auto object = FakeScriptObject::function(std::move(function), host());
  set(name, JSObjectPtr(object));
  return object;
}

std::vector<FakeScriptObject::Call> FakeScriptObject::calls() const {
  Lock lock(mutex_);
  return calls_;
}

std::vector<FakeScriptObject::BatchCall> FakeScriptObject::batchCalls() const {
  Lock lock(mutex_);
  return batchCalls_;
}

void FakeScriptObject::setWrappedObject(const JSAPIPtr& object) {
  Lock lock(mutex_);
  wrapped_ = object;
}

void FakeScriptObject::throwIfFailing() const {
  if (!failure_.empty()) throw script_error(failure_);
}

void FakeScriptObject::collectMemberNames(std::vector<std::string>& names) const {
  Lock lock(mutex_);
  throwIfFailing();
  names.clear();
  for (const auto& entry : properties_) names.push_back(entry.first);
}

std::size_t FakeScriptObject::memberCount() const {
  Lock lock(mutex_);
  return properties_.size();
}

bool FakeScriptObject::hasMethodNamed(const std::string& name) const {
  Lock lock(mutex_);
  auto found = properties_.find(name);
  if (found == properties_.end() || !found->second.holds<JSObjectPtr>()) return false;
  auto object = std::dynamic_pointer_cast<FakeScriptObject>(found->second.get<JSObjectPtr>());
  return object && object->isCallable();
}

bool FakeScriptObject::hasPropertyAt(std::size_t index) const { return has(std::to_string(index)); }

bool FakeScriptObject::hasPropertyNamed(const std::string& name) const { return has(name); }

variant FakeScriptObject::readPropertyAt(std::size_t index) { return readProperty(std::to_string(index)); }

variant FakeScriptObject::readProperty(const std::string& name) {
  Lock lock(mutex_);
  throwIfFailing();
  return get(name);
}

void FakeScriptObject::writePropertyAt(std::size_t index, const variant& value) {
  writeProperty(std::to_string(index), value);
}

void FakeScriptObject::writeProperty(const std::string& name, const variant& value) {
  Lock lock(mutex_);
  throwIfFailing();
  properties_[name] = value;
}

void FakeScriptObject::deletePropertyAt(std::size_t index) { deleteProperty(std::to_string(index)); }

void FakeScriptObject::deleteProperty(const std::string& name) {
  Lock lock(mutex_);
  throwIfFailing();
  properties_.erase(name);
}

namespace {

// The arguments as recorded: plug-in objects (also inside lists and maps)
// are kept weakly. A page object does not keep what it was called with; a
// recording that did would keep an object alive through its own handler
// (object -> handler table -> handler -> recorded event -> target -> object).
variant recorded(const variant& value) {
  if (value.holds<JSAPIPtr>()) return JSAPIWeakPtr(value.get<JSAPIPtr>());
  if (value.holds<VariantVector>()) {
    VariantVector items;
    for (const auto& item : value.get<VariantVector>()) items.push_back(recorded(item));
    return items;
  }
  if (value.holds<VariantStringMap>()) {
    VariantStringMap entries;
    for (const auto& [key, item] : value.get<VariantStringMap>()) entries.emplace(key, recorded(item));
    return entries;
  }
  return value;
}

VariantVector recorded(const VariantVector& args) {
  VariantVector items;
  for (const auto& item : args) items.push_back(recorded(item));
  return items;
}

}  // namespace

variant FakeScriptObject::callMethod(const std::string& name, const VariantVector& args) {
  Function function;
  {
    Lock lock(mutex_);
    throwIfFailing();
    calls_.push_back(Call{name, recorded(args)});
    if (name.empty()) {
      function = function_;
      if (!function) throw script_error("object is not a function");
    } else {
      auto found = properties_.find(name);
      auto member = found == properties_.end() || !found->second.holds<JSObjectPtr>()
                        ? nullptr
                        : std::dynamic_pointer_cast<FakeScriptObject>(found->second.get<JSObjectPtr>());
      if (!member || !member->isCallable()) throw script_error(name + " is not a function");
      return member->callMethod("", args);
    }
  }
  return function(args);  // outside the lock: the function may call back in
}

variant FakeScriptObject::constructNew(const VariantVector&) { throw script_error("not a constructor"); }

std::uintptr_t FakeScriptObject::eventContext() const {
  BrowserHostPtr owner = host();
  return owner ? owner->contextId() : 0;
}

void FakeScriptObject::callHandlersBatch(const std::string& eventName, const VariantVector& args,
                                         const std::vector<JSObjectPtr>& handlers,
                                         const std::vector<JSObjectPtr>& sinks) {
  Lock lock(mutex_);
  // The handlers include this object itself: kept weakly, as above.
  batchCalls_.push_back(BatchCall{eventName, recorded(args), {handlers.begin(), handlers.end()}, {sinks.begin(), sinks.end()}});
}

bool FakeScriptObject::isValidObject() const { return !hadHost_ || host() != nullptr; }

JSAPIPtr FakeScriptObject::wrappedObject() const {
  Lock lock(mutex_);
  return wrapped_.lock();
}

}  // namespace FB::testing
