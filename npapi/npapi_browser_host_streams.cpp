// NpapiBrowserHost's stream operations: the NPAPI streams open here.
#include "npapi/npapi_browser_host.h"

#include "npapi/npapi_stream.h"

namespace FB::Npapi {

BrowserStreamPtr NpapiBrowserHost::openStream(const std::string& url, const PluginEventSinkPtr& handler,
                                              bool cache, bool seekable, std::size_t bufferSize) {
  auto self = std::static_pointer_cast<NpapiBrowserHost>(shared_from_this());
  return NpapiStream::open(self, url, handler, cache, seekable, bufferSize);
}

BrowserStreamPtr NpapiBrowserHost::openPostStream(const std::string& url, const PluginEventSinkPtr& handler,
                                                  const std::string& postData, bool cache, bool seekable,
                                                  std::size_t bufferSize) {
  auto self = std::static_pointer_cast<NpapiBrowserHost>(shared_from_this());
  return NpapiStream::openPost(self, url, handler, postData, cache, seekable, bufferSize);
}

}  // namespace FB::Npapi
