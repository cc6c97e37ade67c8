// LoopbackHttpServer: a small HTTP/1.1 server on 127.0.0.1 for the tests and
// benchmarks of downloads made through the browser's URL monikers. It serves
// resources registered by path, honours "Range: bytes=" when a resource
// allows ranges (one range as a 206 with Content-Range, several as a
// multipart/byteranges answer), answers 404 for unknown paths, and logs
// every request (method, path, header lines, body). Every answer closes its
// connection.
//
// Test code. Resources are registered before requests for them arrive; the
// log may be read from any thread. One thread per connection serves
// requests; the destructor stops and joins them all.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace FB::ActiveX::testing {

class LoopbackHttpServer {
 public:
  struct Resource {
    int status = 200;
    std::string contentType = "application/octet-stream";
    std::string body;
    // When not 0, the body is this many bytes of a fixed pattern made as it
    // is sent (a large download without a large buffer); `body` is unused.
    std::uint64_t generatedSize = 0;
    bool acceptRanges = true;
    std::string extraHeaders;  // further header lines, CR LF after each
  };
  struct Request {
    std::string method;
    std::string path;
    std::string headers;  // the header lines as received, CR LF after each
    std::string body;
    // The value of the named header, or "" (names compared ignoring case).
    std::string header(const std::string& name) const;
  };

  // Starts listening on a free loopback port. Throws std::runtime_error
  // when it cannot.
  LoopbackHttpServer();
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  void serve(const std::string& path, Resource resource);
  // "http://127.0.0.1:<port>" followed by `path`.
  std::string url(const std::string& path) const;
  unsigned short port() const { return port_; }
  std::vector<Request> requests() const;

  // Byte `index` of a generated body.
  static char patternByte(std::uint64_t index) { return static_cast<char>('a' + index % 23); }

 private:
  void acceptLoop();
  void handle(SOCKET connection);
  void answer(SOCKET connection, const Request& request);

  SOCKET listener_ = INVALID_SOCKET;
  unsigned short port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex lock_;
  std::map<std::string, Resource> resources_;
  std::vector<Request> log_;
  std::vector<SOCKET> open_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

}  // namespace FB::ActiveX::testing
