// The stream probe: a test plug-in (MIME type application/x-nz-stream-probe)
// made from the same framework as the product. Its root object has two
// methods:
//   fetch(url, callback)        downloads url through the browser
//   post(url, body, callback)   posts body to url through the browser
// Both start an FB::SimpleStreamHelper transfer with the instance's host and
// return at once; when the transfer ends the page's callback is called later
// (from a page timer) with
//   (success, size, the data as text, the response's Content-Type or "").
// The module exports only the Unix NPAPI entry points (exports.map). The
// browser calls everything on its main thread.
#include <cstddef>
#include <memory>
#include <string>

#include <boost/algorithm/string/predicate.hpp>

#include "npapi/module_entry.h"
#include "npapi/npapi_abi.h"
#include "npapi/npapi_plugin_module.h"
#include "npapi/npp_functions.h"
#include "runtime/diagnostic_log.h"
#include "runtime/factory_base.h"
#include "runtime/plugin_core.h"
#include "runtime/simple_stream_helper.h"
#include "scripting/js_object.h"
#include "scripting/jsapi_auto.h"
#include "scripting/uri.h"

#define NZ_PROBE_EXPORT __attribute__((visibility("default")))

namespace {

constexpr const char* kProbeMimeDescription = "application/x-nz-stream-probe::Norvell Zephel stream probe;";
constexpr const char* kProbeName = "Norvell Zephel Stream Probe";
constexpr const char* kProbeDescription = "Norvell Zephel stream probe";

// The value of the first header named `name` (any case), or "".
std::string headerValue(const FB::SimpleStreamHelper::HeaderFields& headers, const std::string& name) {
  for (const auto& [key, value] : headers) {
    if (boost::algorithm::iequals(key, name)) return value;
  }
  return "";
}

class StreamProbeAPI : public FB::JSAPIAuto {
 public:
  explicit StreamProbeAPI(const FB::BrowserHostPtr& host) : host_(host) {
    addMethod("fetch", FB::makeMethod(this, &StreamProbeAPI::fetch));
    addMethod("post", FB::makeMethod(this, &StreamProbeAPI::post));
  }

  void fetch(const std::string& url, const FB::JSObjectPtr& callback) {
    FB::SimpleStreamHelper::fetchUrl(host_, FB::URI(url), reporter(callback));
  }

  void post(const std::string& url, const std::string& body, const FB::JSObjectPtr& callback) {
    FB::SimpleStreamHelper::postUrl(host_, FB::URI(url), body, reporter(callback));
  }

 private:
  // The completion callback that hands the outcome to the page's function.
  static FB::SimpleStreamHelper::CompletionCallback reporter(const FB::JSObjectPtr& callback) {
    return [callback](bool success, const FB::SimpleStreamHelper::HeaderFields& headers,
                      const FB::SimpleStreamHelper::ByteArray& data, std::size_t size) {
      if (!callback) return;
      std::string text;
      if (data) text.assign(reinterpret_cast<const char*>(data.get()), size);
      try {
        callback->callLater("", FB::VariantVector{success, static_cast<int>(size), text,
                                                  headerValue(headers, "Content-Type")});
      } catch (const std::exception& e) {
        FB::diagnostic("StreamProbe", [&] { return std::string("Could not call the page back: ") + e.what(); });
      }
    };
  }

  FB::BrowserHostPtr host_;
};

class StreamProbeCore : public FB::PluginCore {
 public:
  ~StreamProbeCore() override {
    clearRootObject();
    if (host()) host()->freeRetainedObjects();
  }

  bool handlePluginEvent(FB::PluginEvent*, FB::PluginEventSource*) override { return false; }
  FB::JSAPIPtr createRootObject() override { return std::make_shared<StreamProbeAPI>(host()); }
};

class StreamProbeFactory : public FB::FactoryBase {
 public:
  FB::PluginCorePtr createPlugin(const std::string&) override { return std::make_shared<StreamProbeCore>(); }
};

}  // namespace

FB::FactoryBasePtr FB::createApplicationFactory() { return std::make_shared<StreamProbeFactory>(); }


extern "C" {

NZ_PROBE_EXPORT const char* NP_GetMIMEDescription(void) { return kProbeMimeDescription; }

NZ_PROBE_EXPORT char* NP_GetPluginVersion(void) {
  static char version[] = "1.0.0";
  return version;
}

NZ_PROBE_EXPORT NPError NP_GetValue(void* /*future*/, NPPVariable variable, void* value) {
  return FB::Npapi::answerModuleValue(variable, value, kProbeName, kProbeDescription);
}

NZ_PROBE_EXPORT NPError NP_Initialize(NPNetscapeFuncs* browserFuncs, NPPluginFuncs* pluginFuncs) {
  return FB::Npapi::startModule(browserFuncs, pluginFuncs);
}

NZ_PROBE_EXPORT NPError NP_Shutdown(void) { return FB::Npapi::stopModule(); }

}  // extern "C"
