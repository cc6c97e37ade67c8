// Tests of FB::SimpleStreamHelper: assembling a download from chunks of any
// size, header parsing, failures (including a stream that cannot be made),
// marshalling from a worker thread, and that the helper and its stream are
// released once the callback has run.
#include "runtime/simple_stream_helper.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/browser_stream_manager.h"
#include "runtime/stream_events.h"
#include "testing/allocation_limit.h"
#include "testing/fake_browser_host.h"
#include "testing/fake_browser_stream.h"

namespace {

using FB::SimpleStreamHelper;
using FB::testing::FakeBrowserHost;
using FB::testing::FakeBrowserStream;
using FB::testing::FakeResource;
using FB::testing::FakeStreamServer;
using Headers = SimpleStreamHelper::HeaderFields;

// What the completion callback was given.
struct Outcome {
  std::atomic<int> calls{0};
  bool success = false;
  Headers headers;
  SimpleStreamHelper::ByteArray data;
  std::size_t size = 0;
  std::thread::id thread;

  SimpleStreamHelper::CompletionCallback callback() {
    return [this](bool ok, const Headers& h, const SimpleStreamHelper::ByteArray& d, std::size_t n) {
      success = ok;
      headers = h;
      data = d;
      size = n;
      thread = std::this_thread::get_id();
      ++calls;
    };
  }
  std::string body() const { return data ? std::string(reinterpret_cast<const char*>(data.get()), size) : ""; }
};

std::string patterned(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

class SimpleStreamHelperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = FakeBrowserHost::create();
    server = FakeStreamServer::install(host);
  }
  void TearDown() override { host->shutdown(); }

  std::shared_ptr<FakeBrowserHost> host;
  std::shared_ptr<FakeStreamServer> server;
};

// ---------------------------------------------------------------- assembly

class StreamBlockAssemblyTest : public SimpleStreamHelperTest,
                                public ::testing::WithParamInterface<std::size_t> {};

TEST_P(StreamBlockAssemblyTest, DeliversTheWholeBodyInOrderOnce) {
  const std::string body = patterned(300000);
  server->serve("http://h/file", FakeResource{body, "", GetParam()});
  Outcome outcome;
  SimpleStreamHelper::fetchUrl(host, FB::URI("http://h/file"), outcome.callback(), false, 131072);
  host->pumpMainThread();
  ASSERT_EQ(outcome.calls, 1);
  EXPECT_TRUE(outcome.success);
  ASSERT_EQ(outcome.size, body.size());
  EXPECT_TRUE(outcome.body() == body);
}

// Chunk sizes that divide the block size, that do not, one larger than a
// block, and the whole body at once.
INSTANTIATE_TEST_SUITE_P(ChunkSizes, StreamBlockAssemblyTest,
                         ::testing::Values(1000, 65536, 131072, 7, 200000, 300000));

TEST_F(SimpleStreamHelperTest, AnEmptyBodyIsASuccessOfSizeZeroWithTheStreamsHeaders) {
  server->serve("http://h/empty", FakeResource{"", "Content-Length: 0\r\nX-A: 1\r\nX-A: 2"});
  Outcome outcome;
  SimpleStreamHelper::fetchUrl(host, FB::URI("http://h/empty"), outcome.callback());
  host->pumpMainThread();
  ASSERT_EQ(outcome.calls, 1);
  EXPECT_TRUE(outcome.success);
  EXPECT_EQ(outcome.size, 0u);
  EXPECT_EQ(outcome.headers, (Headers{{"Content-Length", "0"}, {"X-A", "1"}, {"X-A", "2"}}));
}

// ---------------------------------------------------------------- headers

TEST(StreamHeaderParsingTest, SplitsLinesSkipsBlanksAndLinesWithoutAColon) {
  EXPECT_EQ(SimpleStreamHelper::parseHeaders("Content-Type: text/plain\r\n\r\nX-A:1\r\nX-A: 2\r\n"),
            (Headers{{"Content-Type", "text/plain"}, {"X-A", "1"}, {"X-A", "2"}}));
  EXPECT_EQ(SimpleStreamHelper::parseHeaders("HTTP/1.1 200 OK\nno colon here\r\n  \n\rA: b"),
            (Headers{{"A", "b"}}));
  EXPECT_TRUE(SimpleStreamHelper::parseHeaders("").empty());
}

TEST(StreamHeaderParsingTest, TrimsNamesAndValuesAndKeepsLaterColonsInTheValue) {
  EXPECT_EQ(SimpleStreamHelper::parseHeaders("  Location :  http://h:8080/a?b=c:d  \r\n"),
            (Headers{{"Location", "http://h:8080/a?b=c:d"}}));
  EXPECT_EQ(SimpleStreamHelper::parseHeaders("Empty:\r\n:nameless"), (Headers{{"", "nameless"}, {"Empty", ""}}));
  // Names are compared byte for byte.
  EXPECT_EQ(SimpleStreamHelper::parseHeaders("x-a: 1\r\nX-A: 2").size(), 2u);
}

// ---------------------------------------------------------------- failures

TEST_F(SimpleStreamHelperTest, AFailedTransferReportsHowManyBytesHadArrived) {
  FakeResource broken{patterned(5000), "A: b", 1024};
  broken.succeed = false;
  server->serve("http://h/broken", broken);
  Outcome outcome;
  SimpleStreamHelper::fetchUrl(host, FB::URI("http://h/broken"), outcome.callback());
  host->pumpMainThread();
  ASSERT_EQ(outcome.calls, 1);
  EXPECT_FALSE(outcome.success);
  EXPECT_TRUE(outcome.headers.empty());
  EXPECT_EQ(outcome.data, nullptr);
  EXPECT_EQ(outcome.size, 5000u);

  // A URL the fake server does not know fails to open, then completes.
  Outcome missing;
  SimpleStreamHelper::fetchUrl(host, FB::URI("http://h/missing"), missing.callback());
  host->pumpMainThread();
  ASSERT_EQ(missing.calls, 1);
  EXPECT_FALSE(missing.success);
  EXPECT_EQ(missing.size, 0u);
}

// A download there is no memory for ends as a failure, not as a crash in
// the browser's stream delivery.
TEST_F(SimpleStreamHelperTest, ADownloadThereIsNoMemoryForFails) {
  server->serve("http://h/big", FakeResource{patterned(300000), "", 4096});
  if (!FB::testing::ScopedAllocationLimit::works()) GTEST_SKIP() << "no allocation limit here";
  Outcome outcome;
  SimpleStreamHelper::fetchUrl(host, FB::URI("http://h/big"), outcome.callback(), false, 131072);
  {
    FB::testing::ScopedAllocationLimit limit(65536);  // below one block
    host->pumpMainThread();
    EXPECT_GT(limit.refused(), 0);
  }
  ASSERT_EQ(outcome.calls, 1);
  EXPECT_FALSE(outcome.success);
  EXPECT_EQ(outcome.data, nullptr);
}

// A body, or a chunk's offset, past the size limit fails the transfer; a
// body of exactly the limit arrives whole.
TEST_F(SimpleStreamHelperTest, ABodyPastTheSizeLimitFails) {
  struct Chunk {
    std::size_t offset, length;
  };
  struct Case {
    const char* name;
    std::vector<Chunk> chunks;
    bool success;
  };
  const Case cases[] = {
      {"exactly the limit", {{0, 600}, {600, 400}}, true},
      {"one byte more", {{0, 600}, {600, 400}, {1000, 1}}, false},
      {"a chunk placed past the limit", {{995, 10}}, false},
      {"a chunk placed far away", {{std::size_t(1) << 40, 1}}, false},
      {"chunks that add up past the limit", {{0, 600}, {0, 600}}, false},
  };
  const std::string bytes = patterned(1000);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome outcome;
    auto helper = std::make_shared<SimpleStreamHelper>(host, outcome.callback(), 256);
    helper->setSizeLimit(1000);
    for (const Chunk& chunk : c.chunks) {
      FB::StreamDataArrivedEvent event(nullptr, bytes.data(), chunk.length, chunk.offset, 0);
      helper->onDataArrived(&event, nullptr);
    }
    FB::StreamCompletedEvent end(nullptr, true);
    helper->onCompleted(&end, nullptr);
    ASSERT_EQ(outcome.calls, 1);
    EXPECT_EQ(outcome.success, c.success);
    EXPECT_EQ(outcome.data != nullptr, c.success);
  }
}

TEST_F(SimpleStreamHelperTest, WhenNoStreamCanBeMadeTheCallbackReportsFailureOnceAndTheHelperGoes) {
  host->setStreamFactory(nullptr);
  Outcome outcome;
  auto helper = SimpleStreamHelper::fetchUrl(host, FB::URI("http://h/file"), outcome.callback());
  ASSERT_NE(helper, nullptr);
  EXPECT_EQ(outcome.calls, 1);
  EXPECT_FALSE(outcome.success);
  EXPECT_TRUE(outcome.headers.empty());
  EXPECT_EQ(outcome.data, nullptr);
  EXPECT_EQ(outcome.size, 0u);

  std::weak_ptr<SimpleStreamHelper> watch = helper;
  helper.reset();
  EXPECT_TRUE(watch.expired());
  host->pumpMainThread();
  EXPECT_EQ(outcome.calls, 1);
}

TEST_F(SimpleStreamHelperTest, ShutdownEndsARunningDownloadAsAFailure) {
  FakeResource endless{patterned(3000)};
  endless.finish = false;
  server->serve("http://h/endless", endless);
  Outcome outcome;
  SimpleStreamHelper::fetchUrl(host, FB::URI("http://h/endless"), outcome.callback());
  host->pumpMainThread();
  EXPECT_EQ(outcome.calls, 0);

  host->shutdown();
  ASSERT_EQ(outcome.calls, 1);
  EXPECT_FALSE(outcome.success);
  EXPECT_EQ(outcome.size, 3000u);
}

// ---------------------------------------------------------------- lifetime and threads

TEST_F(SimpleStreamHelperTest, HelperAndStreamAreReleasedAfterTheCallback) {
  server->serve("http://h/file", FakeResource{"abc"});
  Outcome outcome;
  std::weak_ptr<SimpleStreamHelper> helper =
      SimpleStreamHelper::fetchUrl(host, FB::URI("http://h/file"), outcome.callback());
  ASSERT_FALSE(helper.expired());
  const auto requests = server->requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_FALSE(requests[0].stream.expired());

  host->pumpMainThread();
  EXPECT_EQ(outcome.calls, 1);
  EXPECT_TRUE(helper.expired());
  EXPECT_TRUE(requests[0].stream.expired());
  EXPECT_EQ(host->streamManager()->streamCount(), 0u);
}

TEST_F(SimpleStreamHelperTest, PostUrlSendsThePostDataAndDeliversTheAnswer) {
  server->serve("http://h/form", FakeResource{"done"});
  Outcome outcome;
  SimpleStreamHelper::postUrl(host, FB::URI("http://h/form"), "a=1&b=2", outcome.callback(), false, 512);
  host->pumpMainThread();
  const auto requests = server->requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].postData, std::optional<std::string>("a=1&b=2"));
  EXPECT_FALSE(requests[0].cached);
  EXPECT_FALSE(requests[0].seekRequested);
  EXPECT_EQ(requests[0].bufferSize, 512u);
  EXPECT_EQ(outcome.body(), "done");
}

TEST_F(SimpleStreamHelperTest, FetchFromAWorkerThreadRunsOnTheMainThread) {
  server->serve("http://h/file", FakeResource{"from the main thread"});
  Outcome outcome;
  std::atomic<bool> returned{false};
  std::shared_ptr<SimpleStreamHelper> fromWorker;
  std::thread worker([&] {
    fromWorker = SimpleStreamHelper::fetchUrl(host, FB::URI("http://h/file"), outcome.callback());
    returned = true;
  });
  ASSERT_TRUE(host->pumpUntil([&] { return returned && outcome.calls == 1; }));
  worker.join();
  EXPECT_NE(fromWorker, nullptr);
  EXPECT_EQ(outcome.thread, std::this_thread::get_id());
  EXPECT_EQ(outcome.body(), "from the main thread");
}

}  // namespace
