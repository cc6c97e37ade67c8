// The root object's dialog members, called by name as page script calls
// them, against a fake platform whose dialogs answer what the test scripts.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/console_log.h"
#include "app/norvell_zephel_bs_plugin.h"
#include "app/plug_in_api.h"
#include "platform/fake_platform.h"
#include "scripting/script_error.h"
#include "testing/fake_browser_host.h"

namespace {

using FB::FakePlatform;
using FB::FileDialogRequest;
using FB::FolderDialogRequest;
using FB::variant;
using FB::VariantVector;
using FB::testing::FakeBrowserHost;
using namespace std::string_literals;

class Dialogs : public ::testing::Test {
 protected:
  // The root object is made after the reset: making one names its page as
  // the console's.
  void SetUp() override {
    Norvell::resetConsoleForTesting();
    api = std::make_shared<PlugInAPI>(host);
  }
  void TearDown() override { Norvell::resetConsoleForTesting(); }

  // The file object the call answered; null when it answered script null.
  FileHandlePtr call(const std::string& member, const VariantVector& args) {
    variant result = api->callMethod(member, args);
    if (result.isNull() || result.isEmpty()) return nullptr;
    return result.convertTo<FileHandlePtr>();
  }
  std::string errorOf(const std::string& member, const VariantVector& args) {
    try {
      api->callMethod(member, args);
    } catch (const FB::script_error& e) {
      return e.what();
    }
    return "(no error)";
  }

  FakePlatform platform;
  FB::ScopedPlatformForTesting installed{platform};
  std::shared_ptr<FakeBrowserHost> host = FakeBrowserHost::create();
  std::shared_ptr<PlugInAPI> api;
};

TEST_F(Dialogs, OpenShowsTheBuiltFilterListAndAnswersTheChosenFile) {
  platform.answerFileDialog({true, L"/home/u/photo one.png", 2});
  FileHandlePtr file = call("showOpenDialog", {"Text files|txt|Images|png"});
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->path(), L"/home/u/photo one.png");  // an open dialog adds no extension

  ASSERT_EQ(platform.fileRequests().size(), 1u);
  const FileDialogRequest& request = platform.fileRequests()[0];
  EXPECT_EQ(request.kind, FileDialogRequest::Kind::Open);
  EXPECT_EQ(request.filter, L"Text files\0*.txt\0Images\0*.png\0\0"s);
  EXPECT_EQ(request.filterIndex, 1);

  EXPECT_EQ(call("showOpenDialog", {""}), nullptr);  // cancelled
  EXPECT_EQ(platform.fileRequests().back().filter, L"\0\0"s);
}

TEST_F(Dialogs, SaveAddsTheExtensionOfTheFilterInForce) {
  const std::string filter = "Text|txt|Images|png|All files|*";
  platform.answerFileDialog({true, L"/home/u/report", 1});
  platform.answerFileDialog({true, L"/home/u/report", 2});
  platform.answerFileDialog({true, L"/home/u/report.txt", 1});
  platform.answerFileDialog({true, L"/home/u/notes.txt.old/report", 1});
  platform.answerFileDialog({true, L"/home/u/data", 3});
  platform.answerFileDialog({true, L"/home/u/data", 0});
  std::vector<std::wstring> paths;
  for (int i = 0; i < 6; ++i) {
    FileHandlePtr file = call("showSaveDialog", {filter});
    ASSERT_NE(file, nullptr);
    paths.push_back(file->path());
  }
  EXPECT_EQ(paths, (std::vector<std::wstring>{L"/home/u/report.txt", L"/home/u/report.png", L"/home/u/report.txt",
                                              L"/home/u/notes.txt.old/report", L"/home/u/data", L"/home/u/data"}));
  EXPECT_EQ(platform.fileRequests()[0].kind, FileDialogRequest::Kind::Save);
  EXPECT_EQ(platform.fileRequests()[0].filterIndex, 1);

  // A filter that ends with a description adds nothing; cancel answers null.
  platform.answerFileDialog({true, L"/home/u/letter", 1});
  EXPECT_EQ(call("showSaveDialog", {"Documents"})->path(), L"/home/u/letter");
  EXPECT_EQ(call("showSaveDialog", {filter}), nullptr);
}

TEST_F(Dialogs, FolderDialogKindAndTitleFollowTheSystemVersion) {
  platform.setOsMajorVersion(5);
  platform.answerFolderDialog({true, L"/home/u/Documents"});
  FileHandlePtr folder = call("showSelectFolderDialog", {});
  ASSERT_NE(folder, nullptr);
  EXPECT_EQ(folder->path(), L"/home/u/Documents");
  platform.setOsMajorVersion(6);
  EXPECT_EQ(call("showSelectFolderDialog", {}), nullptr);  // cancelled

  ASSERT_EQ(platform.folderRequests().size(), 2u);
  EXPECT_EQ(platform.folderRequests()[0].kind, FolderDialogRequest::Kind::LegacyBrowser);
  EXPECT_EQ(platform.folderRequests()[0].title, L"Select Folder");
  EXPECT_EQ(platform.folderRequests()[1].kind, FolderDialogRequest::Kind::ItemDialog);
  EXPECT_EQ(platform.folderRequests()[1].title, L"Select folder");
}

TEST_F(Dialogs, WithTitleShowsTheSameDialogUnderTheGivenTitle) {
  platform.answerFolderDialog({true, L"/srv/Ünïcode folder"});
  EXPECT_EQ(call("showSelectFolderDialogWithTitle", {"Where should the backup go?"})->path(),
            L"/srv/Ünïcode folder");
  EXPECT_EQ(call("showSelectFolderDialogWithTitle", {""}), nullptr);  // empty: the default title
  platform.setOsMajorVersion(5);
  EXPECT_EQ(call("showSelectFolderDialogWithTitle", {42}), nullptr);  // numbers arrive as text

  const auto& requests = platform.folderRequests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].kind, FolderDialogRequest::Kind::ItemDialog);
  EXPECT_EQ(requests[0].title, L"Where should the backup go?");
  EXPECT_EQ(requests[1].title, L"Select folder");
  EXPECT_EQ(requests[2].kind, FolderDialogRequest::Kind::LegacyBrowser);
  EXPECT_EQ(requests[2].title, L"42");
}

TEST_F(Dialogs, ArgumentErrorsShowNoDialog) {
  EXPECT_EQ(errorOf("showSelectFolderDialog", {1}), "Too many arguments, expected 0.");
  EXPECT_EQ(errorOf("showSelectFolderDialogWithTitle", {}), "Error: Argument 1 is not optional.");
  EXPECT_EQ(errorOf("showOpenDialog", {}), "Error: Argument 1 is not optional.");
  EXPECT_EQ(errorOf("showSaveDialog", {"a", "b"}), "Too many arguments, expected 1.");
  EXPECT_NE(errorOf("showOpenDialog", {FB::FBNull}), "(no error)");
  EXPECT_NE(errorOf("showSaveDialog", {variant()}), "(no error)");
  EXPECT_NE(errorOf("showSelectFolderDialogWithTitle", {FB::FBNull}), "(no error)");
  EXPECT_TRUE(platform.fileRequests().empty());
  EXPECT_TRUE(platform.folderRequests().empty());
}

TEST_F(Dialogs, UntrustedPagesGetNoDialog) {
  api = std::make_shared<PlugInAPI>(FakeBrowserHost::create("https://elsewhere.example/"));
  for (const char* member : {"showOpenDialog", "showSaveDialog", "showSelectFolderDialogWithTitle"}) {
    EXPECT_EQ(errorOf(member, {"x"}), "This site is not trusted by Norvell Zephel");
  }
  EXPECT_EQ(errorOf("showSelectFolderDialog", {}), "This site is not trusted by Norvell Zephel");
  EXPECT_TRUE(platform.fileRequests().empty());
  EXPECT_TRUE(platform.folderRequests().empty());
}

TEST_F(Dialogs, ItemDialogFailuresReachTheCaller) {
  platform.failFolderDialog("IFileDialog::Show failed with HRESULT 0x80004005");
  EXPECT_THROW(call("showSelectFolderDialog", {}), std::runtime_error);
  EXPECT_THROW(call("showSelectFolderDialogWithTitle", {"t"}), std::runtime_error);
}

TEST_F(Dialogs, EachMemberWritesItsTraceLineWhenLoggingIsOn) {
  call("showOpenDialog", {"Text|txt"});  // level 0: no line
  EXPECT_TRUE(host->consoleLines().empty());
  Norvell::setLoggingLevel(4);
  call("showOpenDialog", {"Text|txt"});
  call("showSaveDialog", {"Text|txt"});
  call("showSelectFolderDialog", {});
  call("showSelectFolderDialogWithTitle", {"t"});
  EXPECT_EQ(host->consoleLines(), (std::vector<std::string>{"showOpenDialog", "showSaveDialog", "showSelectFolderDialog",
                                                             "showSelectFolderDialogWithTitle"}));
}

// A dialog still open when its instance goes away must not outlive it.
TEST_F(Dialogs, ShuttingTheInstanceDownEndsItsDialogs) {
  std::shared_ptr<FB::PluginCore> plugin = std::make_shared<NorvellZephelBSPlugin>();
  EXPECT_EQ(platform.endDialogsCalls(), 0);
  plugin->onShutdown();
  EXPECT_EQ(platform.endDialogsCalls(), 1);
}

}  // namespace
