// The event half of FB::JSAPIImpl: handler and sink tables, delivery,
// proxies and DOM-style event objects.
#include <algorithm>
#include <set>

#include "scripting/js_object.h"
#include "scripting/jsapi_impl.h"
#include "scripting/script_error.h"
#include "scripting/text_conversion.h"

namespace FB {
namespace {

// A copy of `value` in which every reference to `from` refers to `to`
// instead, also inside lists and maps.
variant replaceObject(const variant& value, const JSAPIPtr& from, const JSAPIPtr& to) {
  if (value.holds<JSAPIPtr>()) return value.get<JSAPIPtr>() == from ? variant(to) : value;
  if (value.holds<VariantVector>()) {
    VariantVector copy;
    for (const auto& item : value.get<VariantVector>()) copy.push_back(replaceObject(item, from, to));
    return copy;
  }
  if (value.holds<VariantStringMap>()) {
    VariantStringMap copy;
    for (const auto& [key, item] : value.get<VariantStringMap>()) copy.emplace(key, replaceObject(item, from, to));
    return copy;
  }
  return value;
}

VariantVector replaceObject(const VariantVector& args, const JSAPIPtr& from, const JSAPIPtr& to) {
  return replaceObject(variant(args), from, to).get<VariantVector>();
}

VariantStringMap replaceObject(const VariantStringMap& members, const JSAPIPtr& from, const JSAPIPtr& to) {
  return replaceObject(variant(members), from, to).get<VariantStringMap>();
}

}  // namespace

void JSAPIImpl::addEventHandler(const std::string& name, const JSObjectPtr& handler) {
  if (!handler) throw invalid_arguments();
  const std::uintptr_t context = handler->eventContext();
  const std::uintptr_t id = handler->eventId();
  std::lock_guard<std::mutex> lock(eventLock_);
  HandlerMap& handlers = handlerTable_[context];
  auto range = handlers.equal_range(name);
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second->eventId() == id) return;
  }
  handlers.emplace(name, handler);
}

void JSAPIImpl::removeEventHandler(const std::string& name, const JSObjectPtr& handler) {
  if (!handler) throw invalid_arguments();
  const std::uintptr_t context = handler->eventContext();
  const std::uintptr_t id = handler->eventId();
  std::lock_guard<std::mutex> lock(eventLock_);
  auto table = handlerTable_.find(context);
  if (table == handlerTable_.end()) return;
  auto range = table->second.equal_range(name);
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second->eventId() == id) {
      table->second.erase(it);
      return;
    }
  }
}

void JSAPIImpl::addEventSink(const JSObjectPtr& sink) {
  if (!sink) throw invalid_arguments();
  const std::uintptr_t context = sink->eventContext();
  const std::uintptr_t id = sink->eventId();
  std::lock_guard<std::mutex> lock(eventLock_);
  sinkTable_[context][id] = sink;
}

void JSAPIImpl::removeEventSink(const JSObjectPtr& sink) {
  if (!sink) throw invalid_arguments();
  const std::uintptr_t context = sink->eventContext();
  const std::uintptr_t id = sink->eventId();
  std::lock_guard<std::mutex> lock(eventLock_);
  auto table = sinkTable_.find(context);
  if (table != sinkTable_.end()) table->second.erase(id);
}

void JSAPIImpl::deliverEvent(const std::string& name, const VariantVector& args) {
  std::map<std::uintptr_t, HandlerMap> handlerTable;
  std::map<std::uintptr_t, SinkMap> sinkTable;
  {
    std::lock_guard<std::mutex> lock(eventLock_);
    handlerTable = handlerTable_;
    sinkTable = sinkTable_;
  }
  auto sinksOf = [&](std::uintptr_t context) {
    std::vector<JSObjectPtr> sinks;
    auto table = sinkTable.find(context);
    if (table != sinkTable.end()) {
      for (const auto& entry : table->second) sinks.push_back(entry.second);
    }
    return sinks;
  };

  // A batch-capable handler takes the whole context (its handlers and sinks)
  // in one trip to the page, unless a handler of the context was already
  // called on its own.
  std::set<std::uintptr_t> delivered;
  for (const auto& [context, handlers] : handlerTable) {
    auto range = handlers.equal_range(name);
    bool calledSingly = false;
    for (auto it = range.first; it != range.second; ++it) {
      const JSObjectPtr& handler = it->second;
      if (!handler->isValidObject()) continue;
      if (!calledSingly && handler->supportsBatchCalls()) {
        std::vector<JSObjectPtr> all;
        for (auto each = range.first; each != range.second; ++each) all.push_back(each->second);
        handler->callHandlersBatch(name, args, all, sinksOf(context));
        delivered.insert(context);
        break;
      }
      handler->callLater("", args);
      calledSingly = true;
    }
  }
  for (const auto& [context, sinks] : sinkTable) {
    if (delivered.count(context) != 0) continue;
    for (const auto& entry : sinks) {
      const JSObjectPtr& sink = entry.second;
      if (!sink->isValidObject()) continue;
      if (sink->supportsBatchCalls()) {
        sink->callHandlersBatch(name, args, {}, sinksOf(context));
        break;
      }
      sink->callLater(name, args);
    }
  }
}

template <class Raise>
void JSAPIImpl::forEachProxy(const Raise& raise) {
  std::lock_guard<std::recursive_mutex> lock(proxyLock_);
  for (auto it = proxies_.begin(); it != proxies_.end();) {
    if (auto proxy = it->lock()) {
      raise(proxy);
      ++it;
    } else {
      it = proxies_.erase(it);
    }
  }
}

void JSAPIImpl::raiseEvent(const std::string& name, const VariantVector& args) {
  if (!isValid()) return;
  const JSAPIPtr self = shared_from_this();
  forEachProxy([&](const std::shared_ptr<JSAPIImpl>& proxy) {
    proxy->raiseEvent(name, replaceObject(args, self, proxy));
  });
  try {
    deliverEvent(name, args);
  } catch (const script_error&) {
    // Events are fire-and-forget for the raiser.
  }
}

void JSAPIImpl::raiseEvent(const std::wstring& name, const VariantVector& args) { raiseEvent(toUtf8(name), args); }

void JSAPIImpl::raiseDomEvent(const std::string& name, const VariantVector& args) {
  raiseDomEvent(name, VariantStringMap(), args);
}

void JSAPIImpl::raiseDomEvent(const std::string& name, const VariantStringMap& members) {
  raiseDomEvent(name, members, VariantVector());
}

void JSAPIImpl::raiseDomEvent(const std::string& name, const VariantStringMap& members, const VariantVector& args) {
  if (!isValid()) return;
  const JSAPIPtr self = shared_from_this();
  forEachProxy([&](const std::shared_ptr<JSAPIImpl>& proxy) {
    proxy->raiseDomEvent(name, replaceObject(members, self, proxy), replaceObject(args, self, proxy));
  });
  VariantStringMap event{{"type", name},        {"target", self},      {"currentTarget", self},
                         {"eventPhase", 2},     {"bubbles", false},    {"cancelable", false},
                         {"namespaceURI", name}};
  event.insert(members.begin(), members.end());  // never replaces the standard entries
  event["arguments"] = args;
  try {
    deliverEvent(name, VariantVector{event});
  } catch (const script_error&) {
  }
}

void JSAPIImpl::addProxy(const std::weak_ptr<JSAPIImpl>& proxy) {
  std::lock_guard<std::recursive_mutex> lock(proxyLock_);
  proxies_.push_back(proxy);
}

void JSAPIImpl::removeProxy(const std::shared_ptr<JSAPIImpl>& proxy) {
  std::lock_guard<std::recursive_mutex> lock(proxyLock_);
  proxies_.erase(std::remove_if(proxies_.begin(), proxies_.end(),
                                [&](const std::weak_ptr<JSAPIImpl>& entry) {
                                  auto live = entry.lock();
                                  return !live || live == proxy;
                                }),
                 proxies_.end());
}

}  // namespace FB
