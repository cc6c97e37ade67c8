// FB::DefaultBrowserStreamHandler: the base of stream handlers. It turns the
// stream events into one operation per event, keeps the stream from its
// creation event on, and lets it go on the destroyed event. Every default
// operation answers false, so later observers see the event too.
//
// A handler is attached to its stream by the binding and receives events on
// the browser's main thread; it is not meant to be shared between threads.
#pragma once

#include "runtime/browser_stream.h"
#include "runtime/plugin_event_sink.h"
#include "runtime/stream_events.h"

namespace FB {

class DefaultBrowserStreamHandler : public PluginEventSink {
 public:
  DefaultBrowserStreamHandler() = default;
  ~DefaultBrowserStreamHandler() override;

  // Routes stream events to the operations below; any other event answers
  // false. A stream event whose source is not a BrowserStream raises
  // std::bad_cast.
  bool handlePluginEvent(PluginEvent* event, PluginEventSource* source) override;

  // Stores the stream.
  virtual bool onCreated(StreamCreatedEvent* event, BrowserStream* stream);
  // Forgets the stream.
  virtual bool onDestroyed(StreamDestroyedEvent* event, BrowserStream* stream);
  virtual bool onDataArrived(StreamDataArrivedEvent* event, BrowserStream* stream);
  virtual bool onFailedOpen(StreamFailedOpenEvent* event, BrowserStream* stream);
  virtual bool onOpened(StreamOpenedEvent* event, BrowserStream* stream);
  virtual bool onCompleted(StreamCompletedEvent* event, BrowserStream* stream);

  virtual BrowserStreamPtr currentStream() const;
  virtual void setStream(const BrowserStreamPtr& stream);
  virtual void clearStream();

 private:
  BrowserStreamPtr stream_;
};

}  // namespace FB
