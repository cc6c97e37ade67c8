// FB::FunctorCall: one call queued for the browser's main thread. It owns
// the bound function (and whatever the function captured), optionally a
// reference that keeps a target object alive until the call has run, and,
// for functions with a result, the result.
//
// Made on any thread, run once on the main thread, then destroyed by
// whoever holds it last.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "runtime/diagnostic_log.h"

namespace FB {

class FunctorCall {
 public:
  virtual ~FunctorCall() = default;
  virtual void call() = 0;
};

namespace functor_detail {
template <class R>
struct ResultSlot {
  std::optional<R> value;
};
template <>
struct ResultSlot<void> {};
}  // namespace functor_detail

template <class R>
class FunctorCallImpl : public FunctorCall {
 public:
  FunctorCallImpl(std::function<R()> function, std::shared_ptr<const void> keepAlive = nullptr)
      : function_(std::move(function)), keepAlive_(std::move(keepAlive)) {}
  ~FunctorCallImpl() override {
    diagnostic("FunctorCall", [] {
      return std::is_void_v<R> ? "Destroying FunctorCall object (void)" : "Destroying FunctorCall object (non-void)";
    });
  }

  void call() override {
    if constexpr (std::is_void_v<R>) {
      function_();
    } else {
      result_.value.emplace(function_());
    }
  }

  // The result of a call that has run (functions with a result only).
  template <class T = R>
    requires(!std::is_void_v<T>)
  T takeResult() {
    return std::move(*result_.value);
  }

 private:
  std::function<R()> function_;
  std::shared_ptr<const void> keepAlive_;
  functor_detail::ResultSlot<R> result_;
};

}  // namespace FB
