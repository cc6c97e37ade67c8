// Norvell::NorvellZephelBSStreamHelper: the download object of the plug-in
// manager. A one-shot fetch through the browser (FB::SimpleStreamHelper)
// that also tells a script function the size of every chunk as it arrives,
// and keeps itself alive until its stream has completed. A body larger than
// the biggest package allowed fails as soon as it is larger.
//
// startDownload may be called from any thread; it moves itself to the
// browser's main thread. The progress and completion calls arrive on the
// thread on which the host delivers stream events (the main thread).
#pragma once

#include <cstddef>
#include <memory>

#include "runtime/simple_stream_helper.h"
#include "scripting/js_object.h"
#include "scripting/uri.h"

namespace Norvell {

class NorvellZephelBSStreamHelper : public FB::SimpleStreamHelper {
 public:
  static constexpr std::size_t kBlockSize = 131072;
  static constexpr std::size_t kStreamBufferSize = 262144;

  // Starts a cached GET of `url` and answers the download object at once.
  // `progress` (may be empty) is called with each chunk's size; `completion`
  // once, when the stream ends, also when no stream could be made at all.
  static std::shared_ptr<FB::SimpleStreamHelper> startDownload(const FB::JSObjectPtr& progress,
                                                               const FB::BrowserHostPtr& host, const FB::URI& url,
                                                               CompletionCallback completion);

  NorvellZephelBSStreamHelper(const FB::BrowserHostPtr& host, const FB::JSObjectPtr& progress,
                              CompletionCallback completion);
  ~NorvellZephelBSStreamHelper() override;

  // Stores the chunk, then calls `progress` with its length (a number).
  bool onDataArrived(FB::StreamDataArrivedEvent* event, FB::BrowserStream* stream) override;
  // Reports to the completion callback, then lets go of `progress` and of
  // the self-reference.
  bool onCompleted(FB::StreamCompletedEvent* event, FB::BrowserStream* stream) override;

 private:
  FB::JSObjectPtr progress_;
  std::shared_ptr<NorvellZephelBSStreamHelper> self_;
};

}  // namespace Norvell
