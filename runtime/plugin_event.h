// FB::PluginEvent: the base of every event that an event source (a browser
// stream, a plug-in window) sends to its sinks. Sinks find the concrete kind
// with dynamic_cast. AttachedEvent and DetachedEvent are sent to one sink
// alone when it is added to or removed from a source's observers.
//
// Events are plain values made by the sender on its own thread and passed by
// pointer for the duration of one delivery; any thread may create them.
#pragma once

namespace FB {

class PluginEvent {
 public:
  PluginEvent() = default;
  PluginEvent(const PluginEvent&) = default;
  PluginEvent& operator=(const PluginEvent&) = default;
  virtual ~PluginEvent() = default;
};

class AttachedEvent : public PluginEvent {};
class DetachedEvent : public PluginEvent {};

}  // namespace FB
