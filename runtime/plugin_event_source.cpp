#include "runtime/plugin_event_source.h"

#include <algorithm>

namespace FB {

PluginEventSource::~PluginEventSource() = default;

void PluginEventSource::addObserver(const PluginEventSinkPtr& sink) {
  if (!sink) return;
  std::lock_guard<std::recursive_mutex> lock(observerLock_);
  observers_.push_back(sink);
  AttachedEvent attached;
  sink->handlePluginEvent(&attached, this);
}

void PluginEventSource::addObserver(PluginEventSink* sink) {
  if (!sink) return;
  addObserver(sink->shared_from_this());
}

void PluginEventSource::removeObserver(const PluginEventSinkPtr& sink) {
  if (!sink) return;
  std::lock_guard<std::recursive_mutex> lock(observerLock_);
  removeEntries(sink.get());
  DetachedEvent detached;
  sink->handlePluginEvent(&detached, this);
}

void PluginEventSource::removeObserver(PluginEventSink* sink) {
  if (!sink) return;
  if (PluginEventSinkPtr shared = sink->weak_from_this().lock()) {
    removeObserver(shared);
    return;
  }
  std::lock_guard<std::recursive_mutex> lock(observerLock_);
  removeEntries(sink);
}

// Drops the entries of `sink` and, while at it, those of sinks that are gone.
void PluginEventSource::removeEntries(const PluginEventSink* sink) {
  observers_.erase(std::remove_if(observers_.begin(), observers_.end(),
                                  [sink](const PluginEventSinkWeakPtr& entry) {
                                    PluginEventSinkPtr live = entry.lock();
                                    return !live || live.get() == sink;
                                  }),
                   observers_.end());
}

bool PluginEventSource::sendEvent(PluginEvent* event) {
  // An observer may drop the last other reference to this source (the
  // stream manager does on completion); stay alive until delivery ends.
  std::shared_ptr<PluginEventSource> keepAlive = weak_from_this().lock();
  std::vector<PluginEventSinkWeakPtr> observers;
  {
    std::lock_guard<std::recursive_mutex> lock(observerLock_);
    observers = observers_;
  }
  for (const auto& entry : observers) {
    if (PluginEventSinkPtr sink = entry.lock()) {
      if (sink->handlePluginEvent(event, this)) return true;
    }
  }
  return false;
}

std::shared_ptr<PluginEventSource> PluginEventSource::selfReference() { return shared_from_this(); }

std::size_t PluginEventSource::observerCount() const {
  std::lock_guard<std::recursive_mutex> lock(observerLock_);
  return static_cast<std::size_t>(std::count_if(observers_.begin(), observers_.end(),
                                                [](const PluginEventSinkWeakPtr& entry) { return !entry.expired(); }));
}

}  // namespace FB
