// FB::FakePlatform: a Platform whose answers the test sets. Install it with
// ScopedPlatformForTesting. It counts the queries it receives so tests can
// check that code asked (or did not ask) the system.
// Not synchronised: set the answers before other threads may query it.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/platform.h"

namespace FB {

class FakePlatform : public Platform {
 public:
  std::string modulePath() override { return modulePath_; }

  SystemProxyList systemProxyList() override {
    ++proxyQueries_;
    if (proxyFailure_) throw std::runtime_error(*proxyFailure_);
    return proxyList_;
  }

  void setModulePath(std::string path) { modulePath_ = std::move(path); }
  void setSystemProxyList(ProxyAccess access, std::string proxies) {
    proxyList_ = {access, std::move(proxies)};
    proxyFailure_.reset();
  }
  // Makes systemProxyList() throw std::runtime_error(message).
  void failSystemProxyList(std::string message) { proxyFailure_ = std::move(message); }

  int proxyQueries() const { return proxyQueries_; }

 private:
  std::string modulePath_ = "/fake/npNorvellZephel32.so";
  SystemProxyList proxyList_;
  std::optional<std::string> proxyFailure_;
  int proxyQueries_ = 0;
};

}  // namespace FB
