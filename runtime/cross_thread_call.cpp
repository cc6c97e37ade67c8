#include "runtime/cross_thread_call.h"

#include "scripting/script_error.h"

namespace FB {

void CrossThreadCall::runOnMainThread(void* data) {
  std::unique_ptr<std::weak_ptr<CrossThreadCall>> weak(static_cast<std::weak_ptr<CrossThreadCall>*>(data));
  std::shared_ptr<CrossThreadCall> record = weak->lock();
  if (!record) return;
  {
    std::lock_guard<std::mutex> lock(record->mutex);
    if (record->state != State::Queued) return;  // its caller gave up: never start it
    record->state = State::Running;
  }
  // Whatever the function raises goes back to the waiting thread as a script
  // error; nothing may escape into the browser's dispatch loop.
  std::shared_ptr<script_error> failure;
  try {
    record->functor().call();
  } catch (const script_error& e) {
    failure = std::make_shared<script_error>(e.what());
  } catch (const std::exception& e) {
    failure = std::make_shared<script_error>(*e.what() ? e.what() : "Unknown exception");
  } catch (...) {
    failure = std::make_shared<script_error>("Unknown exception");
  }
  std::lock_guard<std::mutex> lock(record->mutex);
  if (failure) record->error = failure;
  record->state = State::Finished;
  record->finishedSignal.notify_all();
}

}  // namespace FB
