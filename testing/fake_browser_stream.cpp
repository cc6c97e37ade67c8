#include "testing/fake_browser_stream.h"

#include <algorithm>
#include <utility>

namespace FB::testing {

FakeBrowserStreamPtr FakeBrowserStream::create(const std::string& url, const PluginEventSinkPtr& handler, bool cached,
                                               bool seekRequested, std::size_t bufferSize,
                                               std::optional<std::string> postData) {
  auto stream = std::make_shared<FakeBrowserStream>(url, cached, seekRequested, bufferSize, std::move(postData));
  stream->addObserver(handler);
  StreamCreatedEvent created(stream.get());
  stream->sendEvent(&created);
  return stream;
}

FakeBrowserStream::FakeBrowserStream(const std::string& url, bool cached, bool seekRequested, std::size_t bufferSize,
                                     std::optional<std::string> postData)
    : BrowserStream(url, cached, seekRequested, bufferSize), postData_(std::move(postData)) {}

void FakeBrowserStream::open(const std::string& headerText, std::size_t totalLength, const std::string& mimeType,
                             bool serverSeekable) {
  setHeaderText(headerText);
  setTotalLength(totalLength);
  setMimeType(mimeType);
  setServerSeekable(serverSeekable);
  setOpened(true);
  StreamOpenedEvent opened(this);
  sendEvent(&opened);
}

void FakeBrowserStream::failOpen() {
  StreamFailedOpenEvent failed(this);
  sendEvent(&failed);
}

void FakeBrowserStream::deliver(const void* data, std::size_t length) {
  const float progress =
      totalLength() == 0 ? 0.0f : static_cast<float>(offset_ + length) / static_cast<float>(totalLength()) * 100.0f;
  StreamDataArrivedEvent arrived(this, data, length, offset_, progress);
  offset_ += length;
  sendEvent(&arrived);
}

void FakeBrowserStream::deliverInChunks(const void* data, std::size_t size, std::size_t chunkSize) {
  if (chunkSize == 0) chunkSize = bufferSize() == 0 ? size : bufferSize();
  const auto* bytes = static_cast<const char*>(data);
  for (std::size_t done = 0; done < size;) {
    const std::size_t length = std::min(chunkSize, size - done);
    deliver(bytes + done, length);
    done += length;
  }
}

void FakeBrowserStream::complete(bool success) {
  if (completed()) return;
  setCompleted(true);
  StreamCompletedEvent completedEvent(this, success);
  sendEvent(&completedEvent);
}

bool FakeBrowserStream::readRanges(const RangeList& ranges) {
  rangeRequests_.push_back(ranges);
  return opened() && isSeekable();
}

bool FakeBrowserStream::write(const char* data, std::size_t length, std::size_t& written) {
  written_.append(data, length);
  written = length;
  return true;
}

bool FakeBrowserStream::close() {
  ++closeCount_;
  const bool wasOpen = opened();
  setOpened(false);
  complete(false);
  return wasOpen;
}

std::shared_ptr<FakeStreamServer> FakeStreamServer::install(const FakeBrowserHostPtr& host) {
  auto server = std::make_shared<FakeStreamServer>();
  server->host_ = host;
  host->setStreamFactory([server](const std::string& url, const PluginEventSinkPtr& handler,
                                  const std::string* postData, bool cached, bool seekRequested,
                                  std::size_t bufferSize) {
    return server->open(url, handler, postData, cached, seekRequested, bufferSize);
  });
  return server;
}

void FakeStreamServer::serve(const std::string& url, FakeResource resource) {
  std::lock_guard<std::mutex> lock(mutex_);
  resources_[url] = std::move(resource);
}

std::vector<FakeStreamServer::Request> FakeStreamServer::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

BrowserStreamPtr FakeStreamServer::open(const std::string& url, const PluginEventSinkPtr& handler,
                                        const std::string* postData, bool cached, bool seekRequested,
                                        std::size_t bufferSize) {
  std::optional<std::string> post;
  if (postData) post = *postData;
  auto stream = FakeBrowserStream::create(url, handler, cached, seekRequested, bufferSize, post);
  std::optional<FakeResource> resource;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(Request{url, post, cached, seekRequested, bufferSize, stream});
    auto found = resources_.find(url);
    if (found != resources_.end()) resource = found->second;
  }
  auto host = host_.lock();
  if (!host) return stream;
  host->scheduleOnMainThread(stream, [stream, resource]() {
    if (!resource) {
      stream->failOpen();
      stream->complete(false);
      return;
    }
    stream->open(resource->headerText, resource->body.size());
    stream->deliverInChunks(resource->body.data(), resource->body.size(), resource->chunkSize);
    if (resource->finish) stream->complete(resource->succeed);
  });
  return stream;
}

}  // namespace FB::testing
