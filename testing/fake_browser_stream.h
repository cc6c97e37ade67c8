// FB::testing::FakeBrowserStream: a browser stream fed from memory. The test
// plays the browser: it opens the stream, delivers chunks of the sizes it
// chooses, completes or fails it. The stream records what the plug-in asks
// of it (close, write, range reads) and any post data it was made with.
//
// FB::testing::FakeStreamServer: installed on a FakeBrowserHost as its
// stream factory, it answers URLs with given bodies and headers. Each
// transfer is queued on the host's main-thread queue, so nothing arrives
// until the test pumps it (as a browser delivers after the request returns).
//
// Both are main-thread objects, like the streams they stand in for; the
// server's tables are locked and may be filled from any thread.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/browser_stream.h"
#include "testing/fake_browser_host.h"

namespace FB::testing {

class FakeBrowserStream : public BrowserStream {
 public:
  static constexpr std::size_t kDefaultBufferSize = 128 * 1024;

  // Makes the stream as a binding does: the handler becomes the first
  // observer, then StreamCreatedEvent is sent.
  static std::shared_ptr<FakeBrowserStream> create(const std::string& url, const PluginEventSinkPtr& handler,
                                                   bool cached = false, bool seekRequested = false,
                                                   std::size_t bufferSize = kDefaultBufferSize,
                                                   std::optional<std::string> postData = std::nullopt);

  FakeBrowserStream(const std::string& url, bool cached, bool seekRequested, std::size_t bufferSize,
                    std::optional<std::string> postData = std::nullopt);

  // The browser's side of a transfer.
  void open(const std::string& headerText = std::string(), std::size_t totalLength = 0,
            const std::string& mimeType = "application/octet-stream", bool serverSeekable = false);
  void failOpen();
  // One data event of exactly `length` bytes at the current offset.
  void deliver(const void* data, std::size_t length);
  void deliver(const std::string& data) { deliver(data.data(), data.size()); }
  // `size` bytes as consecutive data events of `chunkSize` bytes (0: the
  // buffer size); the last may be shorter.
  void deliverInChunks(const void* data, std::size_t size, std::size_t chunkSize = 0);
  // Ends the transfer once; later calls do nothing.
  void complete(bool success);

  // What the plug-in did.
  int closeCount() const { return closeCount_; }
  const std::string& written() const { return written_; }
  const std::vector<RangeList>& rangeRequests() const { return rangeRequests_; }
  const std::optional<std::string>& postData() const { return postData_; }
  std::size_t offset() const { return offset_; }

  // FB::BrowserStream. Range reads are recorded and accepted while the
  // stream is open and seekable; writes are recorded whole. close() ends an
  // unfinished transfer as failed.
  bool readRanges(const RangeList& ranges) override;
  bool write(const char* data, std::size_t length, std::size_t& written) override;
  bool close() override;

 private:
  std::optional<std::string> postData_;
  std::size_t offset_ = 0;
  int closeCount_ = 0;
  std::string written_;
  std::vector<RangeList> rangeRequests_;
};

using FakeBrowserStreamPtr = std::shared_ptr<FakeBrowserStream>;

struct FakeResource {
  explicit FakeResource(std::string body = std::string(), std::string headerText = std::string(),
                        std::size_t chunkSize = 0)
      : body(std::move(body)), headerText(std::move(headerText)), chunkSize(chunkSize) {}

  std::string body;
  std::string headerText;     // e.g. "Content-Type: text/plain\r\n"
  std::size_t chunkSize = 0;  // 0: the stream's buffer size
  bool succeed = true;        // false: the body arrives, then the transfer fails
  bool finish = true;         // false: the body arrives and the transfer stays open
};

class FakeStreamServer {
 public:
  struct Request {
    std::string url;
    std::optional<std::string> postData;
    bool cached;
    bool seekRequested;
    std::size_t bufferSize;
    std::weak_ptr<FakeBrowserStream> stream;
  };

  // Installs a server as the host's stream factory. URLs without a resource
  // get a stream that fails to open.
  static std::shared_ptr<FakeStreamServer> install(const FakeBrowserHostPtr& host);

  void serve(const std::string& url, FakeResource resource);
  std::vector<Request> requests() const;

 private:
  BrowserStreamPtr open(const std::string& url, const PluginEventSinkPtr& handler, const std::string* postData,
                        bool cached, bool seekRequested, std::size_t bufferSize);

  std::weak_ptr<FakeBrowserHost> host_;
  mutable std::mutex mutex_;
  std::map<std::string, FakeResource> resources_;
  std::vector<Request> requests_;
};

}  // namespace FB::testing
