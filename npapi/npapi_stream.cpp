#include "npapi/npapi_stream.h"

#include <algorithm>
#include <exception>

#include "npapi/npapi_browser_host.h"
#include "runtime/diagnostic_log.h"
#include "runtime/stream_events.h"
#include "scripting/text_conversion.h"

namespace FB::Npapi {

NpapiStream::NpapiStream(const std::string& url, bool cached, bool seekRequested, std::size_t bufferSize,
                         const std::weak_ptr<NpapiBrowserHost>& host)
    : BrowserStream(url, cached, seekRequested, bufferSize), host_(host) {}

NpapiStream::~NpapiStream() {
  try {
    close();
  } catch (const std::exception& e) {
    diagnostic("NpapiStream", [&] { return std::string("Closing on destruction failed: ") + e.what(); });
  } catch (...) {
    diagnostic("NpapiStream", [] { return "Closing on destruction failed"; });
  }
}

std::string NpapiStream::postBody(const std::string& postData) {
  return "Content-type: application/x-www-form-urlencoded\nContent-Length: " +
         std::to_string(postData.size()) + "\n\n" + postData;
}

template <class Request>
std::shared_ptr<NpapiStream> NpapiStream::start(const std::shared_ptr<NpapiBrowserHost>& host,
                                                const std::string& url, const PluginEventSinkPtr& handler,
                                                bool cached, bool seekRequested, std::size_t bufferSize,
                                                Request request) {
  auto stream = std::make_shared<NpapiStream>(url, cached, seekRequested, bufferSize, host);
  if (handler) stream->addObserver(handler);
  if (!host || request(static_cast<void*>(stream.get())) != NPERR_NO_ERROR) return nullptr;
  stream->self_ = stream;
  StreamCreatedEvent created(stream.get());
  stream->sendEvent(&created);
  return stream;
}

std::shared_ptr<NpapiStream> NpapiStream::open(const std::shared_ptr<NpapiBrowserHost>& host,
                                               const std::string& url, const PluginEventSinkPtr& handler,
                                               bool cached, bool seekRequested, std::size_t bufferSize) {
  return start(host, url, handler, cached, seekRequested, bufferSize,
               [&](void* notifyData) { return host->GetURLNotify(url.c_str(), nullptr, notifyData); });
}

std::shared_ptr<NpapiStream> NpapiStream::openPost(const std::shared_ptr<NpapiBrowserHost>& host,
                                                   const std::string& url, const PluginEventSinkPtr& handler,
                                                   const std::string& postData, bool cached,
                                                   bool seekRequested, std::size_t bufferSize) {
  const std::string body = postBody(postData);
  return start(host, url, handler, cached, seekRequested, bufferSize, [&](void* notifyData) {
    return host->PostURLNotify(url.c_str(), nullptr, static_cast<uint32_t>(body.size()), body.data(), false,
                               notifyData);
  });
}

bool NpapiStream::readRanges(const RangeList& ranges) {
  if (!record_ || !isSeekable() || !opened()) return false;
  if (ranges.empty()) return true;
  NpapiBrowserHostPtr host = host_.lock();
  if (!host) return false;
  std::vector<NPByteRange> list(ranges.size());
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    list[i].offset = static_cast<int32_t>(ranges[i].first);
    list[i].length = static_cast<uint32_t>(ranges[i].second - ranges[i].first);
    list[i].next = i + 1 < ranges.size() ? &list[i + 1] : nullptr;
  }
  return host->RequestRead(record_, list.data()) == NPERR_NO_ERROR;
}

bool NpapiStream::write(const char* data, std::size_t length, std::size_t& written) {
  if (!record_ || !opened()) return false;
  NpapiBrowserHostPtr host = host_.lock();
  const int32_t count =
      host ? host->Write(record_, static_cast<int32_t>(length), const_cast<char*>(data)) : 0;
  written = count > 0 ? static_cast<std::size_t>(count) : 0;
  return written == length;
}

bool NpapiStream::close() {
  if (!record_) return false;
  if (opened()) {
    StreamCompletedEvent completed(this, true);
    sendEvent(&completed);
  }
  setOpened(false);
  // The browser may call NPP_DestroyStream from inside NPN_DestroyStream;
  // the record is taken first so that the stream is not ended twice.
  NPStream* record = record_;
  NpapiBrowserHostPtr host = host_.lock();
  const NPError answer = host ? host->DestroyStream(record, NPRES_USER_BREAK) : NPERR_GENERIC_ERROR;
  record_ = nullptr;
  return answer == NPERR_NO_ERROR;
}

NpapiStream* NpapiStream::fromRecord(const NPStream* stream) {
  return stream ? static_cast<NpapiStream*>(stream->notifyData) : nullptr;
}

NPError NpapiStream::onNewStream(NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype) {
  NpapiStream* s = fromRecord(stream);
  if (!s) return NPERR_NO_ERROR;
  auto keepAlive = s->weak_from_this().lock();
  s->setMimeType(type ? type : "");
  s->record_ = stream;
  s->setTotalLength(stream->end);
  if (stream->url) s->setUrl(stream->url);
  if (stream->headers) s->setHeaderText(stream->headers);
  s->setServerSeekable(seekable != 0);
  if (s->seekRequested() && !seekable) {
    // A refused stream gets no NPP_DestroyStream; only the notification
    // is still to come.
    s->reportOpenFailure();
    s->record_ = nullptr;
    return NPERR_STREAM_NOT_SEEKABLE;
  }
  s->browserStreamLive_ = true;
  if (stype) *stype = s->isSeekable() ? NP_SEEK : s->cached() ? NP_ASFILE : NP_NORMAL;
  if (!s->completed()) s->markOpened();
  return NPERR_NO_ERROR;
}

int32_t NpapiStream::onWriteReady(NPStream* stream) {
  NpapiStream* s = fromRecord(stream);
  if (!s) return -1;
  return static_cast<int32_t>(std::min<std::size_t>(s->bufferSize(), NP_MAXREADY));
}

int32_t NpapiStream::onWrite(NPStream* stream, int32_t offset, int32_t len, void* buffer) {
  NpapiStream* s = fromRecord(stream);
  if (!s) return -1;
  auto keepAlive = s->weak_from_this().lock();
  return s->deliverData(buffer, len, offset);
}

void NpapiStream::onStreamAsFile(NPStream* stream, const char* fname) {
  NpapiStream* s = fromRecord(stream);
  if (s && fname) s->recordCacheFile(toWide(fname));
}

NPError NpapiStream::onDestroyStream(NPStream* stream, NPReason reason) {
  NpapiStream* s = fromRecord(stream);
  if (!s || !s->record_) return NPERR_NO_ERROR;
  auto keepAlive = s->weak_from_this().lock();
  s->record_ = nullptr;
  stream->notifyData = nullptr;
  if (!s->completed()) s->finishTransfer(reason == NPRES_DONE);
  s->markDestroySeen();
  return NPERR_NO_ERROR;
}

void NpapiStream::onUrlNotify(const char* /*url*/, NPReason reason, void* notifyData) {
  auto* s = static_cast<NpapiStream*>(notifyData);
  if (!s) return;
  auto keepAlive = s->weak_from_this().lock();
  s->finishTransfer(reason == NPRES_DONE);
  s->markNotifySeen();
}

void NpapiStream::markOpened() {
  setOpened(true);
  StreamOpenedEvent opened(this);
  sendEvent(&opened);
}

void NpapiStream::reportOpenFailure() {
  StreamFailedOpenEvent failed(this);
  sendEvent(&failed);
}

int32_t NpapiStream::deliverData(const void* data, int32_t length, int32_t offset) {
  if (length <= 0) return 0;
  const std::size_t taken = std::min<std::size_t>(static_cast<std::size_t>(length), bufferSize());
  if (taken == 0) return 0;
  float progress = 0;
  if (totalLength() != 0) {
    progress =
        static_cast<float>(static_cast<double>(offset) + length) / static_cast<float>(totalLength()) * 100.0f;
  }
  if (opened()) {
    StreamDataArrivedEvent arrived(this, data, taken, static_cast<std::size_t>(offset), progress);
    sendEvent(&arrived);
  }
  return static_cast<int32_t>(taken);
}

void NpapiStream::finishTransfer(bool success) {
  if (isSeekable() && success) return;
  if (completed()) return;
  setCompleted(true);
  close();
  StreamCompletedEvent completedEvent(this, success);
  sendEvent(&completedEvent);
}

void NpapiStream::endWithInstance() {
  auto keepAlive = weak_from_this().lock();
  if (!completed()) finishTransfer(false);
  self_.reset();
}

void NpapiStream::markDestroySeen() {
  browserStreamLive_ = false;
  releaseSelfWhenDone();
}

void NpapiStream::markNotifySeen() {
  notifySeen_ = true;
  releaseSelfWhenDone();
}

// The browser is done with the stream once the notification came and no
// browser stream is open: it was destroyed, refused, or never opened (a
// request that failed before any data gets only the notification).
void NpapiStream::releaseSelfWhenDone() {
  if (notifySeen_ && !browserStreamLive_) self_.reset();
}

}  // namespace FB::Npapi
