// FB::CrossThreadCall: the record of one synchronous call from a worker
// thread to the browser's main thread. The worker waits on the record; the
// main thread runs the call, stores an error if it raised one, and marks the
// record returned.
//
// Made and waited on by the calling thread; completed on the main thread.
// The main thread refers to the record weakly, so a caller that gave up
// (shutdown) leaves nothing behind for it to touch.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

#include "runtime/functor_call.h"
#include "scripting/variant.h"

namespace FB {

class CrossThreadCall {
 public:
  explicit CrossThreadCall(std::shared_ptr<FunctorCall> functor) : functor_(std::move(functor)) {}

  // The main-thread side; `data` is a heap-held weak reference to a record,
  // freed here.
  static void runOnMainThread(void* data);

  FunctorCall& functor() { return *functor_; }

  std::mutex mutex;
  std::condition_variable returnedSignal;
  bool returned = false;  // guarded by mutex
  variant error;          // a std::shared_ptr<FB::script_error> once the call failed

 private:
  std::shared_ptr<FunctorCall> functor_;
};

}  // namespace FB
