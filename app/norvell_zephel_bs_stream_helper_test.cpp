// Tests of the download object: the request it makes; one progress call
// per chunk with that chunk's size, then one completion; that it keeps
// itself alive until completion and lets go afterwards, also when no stream
// can be made; and that a failing progress function does not stop it.
#include "app/norvell_zephel_bs_stream_helper.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "manager/package_limits.h"

#include "testing/fake_browser_host.h"
#include "testing/fake_browser_stream.h"

namespace {

using FB::SimpleStreamHelper;
using FB::testing::FakeBrowserHost;
using FB::testing::FakeResource;
using FB::testing::FakeScriptObject;
using FB::testing::FakeStreamServer;
using Norvell::NorvellZephelBSStreamHelper;

class DownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = FakeBrowserHost::create();
    server = FakeStreamServer::install(host);
    progress = FakeScriptObject::function([this](const FB::VariantVector& args) {
      events.push_back("progress " + std::to_string(args.at(0).convertTo<double>()));
      return FB::variant();
    });
  }
  void TearDown() override { host->shutdown(); }

  SimpleStreamHelper::CompletionCallback completion() {
    return [this](bool ok, const SimpleStreamHelper::HeaderFields&, const SimpleStreamHelper::ByteArray& data,
                  std::size_t size) {
      events.push_back(std::string(ok ? "done " : "failed ") + std::to_string(size));
      body = data ? std::string(reinterpret_cast<const char*>(data.get()), size) : std::string();
      ++completions;
    };
  }
  std::shared_ptr<SimpleStreamHelper> start(const std::string& url) {
    return NorvellZephelBSStreamHelper::startDownload(progress, host, FB::URI(url), completion());
  }

  std::shared_ptr<FakeBrowserHost> host;
  std::shared_ptr<FakeStreamServer> server;
  std::shared_ptr<FakeScriptObject> progress;
  std::vector<std::string> events;
  std::string body;
  std::atomic<int> completions{0};
};

std::string patterned(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 13 + i / 256);
  return bytes;
}

TEST_F(DownloadTest, AsksForACachedStreamThenReportsEachChunksSizeAndCompletesOnce) {
  const std::string package = patterned(16384 + 16384 + 5000);
  server->serve("http://h/package.zip", FakeResource{package, "", 16384});
  auto helper = start("http://h/package.zip");
  EXPECT_EQ(helper->blockSize(), 131072u);
  EXPECT_EQ(helper->sizeLimit(), Norvell::kMaxPackageBytes);
  const auto requests = server->requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(requests[0].cached);
  EXPECT_FALSE(requests[0].seekRequested);
  EXPECT_EQ(requests[0].bufferSize, 262144u);
  EXPECT_TRUE(events.empty());  // nothing arrives before the browser delivers
  host->pumpMainThread();
  EXPECT_EQ(events, (std::vector<std::string>{"progress " + std::to_string(16384.0),
                                              "progress " + std::to_string(16384.0),
                                              "progress " + std::to_string(5000.0), "done 37768"}));
  EXPECT_TRUE(body == package);
  for (const auto& call : progress->calls()) {
    ASSERT_EQ(call.args.size(), 1u);
    EXPECT_TRUE(call.args[0].holds<double>());
    EXPECT_TRUE(call.member.empty());  // the function itself is called
  }
}

TEST_F(DownloadTest, KeepsItselfAliveUntilCompletionAndThenLetsGo) {
  server->serve("http://h/p", FakeResource{"abc"});
  std::weak_ptr<SimpleStreamHelper> helper = start("http://h/p");
  std::weak_ptr<FakeScriptObject> progressWatch = progress;
  progress.reset();
  EXPECT_FALSE(helper.expired());  // the caller kept nothing
  host->pumpMainThread();
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(body, "abc");
  EXPECT_TRUE(helper.expired());
  EXPECT_TRUE(progressWatch.expired());
}

TEST_F(DownloadTest, WhenNoStreamCanBeMadeItReportsFailureAndLetsGo) {
  host->setStreamFactory(nullptr);
  std::weak_ptr<SimpleStreamHelper> helper = start("http://h/p");
  EXPECT_EQ(events, std::vector<std::string>{"failed 0"});
  EXPECT_TRUE(helper.expired());
  host->pumpMainThread();
  EXPECT_EQ(completions, 1);
}

TEST_F(DownloadTest, WorksWithoutAProgressFunctionAndDespiteAFailingOne) {
  server->serve("http://h/p", FakeResource{"abc", "", 1});
  NorvellZephelBSStreamHelper::startDownload(nullptr, host, FB::URI("http://h/p"), completion());
  host->pumpMainThread();
  EXPECT_EQ(events, std::vector<std::string>{"done 3"});

  events.clear();
  progress = FakeScriptObject::function(
      [](const FB::VariantVector&) -> FB::variant { throw FB::script_error("TypeError: boom"); });
  start("http://h/p");
  host->pumpMainThread();
  EXPECT_EQ(events, std::vector<std::string>{"done 3"});
  EXPECT_EQ(progress->calls().size(), 3u);
  EXPECT_EQ(body, "abc");
}

TEST_F(DownloadTest, AStartFromAWorkerThreadRunsOnTheMainThread) {
  server->serve("http://h/p", FakeResource{"from main"});
  std::atomic<bool> returned{false};
  std::shared_ptr<SimpleStreamHelper> fromWorker;
  std::thread::id completedOn;
  std::thread worker([&] {
    fromWorker = NorvellZephelBSStreamHelper::startDownload(
        progress, host, FB::URI("http://h/p"),
        [&](bool, const SimpleStreamHelper::HeaderFields&, const SimpleStreamHelper::ByteArray&, std::size_t) {
          completedOn = std::this_thread::get_id();
          ++completions;
        });
    returned = true;
  });
  ASSERT_TRUE(host->pumpUntil([&] { return returned && completions == 1; }));
  worker.join();
  EXPECT_NE(fromWorker, nullptr);
  EXPECT_EQ(completedOn, std::this_thread::get_id());
  EXPECT_EQ(progress->calls().size(), 1u);
}

}  // namespace
