// FB::PluginEventSource: an ordered list of observers (weak references to
// sinks) and the delivery of events to them. Browser streams and plug-in
// windows derive from it.
//
// Delivery stops at the first observer that answers true. A newly added
// observer receives an AttachedEvent, a removed one a DetachedEvent, each
// sent to that observer alone.
//
// Any thread may add, remove and send; the list is guarded by a recursive
// lock, so a sink may add or remove observers while it handles an event.
// Events are delivered outside the lock, to a copy of the list taken when
// sending starts. Exceptions raised by a sink reach the caller of sendEvent.
//
// The source can give a shared reference to itself (selfReference), so it
// must be held by a shared pointer for that; sending works either way.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "runtime/plugin_event.h"
#include "runtime/plugin_event_sink.h"

namespace FB {

class PluginEventSource : public std::enable_shared_from_this<PluginEventSource> {
 public:
  PluginEventSource() = default;
  PluginEventSource(const PluginEventSource&) = delete;
  PluginEventSource& operator=(const PluginEventSource&) = delete;
  virtual ~PluginEventSource();

  // Appends the sink and sends it an AttachedEvent.
  virtual void addObserver(const PluginEventSinkPtr& sink);
  // The same for a sink given by pointer; it must be held by a shared
  // pointer (std::bad_weak_ptr otherwise).
  virtual void addObserver(PluginEventSink* sink);
  // Removes every entry of the sink and sends it a DetachedEvent.
  virtual void removeObserver(const PluginEventSinkPtr& sink);
  // The same by pointer. A sink that is already being destroyed has no
  // shared reference left: its (expired) entries are dropped and it gets no
  // event.
  virtual void removeObserver(PluginEventSink* sink);
  // Offers the event to each live observer in order; answers true as soon as
  // one answers true, false when none did.
  virtual bool sendEvent(PluginEvent* event);
  // A shared reference to this source (std::bad_weak_ptr when it is not held
  // by one, as during its destruction).
  virtual std::shared_ptr<PluginEventSource> selfReference();

  std::size_t observerCount() const;

 private:
  void removeEntries(const PluginEventSink* sink);

  mutable std::recursive_mutex observerLock_;
  std::vector<PluginEventSinkWeakPtr> observers_;
};

using PluginEventSourcePtr = std::shared_ptr<PluginEventSource>;

}  // namespace FB
