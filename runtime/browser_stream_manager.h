// FB::BrowserStreamManager: the host's keeper of live streams. Each stream
// the host creates is added here, and the manager observes it until it
// completes, so a download runs to its end even when nobody else holds the
// stream. When the manager is destroyed (host shutdown) it closes the
// streams that are still running.
//
// One per host, held by shared reference. retainStream, streamCount and
// holds may be called from any thread (the set has its own recursive lock);
// the events arrive on the browser's main thread.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <set>

#include "runtime/browser_stream.h"
#include "runtime/plugin_event_sink.h"

namespace FB {

class BrowserStreamManager : public PluginEventSink {
 public:
  BrowserStreamManager() = default;
  // Closes every stream still held.
  ~BrowserStreamManager() override;

  // Holds the stream and observes it (after the handlers already attached).
  void retainStream(const BrowserStreamPtr& stream);
  // On completion: stops observing the stream and lets it go. Never claims
  // an event, so every observer still sees it.
  bool handlePluginEvent(PluginEvent* event, PluginEventSource* source) override;

  std::size_t streamCount() const;
  bool holds(const BrowserStreamPtr& stream) const;

 private:
  mutable std::recursive_mutex lock_;
  std::set<BrowserStreamPtr> streams_;
};

using BrowserStreamManagerPtr = std::shared_ptr<BrowserStreamManager>;

}  // namespace FB
