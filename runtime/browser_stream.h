// FB::BrowserStream: the plug-in's handle on one request made through the
// browser (a download or a form post). The bindings derive from it and
// supply range reads, writing and closing; this class keeps what is known
// about the transfer and sends the stream events (stream_events.h) to its
// observers, the first of which is the caller's handler.
//
// Made and driven by the binding on the browser's main thread; the fields
// are not locked, so read and set them there. The observer list itself may
// be used from any thread (PluginEventSource).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/plugin_event_source.h"
#include "runtime/stream_events.h"

namespace FB {

class BrowserStream : public PluginEventSource {
 public:
  // A byte range of the resource, [start, end).
  using Range = std::pair<std::size_t, std::size_t>;
  using RangeList = std::vector<Range>;

  BrowserStream(std::string url, bool cached, bool seekRequested, std::size_t bufferSize);
  // Sends StreamDestroyedEvent to the observers still attached.
  ~BrowserStream() override;

  // Asks for one range; see readRanges.
  virtual bool readRange(std::size_t start, std::size_t end);
  // Asks the browser to deliver the given ranges (seekable streams only).
  virtual bool readRanges(const RangeList& ranges) = 0;
  // Writes into a stream the plug-in produces; `written` gets the count.
  virtual bool write(const char* data, std::size_t length, std::size_t& written) = 0;
  virtual bool close() = 0;

  virtual std::string url() const { return url_; }
  // The server supports range requests.
  virtual bool serverSeekable() const { return serverSeekable_; }
  // The caller asked for a seekable stream.
  virtual bool seekRequested() const { return seekRequested_; }
  virtual bool isSeekable() const { return seekRequested_ && serverSeekable_; }
  // The caller asked for a download cached in a file.
  virtual bool cached() const { return cached_; }
  virtual bool completed() const { return completed_; }
  virtual bool opened() const { return opened_; }
  virtual std::string mimeType() const { return mimeType_; }
  // The browser's cache file of the download.
  virtual std::wstring cacheFile() const { return cacheFile_; }
  // The response headers, one per line.
  virtual std::string headerText() const { return headerText_; }
  // The largest chunk passed on at once.
  virtual std::size_t bufferSize() const { return bufferSize_; }
  // The length of the resource; 0 when unknown.
  virtual std::size_t totalLength() const { return totalLength_; }

  virtual void setUrl(const std::string& url) { url_ = url; }
  virtual void setServerSeekable(bool seekable) { serverSeekable_ = seekable; }
  virtual void setCached(bool cached) { cached_ = cached; }
  virtual void setCompleted(bool completed) { completed_ = completed; }
  virtual void setOpened(bool opened) { opened_ = opened; }
  virtual void setMimeType(const std::string& mimeType) { mimeType_ = mimeType; }
  virtual void setCacheFile(const std::wstring& cacheFile) { cacheFile_ = cacheFile; }
  virtual void setHeaderText(const std::string& headerText) { headerText_ = headerText; }
  virtual void setBufferSize(std::size_t bufferSize) { bufferSize_ = bufferSize; }
  virtual void setTotalLength(std::size_t totalLength) { totalLength_ = totalLength; }

 private:
  std::string url_;
  bool cached_;
  bool seekRequested_;
  bool serverSeekable_ = false;
  bool completed_ = false;
  bool opened_ = false;
  std::string mimeType_;
  std::wstring cacheFile_;
  std::string headerText_;
  std::size_t bufferSize_;
  std::size_t totalLength_ = 0;
};

using BrowserStreamPtr = std::shared_ptr<BrowserStream>;

}  // namespace FB
