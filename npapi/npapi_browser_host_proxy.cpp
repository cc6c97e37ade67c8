// NpapiBrowserHost::proxyForUrl: the browser's proxy answer for a URL, or
// the system's when the browser cannot tell.
#include <sstream>
#include <vector>

#include "npapi/npapi_browser_host.h"
#include "scripting/uri.h"

namespace FB::Npapi {

bool NpapiBrowserHost::proxyForUrl(const std::string& url, ProxySettings& settings) {
  if (!isMainThread()) return callOnMainThread([&] { return proxyForUrl(url, settings); });
  if (!browserFuncs().getvalueforurl) return BrowserHost::proxyForUrl(url, settings);
  char* value = nullptr;
  uint32_t length = 0;
  const NPError error = GetValueForURL(NPNURLVProxy, url.c_str(), &value, &length);
  if (error == NPERR_INCOMPATIBLE_VERSION_ERROR) return BrowserHost::proxyForUrl(url, settings);
  if (error != NPERR_NO_ERROR) return false;
  std::string text = value ? std::string(value, length) : std::string();
  MemFree(value);
  if (text == "DIRECT") return false;

  settings.clear();
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string word; std::getline(in, word, ' ');) words.push_back(word);
  const std::string kind = words.empty() ? std::string() : words[0];
  const std::string address = words.size() > 1 ? words[1] : std::string();
  const auto colon = address.find(':');
  const std::string host = address.substr(0, colon);
  const std::string port = colon == std::string::npos ? std::string() : address.substr(colon + 1);
  if (kind == "PROXY") {
    settings["type"] = URI::parse(url).protocol;
  } else if (kind == "SOCKS") {
    settings["type"] = "socks";
  } else {
    settings["type"] = kind;
  }
  settings["hostname"] = host;
  settings["port"] = port;
  return true;
}

}  // namespace FB::Npapi
