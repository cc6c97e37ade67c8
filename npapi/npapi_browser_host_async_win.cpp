#include "npapi/npapi_browser_host_async_win.h"

#include "npapi/async_message_window_win.h"

namespace FB::Npapi {
namespace {

// One posted call; owned by the message from posting until it runs.
struct PostedCall {
  AsyncFunction function;
  void* data;
};

bool runPostedCall(unsigned message, std::uintptr_t, std::intptr_t lParam, std::intptr_t& result) {
  if (message != NpapiBrowserHostAsyncWin::kAsyncCallMessage) return false;
  std::unique_ptr<PostedCall> call(reinterpret_cast<PostedCall*>(lParam));
  if (call && call->function) call->function(call->data);
  result = 0;
  return true;
}

}  // namespace

NpapiBrowserHostAsyncWin::NpapiBrowserHostAsyncWin(NpapiPluginModule* module, NPP instance)
    : NpapiBrowserHost(module, instance), window_(std::make_unique<AsyncMessageWindow>()) {
  window_->setHandler(&runPostedCall);
}

NpapiBrowserHostAsyncWin::NpapiBrowserHostAsyncWin(NPP instance) : NpapiBrowserHostAsyncWin(nullptr, instance) {}

// Calls still queued for the window are dropped with it (their records are
// not run).
NpapiBrowserHostAsyncWin::~NpapiBrowserHostAsyncWin() = default;

bool NpapiBrowserHostAsyncWin::postToMainThread(AsyncFunction function, void* data) {
  auto* call = new PostedCall{function, data};
  if (window_->post(kAsyncCallMessage, 0, reinterpret_cast<std::intptr_t>(call))) return true;
  delete call;
  return false;
}

}  // namespace FB::Npapi
