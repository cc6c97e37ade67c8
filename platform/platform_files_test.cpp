// The system platform's file operations, on whichever system runs the test:
// the temporary and local application-data folders, narrow/wide path
// conversion and path attributes.
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "scripting/text_conversion.h"
#include "testing/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

fs::path pathOf(const std::wstring& wide) {
  const std::string utf8 = FB::toUtf8(wide);
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::wstring wideOf(const fs::path& path) {
  const std::u8string utf8 = path.u8string();
  return FB::toWide(std::string(utf8.begin(), utf8.end()));
}

FB::Platform& os() { return FB::Platform::systemInstance(); }

TEST(PlatformFiles, TemporaryFolderEndsWithASeparatorAndExists) {
  const std::wstring folder = os().temporaryFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(folder.back() == L'/' || folder.back() == L'\\') << FB::toUtf8(folder);
  EXPECT_TRUE(fs::is_directory(pathOf(folder))) << FB::toUtf8(folder);
}

TEST(PlatformFiles, LocalAppDataFolderIsAbsoluteWithoutATrailingSeparator) {
  const std::wstring folder = os().localAppDataFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(pathOf(folder).is_absolute()) << FB::toUtf8(folder);
  EXPECT_NE(folder.back(), L'\\') << FB::toUtf8(folder);
  if (folder.size() > 1) {
    EXPECT_NE(folder.back(), L'/') << FB::toUtf8(folder);
  }
}

TEST(PlatformFiles, NarrowAndWidePathsRoundTrip) {
  EXPECT_EQ(os().narrowPath(L"C:\\data/report 1.txt"), "C:\\data/report 1.txt");
  EXPECT_EQ(os().widePath("C:\\data/report 1.txt"), L"C:\\data/report 1.txt");
  EXPECT_EQ(os().narrowPath(L""), "");
  EXPECT_EQ(os().widePath(""), L"");
  const std::string narrow = os().narrowPath(L"caf\u00e9.txt");
  EXPECT_EQ(narrow.size(),
            narrow.find('\xC3') != std::string::npos ? 9u : 8u);  // UTF-8 or a single-byte code page
  EXPECT_EQ(os().widePath(narrow), L"caf\u00e9.txt");
}

TEST(PlatformFiles, AttributesOfFilesFoldersAndMissingPaths) {
  const fs::path folder = FB::testing::uniqueTemporaryFolder("nz_platform_files_");
  std::ofstream(folder / "present.txt") << "x";

  EXPECT_EQ(os().pathAttributes(wideOf(folder / "present.txt")).status, FB::PathStatus::Exists);
  EXPECT_EQ(os().pathAttributes(wideOf(folder)).status, FB::PathStatus::Exists);
  EXPECT_EQ(os().pathAttributes(wideOf(folder / "absent.txt")).status, FB::PathStatus::Missing);
  EXPECT_EQ(os().pathAttributes(wideOf(folder / "absent" / "child.txt")).status, FB::PathStatus::Missing);
  EXPECT_EQ(os().pathAttributes(wideOf(folder / "present.txt" / "child.txt")).status,
            FB::PathStatus::Missing);
  EXPECT_EQ(os().pathAttributes(L"").status, FB::PathStatus::Missing);
  // The system would see only "present.txt" before the NUL.
  const std::wstring withNul = wideOf(folder / "present.txt") + std::wstring(1, L'\0') + L"x";
  EXPECT_EQ(os().pathAttributes(withNul).status, FB::PathStatus::Missing);

  fs::remove_all(folder);
}

}  // namespace
