#include "runtime/browser_stream_manager.h"

#include <exception>
#include <string>

#include "runtime/diagnostic_log.h"

namespace FB {

BrowserStreamManager::~BrowserStreamManager() {
  std::set<BrowserStreamPtr> leftovers;
  {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    leftovers.swap(streams_);
  }
  for (const auto& stream : leftovers) {
    try {
      stream->close();
    } catch (const std::exception& e) {
      diagnostic("BrowserStreamManager", [&] { return std::string("Closing a stream failed: ") + e.what(); });
    } catch (...) {
      diagnostic("BrowserStreamManager", [] { return "Closing a stream failed"; });
    }
  }
}

void BrowserStreamManager::retainStream(const BrowserStreamPtr& stream) {
  if (!stream) return;
  {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    if (!streams_.insert(stream).second) return;
  }
  stream->addObserver(shared_from_this());
}

bool BrowserStreamManager::handlePluginEvent(PluginEvent* event, PluginEventSource* source) {
  if (!dynamic_cast<StreamCompletedEvent*>(event)) return false;
  auto* stream = dynamic_cast<BrowserStream*>(source);
  if (!stream) return false;
  // The stream may live on only through this set; release it after the lock
  // (the sender keeps it alive until its delivery ends).
  BrowserStreamPtr released;
  {
    std::lock_guard<std::recursive_mutex> lock(lock_);
    for (auto it = streams_.begin(); it != streams_.end(); ++it) {
      if (it->get() == stream) {
        released = *it;
        streams_.erase(it);
        break;
      }
    }
  }
  stream->removeObserver(shared_from_this());
  return false;
}

std::size_t BrowserStreamManager::streamCount() const {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  return streams_.size();
}

bool BrowserStreamManager::holds(const BrowserStreamPtr& stream) const {
  std::lock_guard<std::recursive_mutex> lock(lock_);
  return streams_.count(stream) != 0;
}

}  // namespace FB
