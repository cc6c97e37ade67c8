#include "activex/loopback_http_server_win.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace FB::ActiveX::testing {
namespace {

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool sendAll(SOCKET connection, const char* data, std::size_t length) {
  while (length > 0) {
    const int sent = ::send(connection, data, static_cast<int>(std::min<std::size_t>(length, 1 << 20)), 0);
    if (sent <= 0) return false;
    data += sent;
    length -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool sendText(SOCKET connection, const std::string& text) { return sendAll(connection, text.data(), text.size()); }

// Sends bytes [start, end) of the resource's body.
bool sendBody(SOCKET connection, const LoopbackHttpServer::Resource& resource, std::uint64_t start,
              std::uint64_t end) {
  if (resource.generatedSize == 0) return sendAll(connection, resource.body.data() + start, end - start);
  std::string block(256 * 1024, '\0');
  for (std::uint64_t at = start; at < end;) {
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), end - at));
    for (std::size_t i = 0; i < count; ++i) block[i] = LoopbackHttpServer::patternByte(at + i);
    if (!sendAll(connection, block.data(), count)) return false;
    at += count;
  }
  return true;
}

// "bytes=a-b,c-,..." as half-open ranges clipped to `size`; empty when the
// header is missing or malformed.
std::vector<std::pair<std::uint64_t, std::uint64_t>> parseRanges(const std::string& header, std::uint64_t size) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
  if (header.compare(0, 6, "bytes=") != 0) return ranges;
  std::size_t at = 6;
  while (at < header.size()) {
    std::size_t comma = header.find(',', at);
    if (comma == std::string::npos) comma = header.size();
    const std::string piece = header.substr(at, comma - at);
    const std::size_t dash = piece.find('-');
    if (dash == std::string::npos || dash == 0) return {};
    const std::uint64_t first = std::stoull(piece.substr(0, dash));
    const std::uint64_t last = dash + 1 < piece.size() ? std::stoull(piece.substr(dash + 1)) : size - 1;
    if (first > last || first >= size) return {};
    ranges.emplace_back(first, std::min(last + 1, size));
    at = comma + 1;
  }
  return ranges;
}

const char* reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 404: return "Not Found";
    default: return "Status";
  }
}

}  // namespace

std::string LoopbackHttpServer::Request::header(const std::string& name) const {
  const std::string wanted = lower(name) + ":";
  std::size_t at = 0;
  while (at < headers.size()) {
    std::size_t end = headers.find("\r\n", at);
    if (end == std::string::npos) end = headers.size();
    const std::string line = headers.substr(at, end - at);
    if (lower(line.substr(0, wanted.size())) == wanted) {
      std::string value = line.substr(wanted.size());
      value.erase(0, value.find_first_not_of(' '));
      return value;
    }
    at = end + 2;
  }
  return "";
}

LoopbackHttpServer::LoopbackHttpServer() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
  listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof address;
  if (listener_ == INVALID_SOCKET || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, SOMAXCONN) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    WSACleanup();
    throw std::runtime_error("the loopback server cannot listen");
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  closesocket(listener_);
  acceptor_.join();
  {
    std::lock_guard guard(lock_);
    for (SOCKET connection : open_) ::shutdown(connection, SD_BOTH);
  }
  for (std::thread& worker : workers_) worker.join();
  WSACleanup();
}

void LoopbackHttpServer::serve(const std::string& path, Resource resource) {
  std::lock_guard guard(lock_);
  resources_[path] = std::move(resource);
}

std::string LoopbackHttpServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const {
  std::lock_guard guard(lock_);
  return log_;
}

void LoopbackHttpServer::acceptLoop() {
  while (!stopping_) {
    SOCKET connection = ::accept(listener_, nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
    std::lock_guard guard(lock_);
    if (stopping_) {
      closesocket(connection);
      break;
    }
    open_.push_back(connection);
    workers_.emplace_back([this, connection] { handle(connection); });
  }
}

void LoopbackHttpServer::handle(SOCKET connection) {
  // A client that stops reading (an aborted download) must not hold a
  // worker, and with it the server's end, for ever.
  const DWORD limit = 5000;
  setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
  setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
  std::string received;
  char buffer[4096];
  std::size_t headerEnd = std::string::npos;
  while ((headerEnd = received.find("\r\n\r\n")) == std::string::npos) {
    const int count = ::recv(connection, buffer, sizeof buffer, 0);
    if (count <= 0) break;
    received.append(buffer, static_cast<std::size_t>(count));
  }
  if (headerEnd != std::string::npos) {
    Request request;
    const std::size_t lineEnd = received.find("\r\n");
    const std::string line = received.substr(0, lineEnd);
    const std::size_t space = line.find(' ');
    const std::size_t space2 = line.find(' ', space + 1);
    request.method = line.substr(0, space);
    request.path = line.substr(space + 1, space2 - space - 1);
    request.headers = received.substr(lineEnd + 2, headerEnd + 2 - (lineEnd + 2));
    request.body = received.substr(headerEnd + 4);
    const std::string length = request.header("Content-Length");
    const std::size_t wanted = length.empty() ? 0 : std::stoul(length);
    while (request.body.size() < wanted) {
      const int count = ::recv(connection, buffer, sizeof buffer, 0);
      if (count <= 0) break;
      request.body.append(buffer, static_cast<std::size_t>(count));
    }
    {
      std::lock_guard guard(lock_);
      log_.push_back(request);
    }
    answer(connection, request);
  }
  ::shutdown(connection, SD_SEND);
  // Drains what the client still sends, so that closing does not reset the
  // connection before the client read the answer.
  while (::recv(connection, buffer, sizeof buffer, 0) > 0) {
  }
  std::lock_guard guard(lock_);
  open_.erase(std::remove(open_.begin(), open_.end(), connection), open_.end());
  closesocket(connection);
}

void LoopbackHttpServer::answer(SOCKET connection, const Request& request) {
  Resource resource;
  bool found = false;
  {
    std::lock_guard guard(lock_);
    auto it = resources_.find(request.path);
    if (it != resources_.end()) {
      resource = it->second;
      found = true;
    }
  }
  if (!found) {
    resource.status = 404;
    resource.contentType = "text/html";
    resource.body = "<html><body>not found</body></html>";
    resource.acceptRanges = false;
  }
  const std::uint64_t size = resource.generatedSize ? resource.generatedSize : resource.body.size();
  std::string head;
  const auto ranges = resource.acceptRanges && resource.status == 200
                          ? parseRanges(request.header("Range"), size)
                          : std::vector<std::pair<std::uint64_t, std::uint64_t>>();
  const std::string common = std::string("Connection: close\r\n") +
                             (resource.acceptRanges ? "Accept-Ranges: bytes\r\n" : "") + "Cache-Control: no-store\r\n" +
                             resource.extraHeaders;
  if (ranges.size() == 1) {
    const auto [start, end] = ranges[0];
    head = "HTTP/1.1 206 Partial Content\r\n" + common + "Content-Type: " + resource.contentType +
           "\r\nContent-Range: bytes " + std::to_string(start) + "-" + std::to_string(end - 1) + "/" +
           std::to_string(size) + "\r\nContent-Length: " + std::to_string(end - start) + "\r\n\r\n";
    if (sendText(connection, head) && request.method != "HEAD") sendBody(connection, resource, start, end);
    return;
  }
  if (ranges.size() > 1) {
    std::string parts;
    for (const auto& [start, end] : ranges) {
      parts += "--nzparts\r\nContent-Type: " + resource.contentType + "\r\nContent-Range: bytes " +
               std::to_string(start) + "-" + std::to_string(end - 1) + "/" + std::to_string(size) + "\r\n\r\n";
      if (resource.generatedSize) {
        for (std::uint64_t i = start; i < end; ++i) parts += patternByte(i);
      } else {
        parts += resource.body.substr(start, end - start);
      }
      parts += "\r\n";
    }
    parts += "--nzparts--\r\n";
    head = "HTTP/1.1 206 Partial Content\r\n" + common +
           "Content-Type: multipart/byteranges; boundary=nzparts\r\nContent-Length: " + std::to_string(parts.size()) +
           "\r\n\r\n";
    sendText(connection, head + parts);
    return;
  }
  head = "HTTP/1.1 " + std::to_string(resource.status) + " " + reason(resource.status) + "\r\n" + common +
         "Content-Type: " + resource.contentType + "\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n";
  if (sendText(connection, head) && request.method != "HEAD") sendBody(connection, resource, 0, size);
}

}  // namespace FB::ActiveX::testing
