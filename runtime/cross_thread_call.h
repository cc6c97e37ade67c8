// FB::CrossThreadCall: the record of one synchronous call from a worker
// thread to the browser's main thread. The worker waits on the record; the
// main thread marks the call running, runs it, stores an error if it raised
// one, and marks it finished.
//
// Made and waited on by the calling thread; completed on the main thread.
// The main thread refers to the record weakly. A worker gives up only on a
// call that has not started, and marks it abandoned under the mutex, so the
// main thread never starts a call whose caller is gone (the call may refer
// to the caller's stack), and a started call always finishes before its
// caller returns.
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

  enum class State { Queued, Running, Finished, Abandoned };

  std::mutex mutex;
  std::condition_variable finishedSignal;
  State state = State::Queued;  // guarded by mutex
  variant error;                // a std::shared_ptr<FB::script_error> once the call failed

 private:
  std::shared_ptr<FunctorCall> functor_;
};

}  // namespace FB
