// The events a browser stream sends to its observers, in the order of a
// transfer: created (handler attached), opened or failed open, data arrived
// (any number of times), completed, and destroyed when the stream object
// goes away. Each carries the stream that sends it; the pointer is only
// valid during the delivery (the destroyed event comes from a stream's
// destructor).
//
// Plain values; the binding makes them on the browser's main thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/plugin_event.h"

namespace FB {

class BrowserStream;

class StreamEvent : public PluginEvent {
 public:
  explicit StreamEvent(BrowserStream* stream) : stream_(stream) {}
  BrowserStream* stream() const { return stream_; }

 private:
  BrowserStream* stream_;
};

class StreamCreatedEvent : public StreamEvent {
 public:
  using StreamEvent::StreamEvent;
};

class StreamOpenedEvent : public StreamEvent {
 public:
  using StreamEvent::StreamEvent;
};

class StreamFailedOpenEvent : public StreamEvent {
 public:
  using StreamEvent::StreamEvent;
};

// One chunk of the resource: `length` bytes found at `offset` in it.
// `progress` is a percentage, 0 when the total length is unknown.
class StreamDataArrivedEvent : public StreamEvent {
 public:
  StreamDataArrivedEvent(BrowserStream* stream, const void* data, std::size_t length, std::size_t offset,
                         float progress)
      : StreamEvent(stream),
        data_(static_cast<const std::uint8_t*>(data)),
        length_(length),
        offset_(offset),
        progress_(progress) {}

  const std::uint8_t* data() const { return data_; }
  std::size_t length() const { return length_; }
  std::size_t offset() const { return offset_; }
  float progress() const { return progress_; }

 private:
  const std::uint8_t* data_;
  std::size_t length_;
  std::size_t offset_;
  float progress_;
};

class StreamCompletedEvent : public StreamEvent {
 public:
  StreamCompletedEvent(BrowserStream* stream, bool success) : StreamEvent(stream), success_(success) {}
  bool success() const { return success_; }

 private:
  bool success_;
};

class StreamDestroyedEvent : public StreamEvent {
 public:
  using StreamEvent::StreamEvent;
};

}  // namespace FB
