// The control's event connection point: finding and listing it, advising
// and unadvising sinks, and events raised by the control's scriptable
// object reaching an advised sink's IDispatch by name.
#include "activex/event_connection_point_win.h"

#include <gtest/gtest.h>

#include <ocidl.h>
#include <olectl.h>

#include <thread>

#include "activex/activex_ids_win.h"
#include "activex/activex_test_support_win.h"
#include "activex/com_module_win.h"
#include "activex/com_test_host_win.h"
#include "activex/ole_site_test_support_win.h"
#include "activex/fb_control_win.h"
#include "npapi/async_message_window_win.h"
#include "scripting/jsapi_impl.h"

namespace FB::ActiveX {
namespace {

using testing::BareSite;

using testing::RecordingDispatch;

class ConnectionPoint : public ::testing::Test {
 protected:
  void SetUp() override {
    IClassFactory* classObject = nullptr;
    ASSERT_EQ(getClassObject(kClsidFBControl, IID_IClassFactory, reinterpret_cast<void**>(&classObject)),
              S_OK);
    ASSERT_EQ(classObject->CreateInstance(nullptr, IID_IConnectionPointContainer,
                                          reinterpret_cast<void**>(&points)),
              S_OK);
    classObject->Release();
  }
  void TearDown() override {
    if (point) point->Release();
    if (points) points->Release();
    EXPECT_EQ(moduleLockCount(), 0);
  }
  void findPoint() { ASSERT_EQ(points->FindConnectionPoint(kDiidIFBComEventSource, &point), S_OK); }
  void site() {
    IObjectWithSite* withSite = nullptr;
    ASSERT_EQ(points->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite)), S_OK);
    ASSERT_EQ(withSite->SetSite(&bareSite), S_OK);
    withSite->Release();
  }
  void raise(const std::string& name, const VariantVector& args) {
    auto core = testing::testFactory().lastCore.lock();
    auto root = std::dynamic_pointer_cast<JSAPIImpl>(core->rootScriptObject());
    ASSERT_TRUE(root);
    root->raiseEvent(name, args);
  }

  BareSite bareSite;
  IConnectionPointContainer* points = nullptr;
  IConnectionPoint* point = nullptr;
};

TEST_F(ConnectionPoint, TheEventInterfaceIsTheOnlyPointFoundOrListed) {
  IConnectionPoint* other = reinterpret_cast<IConnectionPoint*>(1);
  EXPECT_EQ(points->FindConnectionPoint(IID_IPropertyNotifySink, &other), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(other, nullptr);
  findPoint();
  IID iid{};
  EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_TRUE(IsEqualIID(iid, kDiidIFBComEventSource));
  IConnectionPointContainer* back = nullptr;
  ASSERT_EQ(point->GetConnectionPointContainer(&back), S_OK);
  IUnknown* identity = nullptr;
  IUnknown* controlIdentity = nullptr;
  back->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
  points->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&controlIdentity));
  EXPECT_EQ(identity, controlIdentity);
  identity->Release();
  controlIdentity->Release();
  back->Release();
  IEnumConnections* connections = reinterpret_cast<IEnumConnections*>(1);
  EXPECT_EQ(point->EnumConnections(&connections), E_NOTIMPL);
  EXPECT_EQ(connections, nullptr);

  IEnumConnectionPoints* listed = nullptr;
  ASSERT_EQ(points->EnumConnectionPoints(&listed), S_OK);
  IConnectionPoint* found[2] = {};
  ULONG count = 0;
  EXPECT_EQ(listed->Next(2, found, &count), S_FALSE);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(found[0], point);
  found[0]->Release();
  EXPECT_EQ(listed->Next(1, found, &count), S_FALSE);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(listed->Reset(), S_OK);
  IEnumConnectionPoints* copy = nullptr;
  ASSERT_EQ(listed->Clone(&copy), S_OK);
  EXPECT_EQ(copy->Next(1, found, nullptr), S_OK);
  found[0]->Release();
  copy->Release();
  listed->Release();
}

TEST_F(ConnectionPoint, AnAdvisedSinkReceivesRaisedEventsByNameUntilUnadvised) {
  site();
  findPoint();
  RecordingDispatch sink;
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  EXPECT_NE(cookie, 0u);
  raise("onping", VariantVector{42, std::string("pong")});
  EXPECT_EQ(sink.calls, std::vector<std::string>{"onping(42,pong)"});

  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  raise("onping", VariantVector{1});
  EXPECT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.references, 1u);
  EXPECT_EQ(point->Unadvise(cookie), E_UNEXPECTED);
  EXPECT_EQ(point->Unadvise(12345), E_UNEXPECTED);
}

TEST_F(ConnectionPoint, AnEventRaisedOnAnotherThreadReachesTheSinkOnTheContainersThread) {
  site();
  findPoint();
  RecordingDispatch sink;
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  std::thread([&] { raise("onprogress", VariantVector{50}); }).join();
  EXPECT_TRUE(sink.calls.empty());  // queued for the container's thread
  Npapi::AsyncMessageWindow::dispatchPending();
  EXPECT_EQ(sink.calls, std::vector<std::string>{"onprogress(50)"});
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
}

TEST_F(ConnectionPoint, AdviseRefusesWhatCannotBeASink) {
  findPoint();
  RecordingDispatch sink;
  DWORD cookie = 7;
  // No site yet: no page to hold the sink's proxy.
  EXPECT_EQ(point->Advise(&sink, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
  site();
  EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
  EXPECT_EQ(point->Advise(&bareSite, &cookie), CONNECT_E_CANNOTCONNECT);  // no IDispatch
  EXPECT_EQ(point->Advise(&sink, nullptr), E_POINTER);
  EXPECT_EQ(sink.references, 1u);
}

TEST_F(ConnectionPoint, SinksAreReleasedWhenTheSiteGoes) {
  site();
  findPoint();
  RecordingDispatch sink;
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  EXPECT_GT(sink.references, 1u);
  IObjectWithSite* withSite = nullptr;
  ASSERT_EQ(points->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite)), S_OK);
  EXPECT_EQ(withSite->SetSite(nullptr), S_OK);
  withSite->Release();
  EXPECT_EQ(sink.references, 1u);
  EXPECT_EQ(point->Unadvise(cookie), E_UNEXPECTED);
}

}  // namespace
}  // namespace FB::ActiveX
