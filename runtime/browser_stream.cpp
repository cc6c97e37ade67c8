#include "runtime/browser_stream.h"

#include <exception>

#include "runtime/diagnostic_log.h"

namespace FB {

BrowserStream::BrowserStream(std::string url, bool cached, bool seekRequested, std::size_t bufferSize)
    : url_(std::move(url)), cached_(cached), seekRequested_(seekRequested), bufferSize_(bufferSize) {}

BrowserStream::~BrowserStream() {
  // A destructor must not throw, whatever the observers do.
  try {
    StreamDestroyedEvent destroyed(this);
    sendEvent(&destroyed);
  } catch (const std::exception& e) {
    diagnostic("BrowserStream", [&] { return std::string("Observer failed on stream destruction: ") + e.what(); });
  } catch (...) {
    diagnostic("BrowserStream", [] { return "Observer failed on stream destruction"; });
  }
}

bool BrowserStream::readRange(std::size_t start, std::size_t end) { return readRanges(RangeList{Range(start, end)}); }

}  // namespace FB
