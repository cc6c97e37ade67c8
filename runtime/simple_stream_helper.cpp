#include "runtime/simple_stream_helper.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/algorithm/string/trim.hpp>

#include "runtime/diagnostic_log.h"

namespace FB {

SimpleStreamHelperPtr SimpleStreamHelper::fetchUrl(const BrowserHostPtr& host, const URI& uri,
                                                   CompletionCallback callback, bool cached, std::size_t bufferSize) {
  return start(host, uri, nullptr, std::move(callback), cached, bufferSize);
}

SimpleStreamHelperPtr SimpleStreamHelper::postUrl(const BrowserHostPtr& host, const URI& uri,
                                                  const std::string& postData, CompletionCallback callback,
                                                  bool cached, std::size_t bufferSize) {
  return start(host, uri, &postData, std::move(callback), cached, bufferSize);
}

SimpleStreamHelperPtr SimpleStreamHelper::start(const BrowserHostPtr& host, const URI& uri,
                                                const std::string* postData, CompletionCallback callback,
                                                bool cached, std::size_t bufferSize) {
  if (!host) throw std::invalid_argument("SimpleStreamHelper needs a browser host");
  if (!host->isMainThread()) {
    std::optional<std::string> post;
    if (postData) post = *postData;
    return host->callOnMainThread([host, uri, post, callback, cached, bufferSize]() {
      return start(host, uri, post ? &*post : nullptr, callback, cached, bufferSize);
    });
  }
  auto helper = std::make_shared<SimpleStreamHelper>(host, std::move(callback), bufferSize);
  helper->keepSelfAlive(helper);
  helper->beginTransfer(uri, postData, cached, bufferSize);
  return helper;
}

SimpleStreamHelper::SimpleStreamHelper(BrowserHostPtr host, CompletionCallback callback, std::size_t blockSize)
    : host_(std::move(host)),
      blockSize_(blockSize == 0 ? kDefaultBufferSize : blockSize),
      callback_(std::move(callback)) {}

SimpleStreamHelper::~SimpleStreamHelper() = default;

void SimpleStreamHelper::beginTransfer(const URI& uri, const std::string* postData, bool cached,
                                       std::size_t bufferSize) {
  BrowserStreamPtr stream;
  try {
    const std::string url = uri.toString();
    auto self = sharedFromThis<SimpleStreamHelper>();
    stream = postData ? host_->createPostStream(url, self, *postData, cached, false, bufferSize)
                      : host_->createStream(url, self, cached, false, bufferSize);
  } catch (const std::exception& e) {
    diagnostic("SimpleStreamHelper", [&] { return std::string("Could not create the stream: ") + e.what(); });
  }
  if (stream) return;
  StreamCompletedEvent failed(nullptr, false);
  onCompleted(&failed, nullptr);
}

bool SimpleStreamHelper::onDataArrived(StreamDataArrivedEvent* event, BrowserStream*) {
  const std::uint8_t* data = event->data();
  std::size_t remaining = event->length();
  if (!data || overflowed_) return false;
  std::size_t position = event->offset();
  // A body this process cannot count or hold ends as a failed download:
  // its blocks go at once and later chunks are dropped.
  if (remaining > std::numeric_limits<std::size_t>::max() - received_ ||
      remaining > std::numeric_limits<std::size_t>::max() - position) {
    return giveUp("The download is larger than this process can hold");
  }
  // A server decides how much it sends (and, for ranges, where a chunk
  // goes): nothing past the limit is ever allocated.
  if (position + remaining > sizeLimit_ || received_ + remaining > sizeLimit_) {
    return giveUp("The download is larger than its limit");
  }
  try {
    while (remaining > 0) {
      const std::size_t index = position / blockSize_;
      while (blocks_.size() <= index) blocks_.emplace_back(new std::uint8_t[blockSize_]);
      const std::size_t within = position % blockSize_;
      const std::size_t count = std::min(remaining, blockSize_ - within);
      std::memcpy(blocks_[index].get() + within, data, count);
      data += count;
      position += count;
      remaining -= count;
    }
  } catch (const std::bad_alloc&) {
    return giveUp("Not enough memory to hold the download");
  } catch (const std::length_error&) {
    return giveUp("Not enough memory to hold the download");
  }
  received_ += event->length();
  return false;
}

bool SimpleStreamHelper::giveUp(const char* reason) {
  diagnostic("SimpleStreamHelper", [reason] { return reason; });
  overflowed_ = true;
  freeBlocks();
  return false;
}

bool SimpleStreamHelper::onOpened(StreamOpenedEvent*, BrowserStream*) { return false; }

bool SimpleStreamHelper::onCompleted(StreamCompletedEvent* event, BrowserStream* stream) {
  // Whatever happens below, the helper reports once and stops keeping itself
  // alive (`self` keeps it alive until this returns).
  std::shared_ptr<SimpleStreamHelper> self = std::move(selfRef_);
  selfRef_.reset();
  CompletionCallback callback = std::move(callback_);
  callback_ = nullptr;

  bool success = event && event->success() && !overflowed_;
  if (success && !data_) {
    try {
      assemble();
    } catch (const std::exception&) {  // bad_alloc, or a length the allocator refuses
      diagnostic("SimpleStreamHelper", [] { return "Not enough memory to assemble the download"; });
      success = false;
    }
  }
  if (!success) freeBlocks();
  if (!callback) return false;
  if (success) {
    callback(true, stream ? parseHeaders(stream->headerText()) : HeaderFields(), data_, received_);
  } else {
    callback(false, HeaderFields(), ByteArray(), received_);
  }
  return false;
}

void SimpleStreamHelper::assemble() {
  ByteArray data(new std::uint8_t[received_]);
  std::size_t copied = 0;
  for (auto& block : blocks_) {
    if (copied == received_) break;
    const std::size_t count = std::min(blockSize_, received_ - copied);
    std::memcpy(data.get() + copied, block.get(), count);
    copied += count;
    block.reset();
  }
  // Only when chunks overlapped: more bytes were counted than stored.
  if (copied < received_) std::memset(data.get() + copied, 0, received_ - copied);
  freeBlocks();
  data_ = std::move(data);
}

void SimpleStreamHelper::freeBlocks() { std::vector<std::unique_ptr<std::uint8_t[]>>().swap(blocks_); }

SimpleStreamHelper::HeaderFields SimpleStreamHelper::parseHeaders(const std::string& headerText) {
  HeaderFields headers;
  std::vector<std::string> lines;
  boost::algorithm::split(lines, headerText, boost::algorithm::is_any_of("\r\n"));
  for (auto& line : lines) {
    boost::algorithm::trim(line);
    const std::size_t colon = line.find(':');
    if (line.empty() || colon == std::string::npos) continue;
    headers.emplace(boost::algorithm::trim_copy(line.substr(0, colon)),
                    boost::algorithm::trim_copy(line.substr(colon + 1)));
  }
  return headers;
}

}  // namespace FB
