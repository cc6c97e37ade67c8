// The stream side of FB::BrowserHost: the host's stream manager, and stream
// creation through the binding with registration in that manager.
#include "runtime/browser_host.h"

#include <utility>

#include "runtime/browser_stream.h"
#include "runtime/browser_stream_manager.h"

namespace FB {
namespace {

BrowserStreamPtr registered(const std::shared_ptr<BrowserStreamManager>& manager, BrowserStreamPtr stream) {
  // After shutdown there is no manager; the stream then lives as long as its
  // holders keep it.
  if (stream && manager) manager->retainStream(stream);
  return stream;
}

}  // namespace

std::shared_ptr<BrowserStreamManager> BrowserHost::makeStreamManager() {
  return std::make_shared<BrowserStreamManager>();
}

BrowserStreamPtr BrowserHost::createStream(const std::string& url, const PluginEventSinkPtr& handler, bool cache,
                                           bool seekable, std::size_t bufferSize) {
  BrowserStreamPtr stream = openStream(url, handler, cache, seekable, bufferSize);
  return registered(streamManager(), std::move(stream));
}

BrowserStreamPtr BrowserHost::createPostStream(const std::string& url, const PluginEventSinkPtr& handler,
                                               const std::string& postData, bool cache, bool seekable,
                                               std::size_t bufferSize) {
  BrowserStreamPtr stream = openPostStream(url, handler, postData, cache, seekable, bufferSize);
  return registered(streamManager(), std::move(stream));
}

}  // namespace FB
