// FB::PluginEventSink: anything that observes an event source. A sink is
// always held by shared references, and sources keep only weak ones, so a
// sink that goes away simply stops receiving events.
//
// The sink can hand out a shared reference to itself (sources need one when
// a sink registers itself by plain pointer). A derived class that wants a
// shared reference of its own type uses sharedFromThis<Derived>() and must
// not add a second std::enable_shared_from_this base: that one would never
// be set up.
//
// handlePluginEvent runs on whatever thread the source sends from (the
// browser's main thread for streams and windows).
#pragma once

#include <memory>

#include "runtime/plugin_event.h"

namespace FB {

class PluginEventSource;

class PluginEventSink : public std::enable_shared_from_this<PluginEventSink> {
 public:
  PluginEventSink() = default;
  PluginEventSink(const PluginEventSink&) = delete;
  PluginEventSink& operator=(const PluginEventSink&) = delete;
  virtual ~PluginEventSink() = default;

  // Answers true when this sink has fully handled the event; the source then
  // offers it to no later observer.
  virtual bool handlePluginEvent(PluginEvent* event, PluginEventSource* source) = 0;

 protected:
  template <class Derived>
  std::shared_ptr<Derived> sharedFromThis() {
    return std::static_pointer_cast<Derived>(shared_from_this());
  }
};

using PluginEventSinkPtr = std::shared_ptr<PluginEventSink>;
using PluginEventSinkWeakPtr = std::weak_ptr<PluginEventSink>;

}  // namespace FB
