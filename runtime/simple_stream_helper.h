// FB::SimpleStreamHelper: a one-shot download (or form post) through the
// browser into memory. fetchUrl/postUrl start it; the helper collects the
// chunks into blocks and, when the transfer ends, hands the whole body, its
// size and the parsed response headers to one completion callback.
//
// The body is passed as a ByteArray, std::shared_ptr<std::uint8_t[]>: one
// allocation of exactly `size` bytes that the callback may keep. On failure
// the data is null; the size then tells how many bytes had arrived.
//
// The helper keeps itself alive until it has reported, so callers need not
// hold it. When no stream can be created at all, the callback is called at
// once with failure (false, no headers, no data, size 0).
//
// fetchUrl and postUrl may be called from any thread: off the main thread
// they marshal themselves there (and raise FB::script_error when the host
// can no longer run calls there). Everything else, including the callback,
// runs on the browser's main thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/browser_host.h"
#include "runtime/default_browser_stream_handler.h"
#include "scripting/uri.h"

namespace FB {

class SimpleStreamHelper : public DefaultBrowserStreamHandler {
 public:
  using HeaderFields = std::multimap<std::string, std::string>;
  using ByteArray = std::shared_ptr<std::uint8_t[]>;
  using CompletionCallback =
      std::function<void(bool success, const HeaderFields& headers, const ByteArray& data, std::size_t size)>;

  static constexpr std::size_t kDefaultBufferSize = 128 * 1024;

  // One GET of `uri`. `bufferSize` is both the stream's chunk limit and the
  // helper's block size.
  static std::shared_ptr<SimpleStreamHelper> fetchUrl(const BrowserHostPtr& host, const URI& uri,
                                                      CompletionCallback callback, bool cached = true,
                                                      std::size_t bufferSize = kDefaultBufferSize);
  // One POST of `postData` to `uri`.
  static std::shared_ptr<SimpleStreamHelper> postUrl(const BrowserHostPtr& host, const URI& uri,
                                                     const std::string& postData, CompletionCallback callback,
                                                     bool cached = true, std::size_t bufferSize = kDefaultBufferSize);

  // A block size of 0 is taken as kDefaultBufferSize.
  SimpleStreamHelper(BrowserHostPtr host, CompletionCallback callback, std::size_t blockSize);
  ~SimpleStreamHelper() override;

  // Stores the chunk at its offset. Chunks are expected in ascending order
  // without gaps; bytes in a gap are unspecified. When a chunk cannot be
  // stored (no memory, or more bytes than a size can count) the blocks are
  // freed, later chunks are dropped and the transfer reports failure.
  bool onDataArrived(StreamDataArrivedEvent* event, BrowserStream* stream) override;
  bool onOpened(StreamOpenedEvent* event, BrowserStream* stream) override;
  // Reports once to the callback (headers from `stream`, when given), then
  // lets go of the self-reference. A body too large to assemble is reported
  // as a failure.
  bool onCompleted(StreamCompletedEvent* event, BrowserStream* stream) override;

  // Response header lines ("Name: value", split at CR and LF) as a multimap;
  // blank lines and lines without a colon are skipped, names and values are
  // trimmed, repeated names keep every value.
  static HeaderFields parseHeaders(const std::string& headerText);

  // The most the body may hold: a chunk that would reach past it (by its
  // length or by its offset) ends the transfer as a failure, as a chunk
  // there is no memory for does. No limit but memory by default. Set it on
  // the main thread before the transfer delivers data.
  void setSizeLimit(std::size_t bytes) { sizeLimit_ = bytes; }
  std::size_t sizeLimit() const { return sizeLimit_; }

  std::size_t blockSize() const { return blockSize_; }
  std::size_t received() const { return received_; }
  const BrowserHostPtr& host() const { return host_; }

 protected:
  // Asks the host for the stream with this helper as its handler (a POST when
  // `postData` is given). When none comes back, or asking fails, the
  // transfer is reported as failed at once, through onCompleted.
  void beginTransfer(const URI& uri, const std::string* postData, bool cached, std::size_t bufferSize);
  void keepSelfAlive(const std::shared_ptr<SimpleStreamHelper>& self) { selfRef_ = self; }

 private:
  static std::shared_ptr<SimpleStreamHelper> start(const BrowserHostPtr& host, const URI& uri,
                                                   const std::string* postData, CompletionCallback callback,
                                                   bool cached, std::size_t bufferSize);
  // Copies the blocks into one array of `received_` bytes, freeing each
  // block as soon as it is copied.
  void assemble();
  void freeBlocks();
  // Drops what has arrived and marks the transfer failed; answers false.
  bool giveUp(const char* reason);

  BrowserHostPtr host_;
  std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
  ByteArray data_;
  std::size_t blockSize_;
  std::size_t received_ = 0;
  std::size_t sizeLimit_ = static_cast<std::size_t>(-1);
  bool overflowed_ = false;  // a chunk could not be stored: the transfer fails
  CompletionCallback callback_;
  std::shared_ptr<SimpleStreamHelper> selfRef_;
};

using SimpleStreamHelperPtr = std::shared_ptr<SimpleStreamHelper>;

}  // namespace FB
