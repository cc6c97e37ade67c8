// Tests of the stream plumbing: handler dispatch of the stream events, the
// destroyed event, and the host's stream manager (registration, release on
// completion, closing what is left at shutdown).
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/browser_stream.h"
#include "runtime/browser_stream_manager.h"
#include "runtime/default_browser_stream_handler.h"
#include "testing/fake_browser_host.h"
#include "testing/fake_browser_stream.h"

namespace {

using FB::BrowserStream;
using FB::testing::FakeBrowserHost;
using FB::testing::FakeBrowserStream;
using Log = std::vector<std::string>;

// Logs each routed event; answers `handles` for data events.
class RecordingHandler : public FB::DefaultBrowserStreamHandler {
 public:
  explicit RecordingHandler(Log* log, bool handlesData = false) : log_(log), handlesData_(handlesData) {}

  bool onCreated(FB::StreamCreatedEvent* e, BrowserStream* s) override {
    log_->push_back("created");
    return DefaultBrowserStreamHandler::onCreated(e, s);
  }
  bool onDestroyed(FB::StreamDestroyedEvent* e, BrowserStream* s) override {
    log_->push_back("destroyed");
    return DefaultBrowserStreamHandler::onDestroyed(e, s);
  }
  bool onDataArrived(FB::StreamDataArrivedEvent* e, BrowserStream*) override {
    log_->push_back("data " + std::to_string(e->offset()) + "+" + std::to_string(e->length()) + " " +
                    std::to_string(static_cast<int>(e->progress())) + "%");
    return handlesData_;
  }
  bool onFailedOpen(FB::StreamFailedOpenEvent*, BrowserStream*) override {
    log_->push_back("failed open");
    return false;
  }
  bool onOpened(FB::StreamOpenedEvent*, BrowserStream*) override {
    log_->push_back("opened");
    return false;
  }
  bool onCompleted(FB::StreamCompletedEvent* e, BrowserStream*) override {
    log_->push_back(e->success() ? "completed ok" : "completed failed");
    return false;
  }

 private:
  Log* log_;
  bool handlesData_;
};

// A plain observer: sees every event but keeps no reference to the stream.
class EventLogger : public FB::PluginEventSink {
 public:
  explicit EventLogger(Log* log) : log_(log) {}
  bool handlePluginEvent(FB::PluginEvent* event, FB::PluginEventSource* source) override {
    if (dynamic_cast<FB::StreamCompletedEvent*>(event)) log_->push_back("completed");
    if (auto* destroyed = dynamic_cast<FB::StreamDestroyedEvent*>(event)) {
      log_->push_back(destroyed->stream() == source ? "destroyed" : "destroyed by a stranger");
    }
    return false;
  }

 private:
  Log* log_;
};

TEST(BrowserStreamHandlerTest, RoutesEachStreamEventToItsOperation) {
  Log log;
  auto handler = std::make_shared<RecordingHandler>(&log);
  auto stream = FakeBrowserStream::create("http://h/a", handler);
  EXPECT_EQ(handler->currentStream(), stream);

  stream->open("", 400);
  stream->deliver(std::string(100, 'x'));
  stream->deliver(std::string(300, 'y'));
  stream->failOpen();
  stream->complete(true);
  stream->complete(false);  // a stream completes once
  EXPECT_EQ(log, (Log{"created", "opened", "data 0+100 25%", "data 100+300 100%", "failed open", "completed ok"}));
}

TEST(BrowserStreamHandlerTest, AnswersFalseForOtherEventsAndRejectsAStreamEventFromANonStream) {
  Log log;
  auto handler = std::make_shared<RecordingHandler>(&log);
  FB::AttachedEvent attached;
  EXPECT_FALSE(handler->handlePluginEvent(&attached, nullptr));

  auto notAStream = std::make_shared<FB::PluginEventSource>();
  FB::StreamOpenedEvent opened(nullptr);
  EXPECT_THROW(handler->handlePluginEvent(&opened, notAStream.get()), std::bad_cast);
  EXPECT_THROW(handler->handlePluginEvent(&opened, nullptr), std::bad_cast);
  EXPECT_TRUE(log.empty());
}

TEST(BrowserStreamHandlerTest, AHandlerThatClaimsAnEventHidesItFromLaterObservers) {
  Log first;
  Log second;
  auto claiming = std::make_shared<RecordingHandler>(&first, true);
  auto later = std::make_shared<RecordingHandler>(&second);
  auto stream = FakeBrowserStream::create("http://h/a", claiming);
  stream->addObserver(later);
  stream->open();
  stream->deliver("abc");
  stream->complete(true);
  EXPECT_EQ(first, (Log{"created", "opened", "data 0+3 0%", "completed ok"}));
  EXPECT_EQ(second, (Log{"opened", "completed ok"}));
}

TEST(BrowserStreamHandlerTest, DestroyedEventReachesTheObserversStillAttached) {
  Log handlerLog;
  Log loggerLog;
  auto handler = std::make_shared<RecordingHandler>(&handlerLog);
  auto logger = std::make_shared<EventLogger>(&loggerLog);
  auto stream = FakeBrowserStream::create("http://h/a", handler);
  stream->addObserver(logger);
  std::weak_ptr<FakeBrowserStream> watch = stream;

  // The default handler holds its stream until told to let go.
  stream.reset();
  EXPECT_FALSE(watch.expired());
  handler->clearStream();
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(handlerLog.back(), "destroyed");
  EXPECT_EQ(loggerLog, (Log{"destroyed"}));
  EXPECT_EQ(handler->currentStream(), nullptr);
}

// ---------------------------------------------------------------- manager

class StreamManagerTest : public ::testing::Test {
 protected:
  // Streams made by the host's factory are kept here, as a binding would
  // keep its transfers, so the test can drive them.
  void SetUp() override {
    host = FakeBrowserHost::create();
    host->setStreamFactory([this](const std::string& url, const FB::PluginEventSinkPtr& handler,
                                  const std::string* postData, bool cached, bool seekable, std::size_t bufferSize) {
      if (url == "http://h/refused") return FB::BrowserStreamPtr();
      auto stream = FakeBrowserStream::create(url, handler, cached, seekable, bufferSize,
                                              postData ? std::optional<std::string>(*postData) : std::nullopt);
      made.push_back(stream);
      return FB::BrowserStreamPtr(stream);
    });
  }
  void TearDown() override { host->shutdown(); }

  std::shared_ptr<FakeBrowserHost> host;
  std::vector<std::weak_ptr<FakeBrowserStream>> made;
};

TEST_F(StreamManagerTest, HoldsAStreamUntilItCompletesWithoutHidingTheCompletion) {
  Log log;
  auto logger = std::make_shared<EventLogger>(&log);
  auto stream = host->createStream("http://h/a", logger, false, false, 1024);
  ASSERT_NE(stream, nullptr);
  auto manager = host->streamManager();
  EXPECT_TRUE(manager->holds(stream));
  EXPECT_EQ(stream->observerCount(), 2u);

  // An observer added after the manager still sees the completion.
  Log lateLog;
  auto late = std::make_shared<EventLogger>(&lateLog);
  stream->addObserver(late);
  auto* raw = static_cast<FakeBrowserStream*>(stream.get());
  raw->complete(true);
  EXPECT_FALSE(manager->holds(stream));
  EXPECT_EQ(manager->streamCount(), 0u);
  EXPECT_EQ(stream->observerCount(), 2u);
  EXPECT_EQ(lateLog, (Log{"completed"}));
}

TEST_F(StreamManagerTest, AStreamHeldOnlyByTheManagerIsDestroyedAfterItsCompletion) {
  Log log;
  auto logger = std::make_shared<EventLogger>(&log);
  auto stream = host->createPostStream("http://h/form", logger, "a=1", false, false, 1024);
  ASSERT_NE(stream, nullptr);
  auto* raw = static_cast<FakeBrowserStream*>(stream.get());
  EXPECT_EQ(raw->postData(), std::optional<std::string>("a=1"));
  stream.reset();
  ASSERT_FALSE(made[0].expired());

  raw->complete(true);
  EXPECT_TRUE(made[0].expired());
  EXPECT_EQ(log, (Log{"completed", "destroyed"}));
}

TEST_F(StreamManagerTest, ShutdownClosesTheStreamsStillRunning) {
  Log log;
  auto logger = std::make_shared<EventLogger>(&log);
  auto finished = std::static_pointer_cast<FakeBrowserStream>(host->createStream("http://h/a", logger, false, false, 1024));
  auto running = std::static_pointer_cast<FakeBrowserStream>(host->createStream("http://h/b", logger, false, false, 1024));
  finished->complete(true);
  running->open();
  log.clear();

  host->shutdown();
  EXPECT_EQ(host->streamManager(), nullptr);
  EXPECT_EQ(finished->closeCount(), 0);
  EXPECT_EQ(running->closeCount(), 1);
  EXPECT_TRUE(running->completed());
  EXPECT_EQ(log, (Log{"completed"}));
}

TEST_F(StreamManagerTest, NoStreamIsRegisteredWhenTheBindingRefusesOrAfterShutdown) {
  Log log;
  auto logger = std::make_shared<EventLogger>(&log);
  EXPECT_EQ(host->createStream("http://h/refused", logger, false, false, 1024), nullptr);
  EXPECT_EQ(host->streamManager()->streamCount(), 0u);

  host->shutdown();
  auto late = host->createStream("http://h/a", logger, false, false, 1024);
  ASSERT_NE(late, nullptr);
  EXPECT_EQ(late->observerCount(), 1u);
}

}  // namespace
