// FB::Npapi::NpapiStream: a download or form post made through the browser
// with NPN_GetURLNotify / NPN_PostURLNotify. The stream's address is the
// transfer's notifyData, by which the browser's stream callbacks (NPP_*,
// through the instance) find it again; those callbacks drive it, and it
// reports to its observers with the stream events.
//
// While the browser may still call back (from the start of the transfer
// until both NPP_DestroyStream and NPP_URLNotify were seen) the stream holds
// a shared reference to itself.
//
// Browser's main thread only: creation, the callbacks, close, readRanges
// and write all run there, and observers hear the events there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "npapi/npapi_abi.h"
#include "runtime/browser_stream.h"
#include "runtime/plugin_event_sink.h"

namespace FB::Npapi {

class NpapiBrowserHost;

class NpapiStream : public BrowserStream {
 public:
  NpapiStream(const std::string& url, bool cached, bool seekRequested, std::size_t bufferSize,
              const std::weak_ptr<NpapiBrowserHost>& host);
  // Ends a transfer still open with NPRES_USER_BREAK; then the observers
  // hear StreamDestroyedEvent.
  ~NpapiStream() override;

  // Starts a GET of `url` through `host`; `handler` becomes the first
  // observer. Null when the browser refuses or lacks the entry.
  static std::shared_ptr<NpapiStream> open(const std::shared_ptr<NpapiBrowserHost>& host,
                                           const std::string& url, const PluginEventSinkPtr& handler,
                                           bool cached, bool seekRequested, std::size_t bufferSize);
  // The same as a form post of `postData`.
  static std::shared_ptr<NpapiStream> openPost(const std::shared_ptr<NpapiBrowserHost>& host,
                                               const std::string& url, const PluginEventSinkPtr& handler,
                                               const std::string& postData, bool cached, bool seekRequested,
                                               std::size_t bufferSize);
  // What is posted: the form-encoding and length header lines, a blank
  // line, then the data unchanged.
  static std::string postBody(const std::string& postData);

  // FB::BrowserStream
  bool readRanges(const RangeList& ranges) override;
  bool write(const char* data, std::size_t length, std::size_t& written) override;
  bool close() override;

  // The browser's callbacks for one transfer; the stream is the one named by
  // notifyData, and a callback without one is for a stream that is not
  // ours.
  static NPError onNewStream(NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype);
  static int32_t onWriteReady(NPStream* stream);
  static int32_t onWrite(NPStream* stream, int32_t offset, int32_t len, void* buffer);
  static void onStreamAsFile(NPStream* stream, const char* fname);
  static NPError onDestroyStream(NPStream* stream, NPReason reason);
  static void onUrlNotify(const char* url, NPReason reason, void* notifyData);

  // Signals from the callbacks.
  void markOpened();
  void reportOpenFailure();
  // Passes on at most bufferSize bytes; answers how many were taken.
  int32_t deliverData(const void* data, int32_t length, int32_t offset);
  void finishTransfer(bool success);
  void recordCacheFile(const std::wstring& path) { setCacheFile(path); }
  void markDestroySeen();
  void markNotifySeen();
  // The instance ended, so no callback of the browser will come: a transfer
  // still running ends with failure (its observers let go of it, as they do
  // after the browser's own failure notice) and the self-reference kept for
  // the callbacks is dropped.
  void endWithInstance();

  // The browser's record of the transfer; null before it opened and after
  // it was closed or destroyed.
  NPStream* streamRecord() const { return record_; }
  void setStreamRecord(NPStream* record) { record_ = record; }
  bool holdsItself() const { return self_ != nullptr; }

 private:
  // Shared part of open / openPost: `request` starts the transfer with the
  // stream's address as notifyData.
  template <class Request>
  static std::shared_ptr<NpapiStream> start(const std::shared_ptr<NpapiBrowserHost>& host,
                                            const std::string& url, const PluginEventSinkPtr& handler,
                                            bool cached, bool seekRequested, std::size_t bufferSize,
                                            Request request);
  static NpapiStream* fromRecord(const NPStream* stream);
  void releaseSelfWhenDone();

  NPStream* record_ = nullptr;
  std::weak_ptr<NpapiBrowserHost> host_;
  std::shared_ptr<PluginEventSource> self_;
  bool browserStreamLive_ = false;  // accepted by NPP_NewStream, not yet destroyed
  bool notifySeen_ = false;
};

using NpapiStreamPtr = std::shared_ptr<NpapiStream>;

}  // namespace FB::Npapi
