#include "runtime/default_browser_stream_handler.h"

#include <typeinfo>

namespace FB {

DefaultBrowserStreamHandler::~DefaultBrowserStreamHandler() = default;

bool DefaultBrowserStreamHandler::handlePluginEvent(PluginEvent* event, PluginEventSource* source) {
  if (!dynamic_cast<StreamEvent*>(event)) return false;
  if (!source) throw std::bad_cast();
  BrowserStream* stream = &dynamic_cast<BrowserStream&>(*source);
  if (auto* e = dynamic_cast<StreamCreatedEvent*>(event)) return onCreated(e, stream);
  if (auto* e = dynamic_cast<StreamDestroyedEvent*>(event)) return onDestroyed(e, stream);
  if (auto* e = dynamic_cast<StreamFailedOpenEvent*>(event)) return onFailedOpen(e, stream);
  if (auto* e = dynamic_cast<StreamOpenedEvent*>(event)) return onOpened(e, stream);
  if (auto* e = dynamic_cast<StreamDataArrivedEvent*>(event)) return onDataArrived(e, stream);
  if (auto* e = dynamic_cast<StreamCompletedEvent*>(event)) return onCompleted(e, stream);
  return false;
}

bool DefaultBrowserStreamHandler::onCreated(StreamCreatedEvent*, BrowserStream* stream) {
  setStream(std::static_pointer_cast<BrowserStream>(stream->selfReference()));
  return false;
}

bool DefaultBrowserStreamHandler::onDestroyed(StreamDestroyedEvent*, BrowserStream*) {
  clearStream();
  return false;
}

bool DefaultBrowserStreamHandler::onDataArrived(StreamDataArrivedEvent*, BrowserStream*) { return false; }
bool DefaultBrowserStreamHandler::onFailedOpen(StreamFailedOpenEvent*, BrowserStream*) { return false; }
bool DefaultBrowserStreamHandler::onOpened(StreamOpenedEvent*, BrowserStream*) { return false; }
bool DefaultBrowserStreamHandler::onCompleted(StreamCompletedEvent*, BrowserStream*) { return false; }

BrowserStreamPtr DefaultBrowserStreamHandler::currentStream() const { return stream_; }
void DefaultBrowserStreamHandler::setStream(const BrowserStreamPtr& stream) { stream_ = stream; }
void DefaultBrowserStreamHandler::clearStream() { stream_.reset(); }

}  // namespace FB
