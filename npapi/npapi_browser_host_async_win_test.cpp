// The message-window host (Windows): window naming and calls carried to the
// main thread through the window's messages.
#include "npapi/npapi_browser_host_async_win.h"

#include <windows.h>

#include <atomic>
#include <thread>

#include "npapi/async_message_window_win.h"
#include "npapi/scripting_test_fixture.h"

namespace nz_npapi_test {
namespace {

using FB::Npapi::AsyncMessageWindow;
using FB::Npapi::NpapiBrowserHostAsyncWin;

class NpapiMessageWindowHost : public NpapiTest {
 protected:
  void SetUp() override {
    NpapiTest::SetUp();
    host->shutdown();
    asyncHost = std::make_shared<NpapiBrowserHostAsyncWin>(browser->instance());
    asyncHost->setBrowserFuncs(browser->funcs());
    host = asyncHost;
  }
  void TearDown() override {
    asyncHost.reset();
    NpapiTest::TearDown();
  }

  std::shared_ptr<NpapiBrowserHostAsyncWin> asyncHost;
};

std::size_t suffixOf(const std::wstring& name, const std::wstring& prefix) {
  return std::stoul(name.substr(prefix.size()));
}

TEST_F(NpapiMessageWindowHost, EachWindowTakesTheNextNumber) {
  const auto& first = asyncHost->messageWindow();
  ASSERT_EQ(first.className().rfind(L"FBEventWindowClass", 0), 0u);
  const std::size_t number = suffixOf(first.className(), L"FBEventWindowClass");
  EXPECT_EQ(first.title(), L"FBEventWindow" + std::to_wstring(number));
  NpapiBrowserHostAsyncWin second(browser->instance());
  EXPECT_EQ(second.messageWindow().className(), L"FBEventWindowClass" + std::to_wstring(number + 1));
}

TEST_F(NpapiMessageWindowHost, AWindowTakesItsClassAlongWhenItGoes) {
  std::wstring className;
  {
    NpapiBrowserHostAsyncWin other(browser->instance());
    className = other.messageWindow().className();
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    EXPECT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), className.c_str(), &info));
  }
  WNDCLASSEXW info{};
  info.cbSize = sizeof(info);
  EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), className.c_str(), &info));
}

TEST_F(NpapiMessageWindowHost, CallsFromAnyThreadRunFromTheWindowOnTheMainThread) {
  int ran = 0;
  host->scheduleOnMainThread(nullptr, [&] { ++ran; });
  EXPECT_EQ(browser->queuedCount(), 0u);  // the browser's own queue is not used
  EXPECT_EQ(ran, 0);
  AsyncMessageWindow::dispatchPending();
  EXPECT_EQ(ran, 1);

  std::atomic<int> answer{0};
  std::thread worker([&] { answer = host->callOnMainThread([] { return 7; }); });
  while (answer == 0) AsyncMessageWindow::dispatchPending();
  worker.join();
  EXPECT_EQ(answer, 7);
}

TEST_F(NpapiMessageWindowHost, PostingIgnoresTheShuttingDownState) {
  host->shutdown();
  static int ran = 0;
  ran = 0;
  EXPECT_TRUE(asyncHost->postToMainThread([](void*) { ++ran; }, nullptr));
  AsyncMessageWindow::dispatchPending();
  EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace nz_npapi_test
