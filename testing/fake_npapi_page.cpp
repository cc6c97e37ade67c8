// The fake NPAPI browser's page: page objects and their class, the window,
// scripts and timers, and page script acting on objects.
#include <cstring>
#include <stdexcept>
#include <utility>

#include <boost/algorithm/string/replace.hpp>

#include "runtime/browser_host.h"
#include "testing/fake_npapi_browser.h"
#include "testing/fake_npapi_page_object.h"

namespace FB::testing {
namespace {

using PageObject = FakeNpapiBrowser::PageObject;

void setVoid(NPVariant* value) {
  value->type = NPVariantType_Void;
  value->value.objectValue = nullptr;
}

NpValues valuesOf(const NPVariant* args, uint32_t count) {
  NpValues values;
  for (uint32_t i = 0; i < count; ++i) values.push_back(NpValue::fromNPVariant(args[i]));
  return values;
}

// Arguments handed to an object's class: the browser owns them and releases
// them after the call.
class OwnedArguments {
 public:
  explicit OwnedArguments(const NpValues& args) {
    for (const auto& arg : args) values_.push_back(arg.toNPVariant());
  }
  ~OwnedArguments() {
    for (auto& value : values_) FakeNpapiBrowser::current()->releaseVariant(&value);
  }
  OwnedArguments(const OwnedArguments&) = delete;
  OwnedArguments& operator=(const OwnedArguments&) = delete;
  const NPVariant* data() const { return values_.empty() ? nullptr : values_.data(); }
  uint32_t count() const { return static_cast<uint32_t>(values_.size()); }

 private:
  std::vector<NPVariant> values_;
};

// Takes a result from an object's class and releases the browser's copy.
NpValue takeResult(NPVariant& result) {
  NpValue value = NpValue::fromNPVariant(result);
  FakeNpapiBrowser::current()->releaseVariant(&result);
  return value;
}

std::string nameOf(NPIdentifier identifier) { return FakeNpapiBrowser::identifierName(identifier); }

bool isCallable(const NpValue& value) {
  if (!value.isObject()) return false;
  if (PageObject* page = PageObject::from(value.objectValue())) return page->kind == PageObject::Kind::Function;
  return value.objectValue()->_class->invokeDefault != nullptr;
}

int32_t lengthOf(PageObject* array) {
  auto found = array->properties.find("length");
  return found == array->properties.end() ? 0 : found->second.intValue();
}

void noteIndex(PageObject* page, const std::string& name) {
  if (page->kind != PageObject::Kind::Array || name.empty() || name.find_first_not_of("0123456789") != std::string::npos) {
    return;
  }
  const int32_t index = std::stoi(name);
  if (index >= lengthOf(page)) page->properties["length"] = NpValue(index + 1);
}

// The page class: what script objects of the page do when the plug-in (or
// the test, as page script) uses them.
struct PageClass {
  static NPObject* allocate(NPP, NPClass*) {
    auto* page = new PageObject();
    page->browser = FakeNpapiBrowser::current();
    return page;
  }
  static void deallocate(NPObject* object) { delete static_cast<PageObject*>(object); }
  static void invalidate(NPObject*) {}

  static bool hasMethod(NPObject* object, NPIdentifier name) {
    PageObject* page = PageObject::from(object);
    const std::string text = nameOf(name);
    if (page->kind == PageObject::Kind::Array && text == "push") return true;
    auto found = page->properties.find(text);
    return found != page->properties.end() && isCallable(found->second);
  }

  static bool invoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t count,
                     NPVariant* result) {
    setVoid(result);
    PageObject* page = PageObject::from(object);
    const std::string text = nameOf(name);
    if (page->kind == PageObject::Kind::Array && text == "push") {
      for (uint32_t i = 0; i < count; ++i) {
        page->properties[std::to_string(lengthOf(page))] = NpValue::fromNPVariant(args[i]);
        page->properties["length"] = NpValue(lengthOf(page) + 1);
      }
      result->type = NPVariantType_Int32;
      result->value.intValue = lengthOf(page);
      return true;
    }
    auto found = page->properties.find(text);
    if (found == page->properties.end() || !isCallable(found->second)) return false;
    NpValue target = found->second;  // the call may replace the property
    NPObject* callee = target.objectValue();
    return callee->_class->invokeDefault(callee, args, count, result);
  }

  static bool invokeDefault(NPObject* object, const NPVariant* args, uint32_t count, NPVariant* result) {
    setVoid(result);
    PageObject* page = PageObject::from(object);
    if (page->kind != PageObject::Kind::Function || !page->function) return false;
    try {
      FakeNpapiBrowser::Function function = page->function;
      *result = function(valuesOf(args, count)).toNPVariant();
      return true;
    } catch (...) {
      return false;
    }
  }

  static bool hasProperty(NPObject* object, NPIdentifier name) {
    return PageObject::from(object)->properties.count(nameOf(name)) != 0;
  }

  static bool getProperty(NPObject* object, NPIdentifier name, NPVariant* result) {
    setVoid(result);
    PageObject* page = PageObject::from(object);
    auto found = page->properties.find(nameOf(name));
    if (found == page->properties.end()) return !page->browser->missingPropertiesFail();
    *result = found->second.toNPVariant();
    return true;
  }

  static bool setProperty(NPObject* object, NPIdentifier name, const NPVariant* value) {
    PageObject* page = PageObject::from(object);
    const std::string text = nameOf(name);
    NpValue old = NpValue::fromNPVariant(*value);
    std::swap(page->properties[text], old);  // the old value goes after the map is consistent
    noteIndex(page, text);
    return true;
  }

  static bool removeProperty(NPObject* object, NPIdentifier name) {
    PageObject* page = PageObject::from(object);
    auto found = page->properties.find(nameOf(name));
    if (found == page->properties.end()) return true;
    NpValue old = std::move(found->second);
    page->properties.erase(found);
    return true;
  }

  static bool enumerate(NPObject* object, NPIdentifier** identifiers, uint32_t* count) {
    PageObject* page = PageObject::from(object);
    auto* list = static_cast<NPIdentifier*>(
        page->browser->alloc(static_cast<uint32_t>(page->properties.size() * sizeof(NPIdentifier))));
    uint32_t i = 0;
    for (const auto& entry : page->properties) list[i++] = page->browser->stringIdentifier(entry.first);
    *identifiers = list;
    *count = i;
    return true;
  }

  static bool construct(NPObject* object, const NPVariant* args, uint32_t count, NPVariant* result) {
    return invokeDefault(object, args, count, result);
  }
};

}  // namespace

NPClass* FakeNpapiBrowser::PageObject::pageClass() {
  static NPClass record = {NP_CLASS_STRUCT_VERSION, &PageClass::allocate,     &PageClass::deallocate,
                           &PageClass::invalidate,  &PageClass::hasMethod,    &PageClass::invoke,
                           &PageClass::invokeDefault, &PageClass::hasProperty, &PageClass::getProperty,
                           &PageClass::setProperty, &PageClass::removeProperty, &PageClass::enumerate,
                           &PageClass::construct};
  return &record;
}

// The page --------------------------------------------------------------------

FakeNpapiBrowser::PageObject* FakeNpapiBrowser::newPageObject() {
  return static_cast<PageObject*>(createObject(instance(), PageObject::pageClass()));
}

NpValue FakeNpapiBrowser::newObject() { return NpValue::adopt(newPageObject()); }

NpValue FakeNpapiBrowser::newArray(const NpValues& items) {
  PageObject* array = newPageObject();
  array->kind = PageObject::Kind::Array;
  array->properties["length"] = NpValue(0);
  for (const auto& item : items) {
    array->properties[std::to_string(lengthOf(array))] = item;
    array->properties["length"] = NpValue(lengthOf(array) + 1);
  }
  return NpValue::adopt(array);
}

NpValue FakeNpapiBrowser::newFunction(Function function) {
  PageObject* page = newPageObject();
  page->kind = PageObject::Kind::Function;
  page->function = std::move(function);
  return NpValue::adopt(page);
}

void FakeNpapiBrowser::buildPage() {
  window_ = newPageObject();
  document_ = newPageObject();
  element_ = newPageObject();
  auto* window = PageObject::from(window_);
  NpValue console = newObject();
  PageObject::from(console.objectValue())->properties["log"] = newFunction([this](const NpValues& args) {
    std::string line;
    if (!args.empty()) {
      const NpValue& first = args[0];
      if (first.type() == NPVariantType_String) line = first.stringValue();
      if (first.type() == NPVariantType_Int32) line = std::to_string(first.intValue());
    }
    std::lock_guard<std::mutex> lock(mutex_);
    consoleLines_.push_back(line);
    return NpValue();
  });
  window->properties["console"] = console;
  NpValue location = newObject();
  PageObject::from(location.objectValue())->properties["href"] = NpValue(pageUrl_);
  window->properties["location"] = location;
  window->properties["document"] = NpValue::object(document_);
  PageObject::from(document_)->properties["location"] = location;
  window->properties["Array"] = newFunction([this](const NpValues&) { return newArray(); });
  window->properties["Object"] = newFunction([this](const NpValues&) { return newObject(); });
}

// Page objects hold each other; empty them all first, then free what is left
// (objects the plug-in never released).
void FakeNpapiBrowser::dropPage() {
  std::vector<NPObject*> objects;
  {
    std::lock_guard<std::mutex> lock(objectsMutex_);
    objects.assign(liveObjects_.begin(), liveObjects_.end());
  }
  // What the page objects hold is let go only after the walk: releasing it
  // can free other objects of the walk (a plug-in object held by a page
  // function, say).
  std::vector<std::map<std::string, NpValue>> contents;
  std::vector<Function> functions;
  std::vector<Timer> timers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    timers.swap(timers_);
  }
  for (NPObject* object : objects) {
    if (PageObject* page = PageObject::from(object)) {
      contents.push_back(std::move(page->properties));
      page->properties.clear();
      functions.push_back(std::exchange(page->function, nullptr));
    }
  }
  contents.clear();
  functions.clear();
  timers.clear();
  for (NPObject* object : {window_, document_, element_}) release(object);
  window_ = document_ = element_ = nullptr;
  {
    std::lock_guard<std::mutex> lock(objectsMutex_);
    for (auto it = liveObjects_.begin(); it != liveObjects_.end();) {
    if (PageObject* page = PageObject::from(*it)) {
      delete page;
      it = liveObjects_.erase(it);
    } else {
      ++it;
    }
  }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  for (void* pointer : allocations_) std::free(pointer);
  allocations_.clear();
}

// The delayed-call helper is recognised by its exact text, for any key.
bool FakeNpapiBrowser::evaluateScript(const std::string& script) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    scripts_.push_back(script);
  }
  if (evaluateFails_) return false;
  const std::string prefix = "window.__FB_CALL_";
  if (script.rfind(prefix, 0) == 0) {
    const std::string key = script.substr(prefix.size(), script.find(' ') - prefix.size());
    const std::string expected =
        boost::algorithm::replace_all_copy(std::string(BrowserHost::kScriptHelperTemplate), "%1%", key);
    if (script == expected) {
      PageObject::from(window_)->properties["__FB_CALL_" + key] =
          newFunction([this](const NpValues& args) { return addTimer(args); });
    }
  }
  return true;
}

NpValue FakeNpapiBrowser::addTimer(const NpValues& args) {
  if (args.size() != 3 && args.size() != 4) throw std::invalid_argument("helper takes 3 or 4 arguments");
  Timer timer{0, args[0].type() == NPVariantType_Double ? static_cast<int>(args[0].doubleValue()) : args[0].intValue(),
              args[1], args[2].isObject() ? arrayItems(args[2].objectValue()) : NpValues(),
              args.size() == 4 ? args[3].stringValue() : std::string()};
  std::lock_guard<std::mutex> lock(mutex_);
  timer.id = nextTimerId_++;
  timers_.push_back(timer);
  return NpValue(timer.id);
}

std::vector<FakeNpapiBrowser::Timer> FakeNpapiBrowser::pendingTimers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timers_;
}

std::size_t FakeNpapiBrowser::runTimers() {
  std::vector<Timer> due;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    due.swap(timers_);
  }
  for (const auto& timer : due) {
    if (!timer.function.isObject()) continue;
    NpValue ignored;
    if (timer.methodName.empty()) {
      invokeDefault(timer.function.objectValue(), timer.args, ignored);
    } else {
      invoke(timer.function.objectValue(), timer.methodName, timer.args, ignored);
    }
  }
  return due.size();
}

NpValues FakeNpapiBrowser::arrayItems(NPObject* array) {
  NpValues items;
  NpValue length;
  if (!get(array, "length", length)) return items;
  const int32_t count = length.type() == NPVariantType_Double ? static_cast<int32_t>(length.doubleValue())
                                                              : length.intValue();
  for (int32_t i = 0; i < count; ++i) {
    NpValue item;
    getAt(array, i, item);
    items.push_back(item);
  }
  return items;
}

// Page script --------------------------------------------------------------

// These go to the object's class directly, as the browser's own script
// engine does, so they work whatever entries a test removed from the table.
bool FakeNpapiBrowser::hasMethod(NPObject* object, const std::string& name) {
  return object->_class->hasMethod && object->_class->hasMethod(object, stringIdentifier(name));
}

bool FakeNpapiBrowser::hasProperty(NPObject* object, const std::string& name) {
  return object->_class->hasProperty && object->_class->hasProperty(object, stringIdentifier(name));
}

bool FakeNpapiBrowser::hasPropertyAt(NPObject* object, int32_t index) {
  return object->_class->hasProperty && object->_class->hasProperty(object, intIdentifier(index));
}

bool FakeNpapiBrowser::get(NPObject* object, const std::string& name, NpValue& result) {
  NPVariant out;
  setVoid(&out);
  const bool ok = object->_class->getProperty && object->_class->getProperty(object, stringIdentifier(name), &out);
  result = takeResult(out);
  return ok;
}

bool FakeNpapiBrowser::getAt(NPObject* object, int32_t index, NpValue& result) {
  NPVariant out;
  setVoid(&out);
  const bool ok = object->_class->getProperty && object->_class->getProperty(object, intIdentifier(index), &out);
  result = takeResult(out);
  return ok;
}

bool FakeNpapiBrowser::set(NPObject* object, const std::string& name, const NpValue& value) {
  OwnedArguments arg({value});
  return object->_class->setProperty && object->_class->setProperty(object, stringIdentifier(name), arg.data());
}

bool FakeNpapiBrowser::setAt(NPObject* object, int32_t index, const NpValue& value) {
  OwnedArguments arg({value});
  return object->_class->setProperty && object->_class->setProperty(object, intIdentifier(index), arg.data());
}

bool FakeNpapiBrowser::remove(NPObject* object, const std::string& name) {
  return object->_class->removeProperty && object->_class->removeProperty(object, stringIdentifier(name));
}

bool FakeNpapiBrowser::invoke(NPObject* object, const std::string& name, const NpValues& args, NpValue& result) {
  OwnedArguments owned(args);
  NPVariant out;
  setVoid(&out);
  const bool ok = object->_class->invoke &&
                  object->_class->invoke(object, stringIdentifier(name), owned.data(), owned.count(), &out);
  result = takeResult(out);
  return ok;
}

bool FakeNpapiBrowser::invokeDefault(NPObject* object, const NpValues& args, NpValue& result) {
  OwnedArguments owned(args);
  NPVariant out;
  setVoid(&out);
  const bool ok =
      object->_class->invokeDefault && object->_class->invokeDefault(object, owned.data(), owned.count(), &out);
  result = takeResult(out);
  return ok;
}

bool FakeNpapiBrowser::construct(NPObject* object, const NpValues& args, NpValue& result) {
  OwnedArguments owned(args);
  NPVariant out;
  setVoid(&out);
  const bool ok = object->_class->structVersion >= 3 && object->_class->construct &&
                  object->_class->construct(object, owned.data(), owned.count(), &out);
  result = takeResult(out);
  return ok;
}

bool FakeNpapiBrowser::enumerate(NPObject* object, std::vector<std::string>& names) {
  NPIdentifier* identifiers = nullptr;
  uint32_t count = 0;
  if (object->_class->structVersion < 2 || !object->_class->enumerate ||
      !object->_class->enumerate(object, &identifiers, &count)) {
    return false;
  }
  for (uint32_t i = 0; i < count; ++i) names.push_back(identifierName(identifiers[i]));
  free(identifiers);
  return true;
}

NpValue FakeNpapiBrowser::get(NPObject* object, const std::string& name) {
  NpValue result;
  get(object, name, result);
  return result;
}

NpValue FakeNpapiBrowser::call(NPObject* object, const std::string& name, const NpValues& args) {
  NpValue result;
  invoke(object, name, args, result);
  return result;
}

}  // namespace FB::testing
