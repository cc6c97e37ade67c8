// FB::ActiveX::ActiveXStream: a download or form post made through the
// platform's URL monikers (urlmon), which apply the browser's cookies, proxy
// and cache. Each transfer of the stream is one ActiveXStreamRequest: the
// whole resource when the stream opens, then one per readRanges call. The
// requests' bind status callbacks (ActiveXBindStatusCallback) drive the
// stream, which reports to its observers with the stream events.
//
// A request holds its stream until the request ends, so a transfer runs to
// its end even when every other holder has let the stream go.
//
// Container thread only (the thread that opened it, which must pump
// messages): opening, the moniker callbacks, close and readRanges all run
// there, and observers hear the events there.
#pragma once

#include <windows.h>

#include <objidl.h>
#include <urlmon.h>

#include <cstddef>
#include <memory>
#include <set>
#include <string>

#include "runtime/browser_stream.h"
#include "runtime/plugin_event_sink.h"

namespace FB::ActiveX {

class ActiveXBindStatusCallback;
class ActiveXStream;

// One binding of a stream's URL: the byte ranges it asks for (none: the
// whole resource) and the moniker objects of the binding.
class ActiveXStreamRequest {
 public:
  ActiveXStreamRequest(std::shared_ptr<ActiveXStream> stream, BrowserStream::RangeList ranges);
  ~ActiveXStreamRequest();
  ActiveXStreamRequest(const ActiveXStreamRequest&) = delete;
  ActiveXStreamRequest& operator=(const ActiveXStreamRequest&) = delete;

  // Starts binding the stream's URL; false when the moniker refused.
  bool start(const std::shared_ptr<ActiveXStreamRequest>& self);
  // Aborts the binding; true when urlmon took the abort (or the binding
  // had ended already). The callback forgets the request.
  bool abort();
  // Lets go of the moniker objects and of the stream (the request ended).
  void release();

  const std::shared_ptr<ActiveXStream>& stream() const { return stream_; }
  const BrowserStream::RangeList& ranges() const { return ranges_; }

 private:
  std::shared_ptr<ActiveXStream> stream_;
  BrowserStream::RangeList ranges_;
  ActiveXBindStatusCallback* callback_ = nullptr;
  IMoniker* moniker_ = nullptr;
  IBindCtx* bindContext_ = nullptr;
};

using ActiveXStreamRequestPtr = std::shared_ptr<ActiveXStreamRequest>;

class ActiveXStream : public BrowserStream {
 public:
  // `postData` empty: a GET.
  ActiveXStream(const std::string& url, bool cached, bool seekRequested, std::size_t bufferSize,
                std::string postData);
  ~ActiveXStream() override;

  // Makes the stream, attaches `handler` as its first observer and starts
  // the transfer. Null when the transfer cannot start; otherwise the
  // observers heard StreamCreatedEvent (and StreamOpenedEvent when a
  // seekable stream was asked for).
  static std::shared_ptr<ActiveXStream> open(const std::string& url, const PluginEventSinkPtr& handler,
                                             bool cached, bool seekRequested, std::size_t bufferSize,
                                             const std::string& postData = std::string());

  // FB::BrowserStream
  bool readRanges(const RangeList& ranges) override;
  bool write(const char* data, std::size_t length, std::size_t& written) override;
  bool close() override;

  const std::string& postData() const { return postData_; }

  // Signals from the bind status callbacks.
  void signalOpened();
  // Sent at most once per stream.
  void signalFailedOpen();
  // Passes a chunk on (when the stream is opened or has a cache file);
  // answers `length`.
  std::size_t deliverData(const void* data, std::size_t length, std::size_t offset);
  // `request` ended; the last request to end completes the stream.
  void requestFinished(const ActiveXStreamRequest* request, bool success);
  void finishTransfer(bool success);

  std::size_t activeRequests() const { return requests_.size(); }

 private:
  bool startRequest(const RangeList& ranges);

  std::string postData_;
  bool closing_ = false;
  bool failedOpenSent_ = false;
  std::set<ActiveXStreamRequestPtr> requests_;
};

using ActiveXStreamPtr = std::shared_ptr<ActiveXStream>;

}  // namespace FB::ActiveX
