#include "app/norvell_zephel_bs_stream_helper.h"

#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

#include "manager/package_limits.h"
#include "runtime/diagnostic_log.h"
#include "runtime/stream_events.h"

namespace Norvell {

std::shared_ptr<FB::SimpleStreamHelper> NorvellZephelBSStreamHelper::startDownload(const FB::JSObjectPtr& progress,
                                                                                   const FB::BrowserHostPtr& host,
                                                                                   const FB::URI& url,
                                                                                   CompletionCallback completion) {
  if (!host) throw std::invalid_argument("NorvellZephelBSStreamHelper needs a browser host");
  if (!host->isMainThread()) {
    return host->callOnMainThread(
        [progress, host, url, completion]() { return startDownload(progress, host, url, completion); });
  }
  auto helper = std::make_shared<NorvellZephelBSStreamHelper>(host, progress, std::move(completion));
  helper->self_ = helper;
  // When no stream comes back the transfer is reported as failed at once,
  // through onCompleted, which also drops `self_`.
  helper->beginTransfer(url, nullptr, true, kStreamBufferSize);
  return helper;
}

NorvellZephelBSStreamHelper::NorvellZephelBSStreamHelper(const FB::BrowserHostPtr& host,
                                                         const FB::JSObjectPtr& progress,
                                                         CompletionCallback completion)
    : FB::SimpleStreamHelper(host, std::move(completion), kBlockSize), progress_(progress) {
  // A package beyond the limit could never be installed: it is not held
  // either.
  setSizeLimit(static_cast<std::size_t>(kMaxPackageBytes));
}

NorvellZephelBSStreamHelper::~NorvellZephelBSStreamHelper() = default;

bool NorvellZephelBSStreamHelper::onDataArrived(FB::StreamDataArrivedEvent* event, FB::BrowserStream* stream) {
  const bool handled = FB::SimpleStreamHelper::onDataArrived(event, stream);
  if (progress_) {
    // Only a report: a page whose progress function fails still gets its
    // download, and the error must not reach the browser's stream delivery.
    try {
      progress_->callMethod("", FB::VariantVector{static_cast<double>(event->length())});
    } catch (const std::exception& e) {
      FB::diagnostic("NorvellZephelBSStreamHelper",
                     [&] { return std::string("The progress function failed: ") + e.what(); });
    }
  }
  return handled;
}

bool NorvellZephelBSStreamHelper::onCompleted(FB::StreamCompletedEvent* event, FB::BrowserStream* stream) {
  // Held until this returns, so the object outlives its own completion.
  std::shared_ptr<NorvellZephelBSStreamHelper> self = std::move(self_);
  self_.reset();
  const bool handled = FB::SimpleStreamHelper::onCompleted(event, stream);
  progress_.reset();
  return handled;
}

}  // namespace Norvell
