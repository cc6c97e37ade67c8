// NpapiBrowserHost's stream operations: the NPAPI streams open here.
#include "npapi/npapi_browser_host.h"

#include "npapi/npapi_stream.h"

namespace FB::Npapi {

BrowserStreamPtr NpapiBrowserHost::openStream(const std::string& url, const PluginEventSinkPtr& handler,
                                              bool cache, bool seekable, std::size_t bufferSize) {
  auto self = std::static_pointer_cast<NpapiBrowserHost>(shared_from_this());
  return trackStream(NpapiStream::open(self, url, handler, cache, seekable, bufferSize));
}

BrowserStreamPtr NpapiBrowserHost::openPostStream(const std::string& url, const PluginEventSinkPtr& handler,
                                                  const std::string& postData, bool cache, bool seekable,
                                                  std::size_t bufferSize) {
  auto self = std::static_pointer_cast<NpapiBrowserHost>(shared_from_this());
  return trackStream(NpapiStream::openPost(self, url, handler, postData, cache, seekable, bufferSize));
}

BrowserStreamPtr NpapiBrowserHost::trackStream(const std::shared_ptr<NpapiStream>& stream) {
  if (!stream) return nullptr;
  std::lock_guard<std::mutex> lock(streamsLock_);
  std::erase_if(startedStreams_, [](const std::weak_ptr<NpapiStream>& started) { return started.expired(); });
  startedStreams_.push_back(stream);
  return stream;
}

void NpapiBrowserHost::releaseStartedStreams() {
  std::vector<std::weak_ptr<NpapiStream>> started;
  {
    std::lock_guard<std::mutex> lock(streamsLock_);
    started.swap(startedStreams_);
  }
  // After NPP_Destroy the browser calls nothing more for this instance's
  // streams: one that never heard its end (a request the browser never
  // answered) ends here, so that neither it nor its observers outlive the
  // instance.
  for (const auto& weak : started) {
    if (auto stream = weak.lock()) stream->endWithInstance();
  }
}

}  // namespace FB::Npapi
