// FB::Npapi::NpapiBrowserHostAsyncWin: the browser host for browsers whose
// own cross-thread call cannot be relied on. Calls for the main thread are
// posted (message 1025) to a hidden message-only window that this host owns
// and made from its window procedure. Windows only; declares no Windows
// types.
//
// Thread rules: as NpapiBrowserHost; made on the main thread, whose message
// loop runs the posted calls. postToMainThread may be called from any
// thread; it does not look at the shutting-down state.
#pragma once

#include <memory>

#include "npapi/npapi_browser_host.h"

namespace FB::Npapi {

class AsyncMessageWindow;

class NpapiBrowserHostAsyncWin : public NpapiBrowserHost {
 public:
  static constexpr unsigned kAsyncCallMessage = 1025;

  // Throws std::runtime_error when the message window cannot be made.
  NpapiBrowserHostAsyncWin(NpapiPluginModule* module, NPP instance);
  explicit NpapiBrowserHostAsyncWin(NPP instance);
  ~NpapiBrowserHostAsyncWin() override;

  bool postToMainThread(AsyncFunction function, void* data) override;

  const AsyncMessageWindow& messageWindow() const { return *window_; }

 private:
  std::unique_ptr<AsyncMessageWindow> window_;
};

}  // namespace FB::Npapi
