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

// The work folder's root: an absolute folder ending with a separator (on
// Linux the user's cache folder, which a fresh account may not have yet).
TEST(PlatformFiles, TemporaryFolderIsAbsoluteAndEndsWithASeparator) {
  const std::wstring folder = os().temporaryFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(folder.back() == L'/' || folder.back() == L'\\') << FB::toUtf8(folder);
  EXPECT_TRUE(pathOf(folder).is_absolute()) << FB::toUtf8(folder);
}

// A path the narrow encoding cannot hold exactly never becomes another
// path: full-width full stops and solidus (best-fit "../" in Windows code
// pages), a character most code pages lack, a lone surrogate. Each either
// raises "Could not convert path" or converts back to itself.
TEST(PlatformFiles, NarrowPathsAreExactOrRefused) {
  const std::wstring lonelySurrogate(1, static_cast<wchar_t>(0xD800));
  for (const std::wstring& path : {std::wstring(L"C:\\a\\\uFF0E\uFF0E\uFF0Fx"), std::wstring(L"C:\\\u4E2D.txt"),
                                   L"C:\\" + lonelySurrogate + L".txt"}) {
    std::string narrow;
    try {
      narrow = os().narrowPath(path);
    } catch (const fs::filesystem_error& e) {
      EXPECT_NE(std::string(e.what()).find("Could not convert path"), std::string::npos) << e.what();
      continue;
    }
    EXPECT_EQ(narrow.find('/'), std::string::npos);
    EXPECT_EQ(os().widePath(narrow), path);
  }
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
