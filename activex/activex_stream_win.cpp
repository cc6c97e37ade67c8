#include "activex/activex_stream_win.h"

#include <exception>
#include <utility>

#include "activex/activex_bind_status_callback_win.h"
#include "activex/com_guard_win.h"
#include "runtime/diagnostic_log.h"
#include "runtime/stream_events.h"
#include "scripting/text_conversion.h"

namespace FB::ActiveX {

// --- request ---------------------------------------------------------------

ActiveXStreamRequest::ActiveXStreamRequest(std::shared_ptr<ActiveXStream> stream, BrowserStream::RangeList ranges)
    : stream_(std::move(stream)), ranges_(std::move(ranges)) {}

ActiveXStreamRequest::~ActiveXStreamRequest() { release(); }

bool ActiveXStreamRequest::start(const std::shared_ptr<ActiveXStreamRequest>& self) {
  const std::wstring url = toWide(stream_->url());
  const bool post = !stream_->postData().empty();
  callback_ = new ActiveXBindStatusCallback(
      self, post ? ActiveXBindStatusCallback::Verb::Post : ActiveXBindStatusCallback::Verb::Get, stream_->postData());
  if (FAILED(CreateURLMonikerEx(nullptr, url.c_str(), &moniker_, URL_MK_UNIFORM)) ||
      FAILED(CreateAsyncBindCtx(0, callback_, nullptr, &bindContext_)) ||
      IsValidURL(bindContext_, url.c_str(), 0) != S_OK) {
    return false;
  }
  IStream* storage = nullptr;
  const HRESULT bound = moniker_->BindToStorage(bindContext_, nullptr, IID_IStream, reinterpret_cast<void**>(&storage));
  if (storage) storage->Release();
  return bound == S_OK || bound == MK_S_ASYNCHRONOUS;
}

bool ActiveXStreamRequest::abort() {
  bool aborted = true;
  if (callback_) {
    aborted = callback_->abortBinding();
    callback_->detach();
  }
  return aborted;
}

void ActiveXStreamRequest::release() {
  if (callback_) callback_->detach();
  releaseAndClear(callback_);
  releaseAndClear(bindContext_);
  releaseAndClear(moniker_);
  stream_.reset();
}

// --- stream ----------------------------------------------------------------

ActiveXStream::ActiveXStream(const std::string& url, bool cached, bool seekRequested, std::size_t bufferSize,
                             std::string postData)
    : BrowserStream(url, cached, seekRequested, bufferSize), postData_(std::move(postData)) {}

ActiveXStream::~ActiveXStream() {
  // Requests hold their stream, so none is left unless one never started.
  for (const ActiveXStreamRequestPtr& request : requests_) request->abort();
}

std::shared_ptr<ActiveXStream> ActiveXStream::open(const std::string& url, const PluginEventSinkPtr& handler,
                                                   bool cached, bool seekRequested, std::size_t bufferSize,
                                                   const std::string& postData) {
  auto stream = std::make_shared<ActiveXStream>(url, cached, seekRequested, bufferSize, postData);
  if (handler) stream->addObserver(handler);
  if (!stream->startRequest({})) return nullptr;
  StreamCreatedEvent created(stream.get());
  stream->sendEvent(&created);
  if (seekRequested) stream->signalOpened();
  return stream;
}

bool ActiveXStream::startRequest(const RangeList& ranges) {
  auto self = std::static_pointer_cast<ActiveXStream>(shared_from_this());
  auto request = std::make_shared<ActiveXStreamRequest>(self, ranges);
  // In the set before binding starts, in case urlmon ends it at once.
  requests_.insert(request);
  bool started = false;
  try {
    started = request->start(request);
  } catch (const std::exception& e) {
    diagnostic("ActiveXStream", [&] { return std::string("Starting a request failed: ") + e.what(); });
  }
  if (!started) {
    requests_.erase(request);
    request->abort();
    request->release();
  }
  return started;
}

bool ActiveXStream::readRanges(const RangeList& ranges) {
  if (!isSeekable() || !opened()) return false;
  if (ranges.empty()) return true;
  for (const Range& range : ranges) {
    if (range.second <= range.first) return false;
  }
  return startRequest(ranges);
}

bool ActiveXStream::write(const char*, std::size_t, std::size_t& written) {
  written = 0;
  return false;
}

bool ActiveXStream::close() {
  if (closing_) return true;
  if (!opened()) return false;
  auto keepAlive = shared_from_this();
  closing_ = true;
  setOpened(false);
  std::set<ActiveXStreamRequestPtr> aborted;
  aborted.swap(requests_);
  for (const ActiveXStreamRequestPtr& request : aborted) {
    request->abort();
    request->release();
  }
  closing_ = false;
  // A transfer cut short ends here: its bindings will not report again.
  if (!aborted.empty() && !completed()) {
    setCompleted(true);
    StreamCompletedEvent completedEvent(this, false);
    sendEvent(&completedEvent);
  }
  return true;
}

void ActiveXStream::signalOpened() {
  setOpened(true);
  StreamOpenedEvent opened(this);
  sendEvent(&opened);
}

void ActiveXStream::signalFailedOpen() {
  if (failedOpenSent_) return;
  failedOpenSent_ = true;
  StreamFailedOpenEvent failed(this);
  sendEvent(&failed);
}

std::size_t ActiveXStream::deliverData(const void* data, std::size_t length, std::size_t offset) {
  if (length == 0) return 0;
  float progress = 0;
  if (totalLength() != 0) {
    progress = static_cast<float>((static_cast<double>(offset) + static_cast<double>(length)) /
                                  static_cast<double>(totalLength()) * 100.0);
  }
  if (opened() || !cacheFile().empty()) {
    StreamDataArrivedEvent arrived(this, data, length, offset, progress);
    sendEvent(&arrived);
  }
  return length;
}

void ActiveXStream::requestFinished(const ActiveXStreamRequest* request, bool success) {
  auto keepAlive = shared_from_this();
  ActiveXStreamRequestPtr ended;
  for (const ActiveXStreamRequestPtr& active : requests_) {
    if (active.get() == request) ended = active;
  }
  if (!ended) return;  // aborted by close
  requests_.erase(ended);
  ended->release();
  if (requests_.empty()) finishTransfer(success);
}

void ActiveXStream::finishTransfer(bool success) {
  if (completed()) return;
  auto keepAlive = shared_from_this();
  setCompleted(true);
  if (!opened() && !success) signalFailedOpen();
  close();
  StreamCompletedEvent completedEvent(this, success);
  sendEvent(&completedEvent);
}

}  // namespace FB::ActiveX
