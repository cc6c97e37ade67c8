// The Linux work folder is the user's alone: it lives in the user's cache
// folder, is made with mode 0700, and files written there get 0600. A work
// folder someone else could reach (a link, another owner, open permissions)
// is not used, and nothing is written.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/plug_in_api.h"
#include "app/site.h"
#include "app/work_folder.h"
#include "platform/fake_platform.h"
#include "testing/fake_browser_host.h"
#include "testing/temporary_folder.h"

namespace {

namespace fs = std::filesystem;
using FB::testing::FakeBrowserHost;

class PrivateWorkFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cache = FB::testing::uniqueTemporaryFolder("nz_cache_");
    platform.setTemporaryFolder(Norvell::widePathText(cache / ""));
    Norvell::resetWorkFolderForTesting();
    host = FakeBrowserHost::create();
    api = std::make_shared<PlugInAPI>(host);
  }
  void TearDown() override {
    api.reset();
    host->shutdown();
    Norvell::resetWorkFolderForTesting();
    std::error_code ignored;
    fs::remove_all(cache, ignored);
  }

  fs::path workFolder() const { return cache / Norvell::fileSystemPath(Norvell::kSiteFolderName).parent_path(); }
  FileHandlePtr acquire() {
    return api->callMethod("acquireRecoveryFile", {std::string("txt"), std::string("doc")}).convertTo<FileHandlePtr>();
  }
  static fs::perms modeOf(const fs::path& path) { return fs::status(path).permissions() & fs::perms::mask; }

  FB::FakePlatform platform;
  FB::ScopedPlatformForTesting usePlatform{platform};
  fs::path cache;
  std::shared_ptr<FakeBrowserHost> host;
  std::shared_ptr<PlugInAPI> api;
};

TEST_F(PrivateWorkFolderTest, TheFolderAndTheFilesWrittenThereAreTheUsersAlone) {
  const FileHandlePtr file = acquire();
  EXPECT_EQ(modeOf(workFolder()), fs::perms::owner_all);
  api->callMethod("saveStreamToFile", {file, std::string("draft"), std::string("replace")});
  EXPECT_EQ(modeOf(Norvell::fileSystemPath(file->path())), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(PrivateWorkFolderTest, AFolderOthersCouldReachIsNotUsedAndNothingIsWritten) {
  const fs::path elsewhere = cache / "elsewhere";
  fs::create_directory(elsewhere);
  fs::permissions(elsewhere, fs::perms::owner_all);
  const std::vector<std::pair<const char*, std::function<bool()>>> attacks = {
      {"a link to another folder", [&] { fs::create_directory_symlink(elsewhere, workFolder()); return true; }},
      {"open to others", [&] { fs::create_directory(workFolder()); fs::permissions(workFolder(), fs::perms::owner_all | fs::perms::others_exec); return true; }},
      // Only the superuser can give a folder away; elsewhere this case is left out.
      {"another owner", [&] { fs::create_directory(workFolder()); fs::permissions(workFolder(), fs::perms::owner_all); return ::chown(workFolder().c_str(), 65534, 65534) == 0; }},
  };
  for (const auto& [attack, prepare] : attacks) {
    fs::remove_all(workFolder());
    if (!prepare()) continue;
    std::string message = "<no error>";
    try {
      acquire();
    } catch (const fs::filesystem_error& e) {
      message = e.what();
    }
    EXPECT_NE(message.find("Could not use the work folder"), std::string::npos) << attack << ": " << message;
    EXPECT_TRUE(fs::is_empty(elsewhere)) << attack;
    EXPECT_FALSE(fs::exists(workFolder() / "recovery")) << attack;
  }
}

}  // namespace
