// NPAPI streams driven through an instance's NPP_* callbacks in the orders
// a browser uses: normal and failed transfers, refused seeking, cached and
// seekable streams with range reads, closing, writing, streams that are not
// ours, and transfers the browser refuses to start.
#include "npapi/npapi_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "npapi/npapi_browser_host.h"
#include "npapi/npapi_instance_holder.h"
#include "npapi/npapi_plugin_module.h"
#include "npapi/npapi_test_support.h"
#include "npapi/npp_functions.h"
#include "testing/fake_npapi_browser.h"

namespace FB::Npapi {
namespace {

using Events = std::vector<std::string>;

char kType[] = "application/x-norvellzephel32";
char kText[] = "text/plain";
const char* const kUrl = "http://server/file.txt";

// The browser's side of the stream entries the fake browser leaves out.
struct BrowserStreamCalls {
  std::vector<NPReason> destroyed;
  std::vector<std::vector<std::pair<int32_t, uint32_t>>> reads;
  std::string written;
  bool refuseRequests = false;
  bool endsStreamsAtOnce = false;
  NPN_GetURLNotifyProcPtr getUrlNotify = nullptr;
  NPN_PostURLNotifyProcPtr postUrlNotify = nullptr;
};

BrowserStreamCalls& browserCalls() {
  static BrowserStreamCalls calls;
  return calls;
}

NPError destroyStream(NPP instance, NPStream* stream, NPReason reason) {
  browserCalls().destroyed.push_back(reason);
  // Some browsers end the transfer at once, from inside the call.
  if (browserCalls().endsStreamsAtOnce) NPP_DestroyStream(instance, stream, reason);
  return NPERR_NO_ERROR;
}

NPError requestRead(NPStream*, NPByteRange* ranges) {
  std::vector<std::pair<int32_t, uint32_t>> list;
  for (NPByteRange* r = ranges; r; r = r->next) list.emplace_back(r->offset, r->length);
  browserCalls().reads.push_back(list);
  return NPERR_NO_ERROR;
}

int32_t writeStream(NPP, NPStream*, int32_t len, void* buffer) {
  browserCalls().written.append(static_cast<const char*>(buffer), static_cast<std::size_t>(len));
  return len;
}

NPError getUrlNotify(NPP instance, const char* url, const char* target, void* notifyData) {
  if (browserCalls().refuseRequests) return NPERR_GENERIC_ERROR;
  return browserCalls().getUrlNotify(instance, url, target, notifyData);
}

NPError postUrlNotify(NPP instance, const char* url, const char* target, uint32_t len, const char* buf,
                      NPBool file, void* notifyData) {
  if (browserCalls().refuseRequests) return NPERR_GENERIC_ERROR;
  return browserCalls().postUrlNotify(instance, url, target, len, buf, file, notifyData);
}

class NpapiStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    browserCalls() = BrowserStreamCalls{};
    NPNetscapeFuncs* funcs = browser_.funcs();
    browserCalls().getUrlNotify = funcs->geturlnotify;
    browserCalls().postUrlNotify = funcs->posturlnotify;
    funcs->geturlnotify = &getUrlNotify;
    funcs->posturlnotify = &postUrlNotify;
    funcs->destroystream = &destroyStream;
    funcs->requestread = &requestRead;
    funcs->write = &writeStream;
    NpapiPluginModule::resetHostKindForTesting();
    module_ = NpapiPluginModule::acquire();
    module_->setBrowserFuncs(*funcs);
    ASSERT_EQ(NPP_New(kType, instance(), NP_EMBED, 0, nullptr, nullptr, nullptr), NPERR_NO_ERROR);
    host_ = NpapiInstanceHolder::of(instance())->host();
  }
  void TearDown() override {
    NPP_Destroy(instance(), nullptr);
    module_.reset();
    NpapiPluginModule::release();
  }

  NPP instance() { return browser_.instance(); }
  NpapiStreamPtr open(bool cached = false, bool seekable = false, std::size_t bufferSize = 128) {
    return std::static_pointer_cast<NpapiStream>(host_->openStream(kUrl, log_, cached, seekable, bufferSize));
  }
  // The browser's record of the transfer it was last asked for.
  NPStream& browserRecord(uint32_t end = 400) {
    record_.url = "http://server/file.txt?final";
    record_.end = end;
    record_.headers = "HTTP 200 OK\nContent-Type: text/plain\n";
    record_.notifyData = browser_.urlRequests().back().notifyData;
    return record_;
  }
  uint16_t newStream(NPStream& record, NPBool seekable, NPError expected = NPERR_NO_ERROR) {
    uint16_t stype = 0;
    EXPECT_EQ(NPP_NewStream(instance(), kText, &record, seekable, &stype), expected);
    return stype;
  }
  int32_t write(NPStream& record, int32_t offset, std::string data) {
    return NPP_Write(instance(), &record, offset, static_cast<int32_t>(data.size()), data.data());
  }

  FB::testing::FakeNpapiBrowser browser_;
  NpapiPluginModulePtr module_;
  NpapiBrowserHostPtr host_;
  std::shared_ptr<StreamEventLog> log_ = std::make_shared<StreamEventLog>();
  NPStream record_{};
};

TEST_F(NpapiStreams, NormalTransferOpensDeliversAndCompletesOnceWhicheverEndComesSecond) {
  NpapiStreamPtr stream = open();
  ASSERT_NE(stream, nullptr);
  ASSERT_EQ(browser_.urlRequests().size(), 1u);
  EXPECT_EQ(browser_.urlRequests()[0].url, kUrl);
  EXPECT_TRUE(browser_.urlRequests()[0].notify);
  EXPECT_EQ(browser_.urlRequests()[0].notifyData, stream.get());
  EXPECT_EQ(log_->events, Events{"created"});

  NPStream& record = browserRecord(400);
  EXPECT_EQ(newStream(record, false), NP_NORMAL);
  EXPECT_EQ(stream->mimeType(), "text/plain");
  EXPECT_EQ(stream->totalLength(), 400u);
  EXPECT_EQ(stream->url(), "http://server/file.txt?final");
  EXPECT_EQ(stream->headerText(), "HTTP 200 OK\nContent-Type: text/plain\n");
  EXPECT_TRUE(stream->opened());

  // At most the buffer size is taken; progress counts what was offered.
  EXPECT_EQ(NPP_WriteReady(instance(), &record), 128);
  EXPECT_EQ(write(record, 0, std::string(200, 'a')), 128);
  EXPECT_EQ(write(record, 128, std::string(72, 'b')), 72);
  EXPECT_EQ(log_->lastData, std::string(72, 'b'));

  EXPECT_EQ(NPP_DestroyStream(instance(), &record, NPRES_DONE), NPERR_NO_ERROR);
  EXPECT_EQ(record.notifyData, nullptr);
  EXPECT_TRUE(stream->holdsItself());
  NPP_URLNotify(instance(), kUrl, NPRES_DONE, stream.get());
  EXPECT_FALSE(stream->holdsItself());
  EXPECT_TRUE(browserCalls().destroyed.empty());  // the browser ended it itself

  stream.reset();
  EXPECT_EQ(log_->events,
            (Events{"created", "opened", "data:128@0:50", "data:72@128:50", "completed:1", "destroyed"}));
}

TEST_F(NpapiStreams, NotificationBeforeDestructionEndsTheOpenTransferOnceAndReleasesTheStream) {
  browserCalls().endsStreamsAtOnce = true;
  NpapiStreamPtr stream = open();
  NPStream& record = browserRecord();
  newStream(record, false);
  NPP_URLNotify(instance(), kUrl, NPRES_DONE, stream.get());
  EXPECT_EQ(browserCalls().destroyed, std::vector<NPReason>{NPRES_USER_BREAK});
  EXPECT_EQ(stream->streamRecord(), nullptr);
  EXPECT_TRUE(stream->completed());
  EXPECT_FALSE(stream->holdsItself());
  // Closing the open stream reports success, then the outcome follows.
  EXPECT_EQ(log_->events, (Events{"created", "opened", "completed:1", "completed:1"}));
  EXPECT_EQ(NPP_DestroyStream(instance(), &record, NPRES_DONE), NPERR_NO_ERROR);
  EXPECT_EQ(browserCalls().destroyed.size(), 1u);
}

TEST_F(NpapiStreams, NetworkFailureCompletesWithoutSuccessAndUnknownLengthGivesNoProgress) {
  NpapiStreamPtr stream = open();
  NPStream& record = browserRecord(0);
  newStream(record, false);
  write(record, 0, "abc");
  NPP_DestroyStream(instance(), &record, NPRES_NETWORK_ERR);
  NPP_URLNotify(instance(), kUrl, NPRES_NETWORK_ERR, stream.get());
  EXPECT_EQ(log_->events, (Events{"created", "opened", "data:3@0:0", "completed:0"}));
}

TEST_F(NpapiStreams, RefusedSeekingFailsTheOpenAndTheLaterNotificationCompletesWithFailure) {
  NpapiStreamPtr stream = open(false, true);
  NPStream& record = browserRecord();
  newStream(record, false, NPERR_STREAM_NOT_SEEKABLE);
  EXPECT_EQ(stream->streamRecord(), nullptr);
  EXPECT_FALSE(stream->opened());
  NPP_URLNotify(instance(), kUrl, NPRES_NETWORK_ERR, stream.get());
  EXPECT_EQ(log_->events, (Events{"created", "failed", "completed:0"}));
}

TEST_F(NpapiStreams, StreamTypeFollowsCachingAndGrantedSeeking) {
  {
    NpapiStreamPtr cached = open(true, false);
    NPStream& record = browserRecord();
    EXPECT_EQ(newStream(record, true), NP_ASFILE);  // seeking offered but not asked for
    NPP_StreamAsFile(instance(), &record, "/tmp/cache/caf\xc3\xa9.txt");
    EXPECT_EQ(cached->cacheFile(), L"/tmp/cache/caf\u00e9.txt");
    NPP_DestroyStream(instance(), &record, NPRES_DONE);
    NPP_URLNotify(instance(), kUrl, NPRES_DONE, cached.get());
  }
  NpapiStreamPtr seekable = open(true, true);
  NPStream& record = browserRecord();
  EXPECT_EQ(newStream(record, true), NP_SEEK);
  EXPECT_TRUE(seekable->isSeekable());
}

// A stream keeps itself alive only while the browser may still call back:
// refused or never-opened streams let go at the notification, and every
// stream lets go when its instance ends.
TEST_F(NpapiStreams, StreamsLetThemselvesGoWhenTheBrowserIsDone) {
  std::weak_ptr<NpapiStream> refused, neverOpened, openAtTheEnd;
  {
    NpapiStreamPtr stream = open(false, true);
    refused = stream;
    newStream(browserRecord(), false, NPERR_STREAM_NOT_SEEKABLE);
    NPP_URLNotify(instance(), kUrl, NPRES_NETWORK_ERR, stream.get());
  }
  {
    NpapiStreamPtr stream = open();
    neverOpened = stream;
    NPP_URLNotify(instance(), kUrl, NPRES_NETWORK_ERR, stream.get());
  }
  openAtTheEnd = open();
  newStream(browserRecord(), false);
  // A request the browser never answers: its observers hear a failed end
  // when the instance goes, which is what lets a helper holding the stream
  // (and held by it) go too.
  auto unansweredLog = std::make_shared<StreamEventLog>();
  std::weak_ptr<NpapiStream> unanswered =
      std::static_pointer_cast<NpapiStream>(host_->openStream(kUrl, unansweredLog, false, false, 128));
  EXPECT_TRUE(refused.expired());
  EXPECT_TRUE(neverOpened.expired());
  EXPECT_FALSE(openAtTheEnd.expired());
  EXPECT_FALSE(unanswered.expired());
  host_.reset();
  NPP_Destroy(instance(), nullptr);
  EXPECT_TRUE(openAtTheEnd.expired());
  EXPECT_TRUE(unanswered.expired());
  EXPECT_EQ(unansweredLog->events, (Events{"created", "completed:0", "destroyed"}));
}

TEST_F(NpapiStreams, SeekableStreamStaysOpenForRangeReadsUntilClosed) {
  NpapiStreamPtr stream = open(false, true);
  NPStream& record = browserRecord();
  newStream(record, true);
  NPP_URLNotify(instance(), kUrl, NPRES_DONE, stream.get());  // first transfer done
  EXPECT_TRUE(stream->opened());
  EXPECT_FALSE(stream->completed());

  EXPECT_TRUE(stream->readRanges({}));
  EXPECT_TRUE(browserCalls().reads.empty());
  EXPECT_TRUE(stream->readRanges({{0, 10}, {100, 150}}));
  EXPECT_TRUE(stream->readRange(7, 8));
  using List = std::vector<std::pair<int32_t, uint32_t>>;
  EXPECT_EQ(browserCalls().reads, (std::vector<List>{List{{0, 10}, {100, 50}}, List{{7, 1}}}));

  // Closing reports success first, then ends the transfer as a user break.
  EXPECT_TRUE(stream->close());
  EXPECT_EQ(log_->events, (Events{"created", "opened", "completed:1"}));
  EXPECT_EQ(browserCalls().destroyed, std::vector<NPReason>{NPRES_USER_BREAK});
  EXPECT_FALSE(stream->close());
  EXPECT_FALSE(stream->readRanges({{0, 1}}));
  EXPECT_EQ(browserCalls().reads.size(), 2u);
}

TEST_F(NpapiStreams, RangeReadsAndWritesNeedAnOpenStreamOfTheRightKind) {
  NpapiStreamPtr stream = open();
  std::size_t written = 99;
  EXPECT_FALSE(stream->write("xy", 2, written));  // not opened yet
  NPStream& record = browserRecord();
  newStream(record, true);  // seekable server, but seeking not asked for
  EXPECT_FALSE(stream->readRanges({{0, 10}}));
  EXPECT_TRUE(browserCalls().reads.empty());
  EXPECT_TRUE(stream->write("xyz", 3, written));
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(browserCalls().written, "xyz");
}

TEST_F(NpapiStreams, CallbacksForStreamsThatAreNotOursTouchNothing) {
  NPStream foreign{};
  foreign.url = "http://server/src";
  EXPECT_EQ(newStream(foreign, false), 0);
  EXPECT_EQ(NPP_WriteReady(instance(), &foreign), -1);
  EXPECT_EQ(write(foreign, 0, "abc"), -1);
  NPP_StreamAsFile(instance(), &foreign, "/tmp/x");
  EXPECT_EQ(NPP_DestroyStream(instance(), &foreign, NPRES_DONE), NPERR_NO_ERROR);
  NPP_URLNotify(instance(), "http://server/src", NPRES_DONE, nullptr);
  EXPECT_TRUE(browserCalls().destroyed.empty());
}

TEST_F(NpapiStreams, PostSendsTheFormHeadersThenTheDataUnchanged) {
  NpapiStreamPtr stream = std::static_pointer_cast<NpapiStream>(
      host_->openPostStream(kUrl, log_, std::string("a\0b", 3), false, false, 128));
  ASSERT_NE(stream, nullptr);
  ASSERT_EQ(browser_.urlRequests().size(), 1u);
  const auto request = browser_.urlRequests()[0];
  EXPECT_TRUE(request.post);
  EXPECT_EQ(request.notifyData, stream.get());
  EXPECT_EQ(request.postData,
            std::string("Content-type: application/x-www-form-urlencoded\nContent-Length: 3\n\n") +
                std::string("a\0b", 3));
}

TEST_F(NpapiStreams, RefusedOrImpossibleStartGivesNoStream) {
  browserCalls().refuseRequests = true;
  EXPECT_EQ(open(), nullptr);
  EXPECT_EQ(host_->openPostStream(kUrl, log_, "x", false, false, 128), nullptr);
  EXPECT_EQ(std::count(log_->events.begin(), log_->events.end(), "created"), 0);

  // A browser without the notifying entries cannot start one either.
  browserCalls().refuseRequests = false;
  NPNetscapeFuncs poor = *browser_.funcs();
  poor.geturlnotify = nullptr;
  poor.posturlnotify = nullptr;
  host_->setBrowserTable(&poor);
  EXPECT_EQ(open(), nullptr);
  EXPECT_EQ(host_->openPostStream(kUrl, log_, "x", false, false, 128), nullptr);
  EXPECT_TRUE(browser_.urlRequests().empty());
}

}  // namespace
}  // namespace FB::Npapi
