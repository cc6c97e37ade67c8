// Tests of the work folder and of "acquireRecoveryFile" and
// "releaseRecoveryFile", with the platform's temporary folder pointed into a
// real folder made for each test.
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>

#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>
#include <gtest/gtest.h>

#include "app/plug_in_api.h"
#include "app/site.h"
#include "app/work_folder.h"
#include "platform/fake_platform.h"
#include "scripting/script_error.h"
#include "testing/fake_browser_host.h"
#include "testing/temporary_folder.h"

namespace {

namespace fs = std::filesystem;
using FB::testing::FakeBrowserHost;

class RecoveryFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp = FB::testing::uniqueTemporaryFolder("nz_recovery_");
    platform.setTemporaryFolder(Norvell::widePathText(temp / ""));  // ends with a separator, as the system's does
    Norvell::resetWorkFolderForTesting();
    host = FakeBrowserHost::create();
    api = std::make_shared<PlugInAPI>(host);
  }
  void TearDown() override {
    api.reset();
    host->shutdown();
    Norvell::resetWorkFolderForTesting();
    std::error_code ignored;
    fs::remove_all(temp, ignored);
  }

  fs::path workFolder() const {
    return Norvell::fileSystemPath(Norvell::widePathText(temp / "") + Norvell::kSiteFolderName);
  }
  fs::path recovery() const { return workFolder() / "recovery"; }
  FileHandlePtr acquire(const std::string& extension, const std::string& folder) {
    return api->callMethod("acquireRecoveryFile", {extension, folder}).convertTo<FileHandlePtr>();
  }
  void release(const FB::variant& file) { api->callMethod("releaseRecoveryFile", {file}); }
  static fs::path pathOf(const FileHandlePtr& file) { return Norvell::fileSystemPath(file->path()); }

  FB::FakePlatform platform;
  FB::ScopedPlatformForTesting usePlatform{platform};
  fs::path temp;
  std::shared_ptr<FakeBrowserHost> host;
  std::shared_ptr<PlugInAPI> api;
};

// ---------------------------------------------------------------- work folder

TEST_F(RecoveryFilesTest, TheWorkFolderIsTheSiteFolderInTheTemporaryFolderMadeOnceAndCached) {
  const std::wstring expected = Norvell::widePathText(temp / "") + Norvell::kSiteFolderName;
  EXPECT_EQ(Norvell::workFolder(), expected);
  EXPECT_TRUE(fs::is_directory(Norvell::fileSystemPath(expected)));
  platform.setTemporaryFolder(L"elsewhere/");
  EXPECT_EQ(Norvell::workFolder(), expected);
}

TEST_F(RecoveryFilesTest, AFolderThatCannotBeMadeRaisesAndIsTriedAgainNextTime) {
  std::ofstream(temp / "file") << "not a folder";
  platform.setTemporaryFolder(Norvell::widePathText(temp / "file" / ""));
  EXPECT_THROW(Norvell::workFolder(), fs::filesystem_error);
  EXPECT_THROW(acquire("txt", "doc"), fs::filesystem_error);

  platform.setTemporaryFolder(Norvell::widePathText(temp / "good" / ""));
  EXPECT_EQ(Norvell::workFolder(), Norvell::widePathText(temp / "good" / "") + Norvell::kSiteFolderName);
}

// ---------------------------------------------------------------- acquireRecoveryFile

TEST_F(RecoveryFilesTest, ANameIsAFreshVersion4UuidAndTheExtensionInTheNamedFolder) {
  const FileHandlePtr first = acquire("txt", "doc42");
  const FileHandlePtr second = acquire("txt", "doc42");
  const std::regex uuidTxt("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}\\.txt");
  for (const auto& file : {first, second}) {
    const fs::path path = pathOf(file);
    EXPECT_TRUE(std::regex_match(path.filename().string(), uuidTxt)) << path;
    EXPECT_EQ(path.parent_path(), recovery() / "doc42");
    EXPECT_FALSE(fs::exists(path));
  }
  EXPECT_NE(first->path(), second->path());
  EXPECT_TRUE(fs::is_directory(recovery() / "doc42"));
}

TEST_F(RecoveryFilesTest, EmptyAndNestedFoldersAndAnEmptyExtension) {
  const fs::path direct = pathOf(acquire("", ""));
  EXPECT_EQ(direct.parent_path(), recovery());
  EXPECT_EQ(direct.filename().string().size(), 37u);
  EXPECT_EQ(direct.filename().string().back(), '.');

  const fs::path nested = pathOf(acquire("bin", "a/b"));
  EXPECT_EQ(nested.parent_path(), recovery() / "a" / "b");
  EXPECT_TRUE(fs::is_directory(recovery() / "a"));
  EXPECT_TRUE(fs::is_directory(recovery() / "a" / "b"));
}

TEST_F(RecoveryFilesTest, DeletingTheWorkFolderMidRunMakesTheNextAcquisitionRecreateIt) {
  acquire("txt", "doc");
  fs::remove_all(workFolder());
  const fs::path again = pathOf(acquire("txt", "doc"));
  EXPECT_TRUE(fs::is_directory(recovery() / "doc"));
  EXPECT_EQ(again.parent_path(), recovery() / "doc");
}

// ---------------------------------------------------------------- releaseRecoveryFile

TEST_F(RecoveryFilesTest, ReleaseRemovesWhatWasWrittenAndIgnoresWhatIsNotThere) {
  const FileHandlePtr file = acquire("txt", "doc");
  release(file);  // never written
  EXPECT_TRUE(fs::is_directory(recovery() / "doc"));

  api->callMethod("saveStreamToFile", {file, std::string("draft"), std::string("replace")});
  ASSERT_TRUE(fs::exists(pathOf(file)));
  release(file);
  EXPECT_FALSE(fs::exists(pathOf(file)));
  release(file);
  release(FB::FBNull);
  EXPECT_TRUE(fs::is_empty(recovery() / "doc"));
}

TEST_F(RecoveryFilesTest, ReleaseRemovesAnEmptyFolderButRaisesForAFullOne) {
  acquire("txt", "full/inner");
  std::ofstream(recovery() / "full" / "kept.txt") << "x";
  const auto full = std::make_shared<FileHandle>(Norvell::widePathText(recovery() / "full"));
  EXPECT_THROW(release(full), fs::filesystem_error);
  EXPECT_TRUE(fs::exists(recovery() / "full" / "kept.txt"));

  release(std::make_shared<FileHandle>(Norvell::widePathText(recovery() / "full" / "inner")));
  EXPECT_FALSE(fs::exists(recovery() / "full" / "inner"));
}

// ---------------------------------------------------------------- hostile folder texts

// Whatever the text, the folder lands below the recovery folder: a leading
// separator (or a drive) is not a way out.
TEST_F(RecoveryFilesTest, AnAbsoluteFolderTextLandsBelowTheRecoveryFolder) {
  const std::string outside = "nz_outside_" + boost::uuids::to_string(boost::uuids::random_generator()());
  const fs::path landed = pathOf(acquire("txt", "/" + outside + "/x")).parent_path();
  EXPECT_EQ(landed, recovery() / outside / "x");
  EXPECT_FALSE(fs::exists(fs::current_path().root_path() / outside));
}

TEST_F(RecoveryFilesTest, AFolderTextThatClimbsRaisesAndCreatesNothing) {
  for (const char* folder : {"..", "../x", "a/../..", "a/..", "...", ".. "}) {
    std::string message = "<no script error>";
    try {
      acquire("txt", folder);
    } catch (const FB::script_error& e) {
      message = e.what();
    }
    EXPECT_EQ(message, "Invalid recovery folder") << folder;
  }
  EXPECT_FALSE(fs::exists(workFolder()));
}

}  // namespace
