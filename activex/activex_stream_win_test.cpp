// ActiveXStream against a loopback HTTP server through wine's urlmon: what
// the server receives and the events the stream's observers hear.
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include "activex/activex_stream_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "activex/activex_bind_status_callback_win.h"
#include "activex/loopback_http_server_win.h"
#include "runtime/default_browser_stream_handler.h"

namespace FB::ActiveX {
namespace {

using testing::LoopbackHttpServer;

std::string pattern(std::size_t size) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = LoopbackHttpServer::patternByte(i);
  return text;
}

// Records the events as one line ("created opened data completed:ok"; runs
// of data events count once) and the bytes at their offsets.
class Recorder : public DefaultBrowserStreamHandler {
 public:
  bool onCreated(StreamCreatedEvent* event, BrowserStream* stream) override {
    add("created");
    return DefaultBrowserStreamHandler::onCreated(event, stream);
  }
  bool onOpened(StreamOpenedEvent*, BrowserStream*) override { return add("opened"); }
  bool onFailedOpen(StreamFailedOpenEvent*, BrowserStream*) override { return add("failed-open"); }
  bool onDataArrived(StreamDataArrivedEvent* event, BrowserStream* stream) override {
    if (trace.size() < 4 || trace.compare(trace.size() - 4, 4, "data") != 0) add("data");
    if (data.size() < event->offset() + event->length()) data.resize(event->offset() + event->length());
    data.replace(event->offset(), event->length(), reinterpret_cast<const char*>(event->data()), event->length());
    ++chunks;
    if (onData) onData(*event, *stream);
    return false;
  }
  bool onCompleted(StreamCompletedEvent* event, BrowserStream*) override {
    ++completions;
    return add(event->success() ? "completed:ok" : "completed:failed");
  }

  std::string trace;
  std::string data;
  int chunks = 0;
  int completions = 0;
  std::function<void(StreamDataArrivedEvent&, BrowserStream&)> onData;

 private:
  bool add(const char* what) {
    trace += trace.empty() ? what : std::string(" ") + what;
    return false;
  }
};

class ActiveXStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    LoopbackHttpServer::Resource ranged;
    ranged.body = pattern(300000);
    server.serve("/ranged.bin", ranged);
    LoopbackHttpServer::Resource plain = ranged;
    plain.acceptRanges = false;
    server.serve("/plain.bin", plain);
    LoopbackHttpServer::Resource forged = plain;
    forged.extraHeaders = "Content-Range: bytes 4000000000-4000299999/4000300000\r\n";
    server.serve("/forged.bin", forged);
    LoopbackHttpServer::Resource large;
    large.generatedSize = 16 * 1024 * 1024;
    server.serve("/large.bin", large);
  }
  void TearDown() override { CoUninitialize(); }

  // Pumps this thread's messages (urlmon reports through them) until
  // `done` holds; false when it does not within a generous bound.
  static bool pumpUntil(const std::function<bool()>& done) {
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (!done()) {
      if (GetTickCount64() >= deadline) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    return true;
  }

  // An address on which nothing listens.
  static std::string refusedUrl() {
    SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(probe);
    return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/gone.bin";
  }

  LoopbackHttpServer server;
};

TEST_F(ActiveXStreamTest, TransfersEndWithOneCompletionAndOnlyAcceptedData) {
  struct Case {
    const char* name;
    std::string url;
    bool cached;
    bool seek;
    const char* trace;
    bool deliversBody;
  };
  const Case cases[] = {
      {"whole resource", server.url("/ranged.bin"), false, false, "created opened data completed:ok", true},
      {"whole resource, cached", server.url("/ranged.bin"), true, false, "created opened data completed:ok", true},
      {"seekable on a server with ranges", server.url("/ranged.bin"), false, true, "created opened data completed:ok",
       true},
      {"seekable on a server without ranges", server.url("/plain.bin"), false, true,
       "created opened failed-open completed:failed", false},
      {"a whole resource claiming to lie elsewhere", server.url("/forged.bin"), false, false,
       "created opened data completed:ok", true},
      {"404 page", server.url("/missing.bin"), false, false, "created failed-open completed:failed", false},
      {"refused connection", refusedUrl(), false, false, "created failed-open completed:failed", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto recorder = std::make_shared<Recorder>();
    auto stream = ActiveXStream::open(c.url, recorder, c.cached, c.seek, 65536);
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return recorder->completions > 0; }));
    EXPECT_EQ(recorder->trace, c.trace);
    EXPECT_EQ(recorder->completions, 1);
    EXPECT_EQ(recorder->data, c.deliversBody ? pattern(300000) : std::string());
    EXPECT_TRUE(stream->completed());
    EXPECT_FALSE(stream->opened());
    EXPECT_EQ(stream->activeRequests(), 0u);
    if (c.deliversBody) {
      EXPECT_EQ(stream->totalLength(), 300000u);
      EXPECT_NE(stream->headerText().find("Content-Length: 300000"), std::string::npos);
      EXPECT_EQ(stream->cached(), !stream->cacheFile().empty());
    }
  }
  for (const auto& request : server.requests()) EXPECT_EQ(request.header("Range"), "") << request.headers;
}

// What the callback states to urlmon. (wine's urlmon keeps its own
// Accept-Encoding line, so the server cannot see that one.)
TEST_F(ActiveXStreamTest, BindInformationFollowsTheStream) {
  const DWORD async = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA;
  const DWORD uncached = async | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE | BINDF_GETNEWESTVERSION;
  struct Case {
    bool cached;
    std::string postData;
    BrowserStream::RangeList ranges;
    DWORD flags;
    DWORD verb;
    const wchar_t* headers;
  };
  const Case cases[] = {
      {false, "", {}, uncached, BINDVERB_GET, L"Accept-Encoding: identity\r\n"},
      {true, "", {{0, 100}, {200, 300}}, async | BINDF_NEEDFILE, BINDVERB_GET,
       L"Accept-Encoding: identity\r\nRange: bytes=0-99,200-299\r\n"},
      {false, "a=1", {}, uncached, BINDVERB_POST,
       L"Accept-Encoding: identity\r\nContent-Type: application/x-www-form-urlencoded\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    auto stream = std::make_shared<ActiveXStream>("http://127.0.0.1/", c.cached, false, 4096, c.postData);
    auto request = std::make_shared<ActiveXStreamRequest>(stream, c.ranges);
    auto* callback = new ActiveXBindStatusCallback(request, c.postData.empty()
                                                                ? ActiveXBindStatusCallback::Verb::Get
                                                                : ActiveXBindStatusCallback::Verb::Post,
                                                   c.postData);
    LPWSTR headers = nullptr;
    ASSERT_EQ(callback->BeginningTransaction(L"http://127.0.0.1/", L"", 0, &headers), S_OK);
    EXPECT_STREQ(headers, c.headers);
    CoTaskMemFree(headers);
    BINDINFO info{};
    info.cbSize = sizeof info;
    DWORD flags = 0;
    ASSERT_EQ(callback->GetBindInfo(&flags, &info), S_OK);
    EXPECT_EQ(flags, c.flags);
    EXPECT_EQ(info.dwBindVerb, c.verb);
    EXPECT_EQ(info.cbstgmedData, c.postData.size());
    if (!c.postData.empty()) {
      ASSERT_EQ(info.stgmedData.tymed, static_cast<DWORD>(TYMED_HGLOBAL));
      EXPECT_EQ(std::string(static_cast<const char*>(GlobalLock(info.stgmedData.hGlobal)), c.postData.size()),
                c.postData);
      GlobalUnlock(info.stgmedData.hGlobal);
    }
    ReleaseStgMedium(&info.stgmedData);
    callback->Release();
  }
}

TEST_F(ActiveXStreamTest, ReadRangesAsksForInclusiveRangesInOrder) {
  auto recorder = std::make_shared<Recorder>();
  bool asked = false;
  std::string rangeData;
  recorder->onData = [&](StreamDataArrivedEvent& event, BrowserStream& stream) {
    // The single range's answer is placed by its Content-Range.
    if (event.offset() == 1000 && event.length() == 100) {
      rangeData.assign(reinterpret_cast<const char*>(event.data()), event.length());
    }
    if (asked) return;
    asked = true;
    EXPECT_TRUE(stream.isSeekable());
    EXPECT_TRUE(stream.readRanges({}));
    EXPECT_FALSE(stream.readRanges({{100, 100}}));
    EXPECT_TRUE(stream.readRanges({{0, 100}, {200, 300}}));
    EXPECT_TRUE(stream.readRange(1000, 1100));
  };
  auto stream = ActiveXStream::open(server.url("/ranged.bin"), recorder, false, true, 65536);
  ASSERT_NE(stream, nullptr);
  EXPECT_FALSE(stream->readRanges({{0, 10}})) << "the server's answer is not known yet";
  ASSERT_TRUE(pumpUntil([&] { return recorder->completions > 0; }));
  EXPECT_EQ(recorder->trace, "created opened data completed:ok");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].header("Range"), "");
  // The two range requests run at once, so the server may see either first.
  std::vector<std::string> ranges{requests[1].header("Range"), requests[2].header("Range")};
  std::sort(ranges.begin(), ranges.end());
  EXPECT_EQ(ranges, (std::vector<std::string>{"bytes=0-99,200-299", "bytes=1000-1099"}));
  EXPECT_EQ(rangeData, pattern(300000).substr(1000, 100));
  EXPECT_FALSE(stream->readRanges({{0, 10}})) << "a completed stream is closed";
}

TEST_F(ActiveXStreamTest, PostSendsTheBodyAsAForm) {
  LoopbackHttpServer::Resource answer;
  answer.body = "stored";
  server.serve("/form", answer);
  auto recorder = std::make_shared<Recorder>();
  auto stream = ActiveXStream::open(server.url("/form"), recorder, false, false, 4096, "a=1&b=%C3%A9");
  ASSERT_NE(stream, nullptr);
  ASSERT_TRUE(pumpUntil([&] { return recorder->completions > 0; }));
  EXPECT_EQ(recorder->trace, "created opened data completed:ok");
  EXPECT_EQ(recorder->data, "stored");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, "a=1&b=%C3%A9");
  EXPECT_EQ(requests[0].header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST_F(ActiveXStreamTest, CloseBeforeTheAnswerIsRefusedAndDuringTheTransferEndsIt) {
  // Not yet opened: close answers false and the transfer goes on.
  auto early = std::make_shared<Recorder>();
  auto unopened = ActiveXStream::open(server.url("/ranged.bin"), early, false, false, 65536);
  ASSERT_NE(unopened, nullptr);
  EXPECT_FALSE(unopened->close());
  ASSERT_TRUE(pumpUntil([&] { return early->completions > 0; }));
  EXPECT_EQ(early->trace, "created opened data completed:ok");

  // A seekable stream is open at once; closing it before any answer ends
  // it with failure and nothing delivered.
  auto seekable = std::make_shared<Recorder>();
  auto quick = ActiveXStream::open(server.url("/ranged.bin"), seekable, false, true, 65536);
  ASSERT_NE(quick, nullptr);
  EXPECT_TRUE(quick->close());
  EXPECT_EQ(seekable->trace, "created opened completed:failed");

  // During the transfer: after the first chunk nothing more arrives.
  auto cut = std::make_shared<Recorder>();
  cut->onData = [](StreamDataArrivedEvent&, BrowserStream& stream) { EXPECT_TRUE(stream.close()); };
  auto large = ActiveXStream::open(server.url("/large.bin"), cut, false, false, 65536);
  ASSERT_NE(large, nullptr);
  ASSERT_TRUE(pumpUntil([&] { return cut->completions > 0; }));
  EXPECT_EQ(cut->trace, "created opened data completed:failed");
  EXPECT_EQ(cut->chunks, 1);
  EXPECT_EQ(large->activeRequests(), 0u);
  EXPECT_FALSE(large->close()) << "a closed stream is no longer open";
  // The callbacks of the aborted binding may still come; they must not
  // reach the observers.
  pumpUntil([&] { return cut->chunks > 1 || cut->completions > 1 || server.requests().size() >= 3; });
  EXPECT_EQ(cut->chunks, 1);
  EXPECT_EQ(cut->completions, 1);
}

TEST_F(ActiveXStreamTest, AHandlerReleasedMidTransferLeavesTheTransferRunning) {
  auto dropped = std::make_shared<Recorder>();
  std::weak_ptr<Recorder> droppedWatch = dropped;
  auto watcher = std::make_shared<Recorder>();
  dropped->onData = [&](StreamDataArrivedEvent&, BrowserStream& stream) {
    // The handler holds its stream; letting go of both is what a page does
    // when it forgets a download.
    stream.addObserver(watcher);
    dropped->clearStream();
    dropped.reset();
  };
  std::weak_ptr<ActiveXStream> streamWatch = ActiveXStream::open(server.url("/ranged.bin"), dropped, false, false, 4096);
  ASSERT_FALSE(streamWatch.expired()) << "a running request holds its stream";
  ASSERT_TRUE(pumpUntil([&] { return watcher->completions > 0; }));
  EXPECT_TRUE(droppedWatch.expired());
  EXPECT_EQ(watcher->trace, "data completed:ok");
  EXPECT_GT(watcher->data.size(), 0u);
  EXPECT_EQ(watcher->data.substr(watcher->data.size() - 100), pattern(300000).substr(299900));
  EXPECT_TRUE(streamWatch.expired()) << "the ended request let its stream go";
}

}  // namespace
}  // namespace FB::ActiveX
