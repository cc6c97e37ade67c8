// Package extraction against real archives: packages built by the test with
// minizip's zip interface, some of them damaged on purpose, unpacked into a
// folder below the temporary folder.
#include "manager/package_extraction.h"

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "manager/manager_test_support.h"
#include "manager/test_package_builder.h"

namespace {

namespace fs = std::filesystem;
using Norvell::extractPackage;
using Norvell::testing::PackageEntry;
using Norvell::testing::readBytes;
using Norvell::testing::writeBytes;
using Norvell::testing::writePackage;

const bool kBackslashSeparates = fs::path::preferred_separator == '\\';

// Binary data of `size` bytes that deflate cannot shrink to nothing and that
// holds NUL bytes.
std::string binaryData(std::size_t size) {
  std::string data(size, '\0');
  unsigned value = 12345;
  for (char& c : data) {
    value = value * 1103515245u + 12345u;
    c = static_cast<char>(value >> 24);
  }
  return data;
}

class PackageExtractionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(base_);
    fs::create_directories(base_);
  }
  void TearDown() override { fs::remove_all(base_); }

  bool extract(const std::vector<PackageEntry>& entries) {
    writePackage(package_, entries);
    return extractPackage(package_.string(), destination_.string());
  }

  // The names inside a folder (the destination unless told otherwise).
  std::set<std::string> namesIn(const fs::path& folder) const {
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(folder)) names.insert(item.path().filename().string());
    return names;
  }
  std::set<std::string> unpacked() const { return namesIn(destination_); }

  const fs::path base_ = Norvell::testing::testFolder("nz_extract_");
  const fs::path package_ = base_ / "package.zip";
  const fs::path destination_ = base_ / "unpacked";
};

TEST_F(PackageExtractionTest, FlatPackageUnpacksEveryFileWithItsContents) {
  const std::string module = binaryData(200 * 1024);  // several 64 KiB chunks
  ASSERT_TRUE(extract({
      {"pluginmanifest.json", R"({"PluginName":"Reader"})"},
      {"npReader32.dll", module, false},
      {"huge.bin", std::string(300 * 1024, 'x')},
      {"empty.txt", ""},
      {"name with blanks..txt", "b"},
  }));
  EXPECT_EQ(unpacked(), (std::set<std::string>{"pluginmanifest.json", "npReader32.dll", "huge.bin", "empty.txt",
                                               "name with blanks..txt"}));
  EXPECT_EQ(readBytes(destination_ / "pluginmanifest.json"), R"({"PluginName":"Reader"})");
  EXPECT_EQ(readBytes(destination_ / "npReader32.dll"), module);
  EXPECT_EQ(readBytes(destination_ / "huge.bin"), std::string(300 * 1024, 'x'));
  EXPECT_EQ(fs::file_size(destination_ / "empty.txt"), 0u);
}

TEST_F(PackageExtractionTest, DestinationIsReplacedWhateverWasThere) {
  writePackage(package_, {{"new.txt", "new"}});
  fs::create_directories(destination_ / "old" / "deeper");
  writeBytes(destination_ / "old.txt", "old");
  ASSERT_TRUE(extractPackage(package_.string(), destination_.string()));
  EXPECT_EQ(unpacked(), std::set<std::string>{"new.txt"});

  fs::remove_all(destination_);
  writeBytes(destination_, "a file where the folder belongs");
  ASSERT_TRUE(extractPackage(package_.string(), destination_.string() + "/"));  // trailing separator
  EXPECT_EQ(readBytes(destination_ / "new.txt"), "new");

  EXPECT_THROW(extractPackage(package_.string(), (base_ / "missing" / "unpacked").string()), fs::filesystem_error);
}

TEST_F(PackageExtractionTest, PackagesWithoutFilesGiveAnEmptyFolder) {
  writePackage(package_, {});
  std::string endRecord = readBytes(package_);
  writeBytes(package_, "stub" + endRecord);  // as behind a self-extractor
  EXPECT_TRUE(extractPackage(package_.string(), destination_.string()));
  EXPECT_TRUE(fs::is_directory(destination_));
  EXPECT_TRUE(unpacked().empty());
  // minizip finds no end record at the very start of a file, so an archive
  // that is nothing but its end record does not open.
  writeBytes(package_, endRecord);
  EXPECT_FALSE(extractPackage(package_.string(), destination_.string()));

  EXPECT_TRUE(extract({{"docs/", ""}, {"bin\\", ""}}));  // folder entries create nothing
  EXPECT_TRUE(unpacked().empty());
}

TEST_F(PackageExtractionTest, EntriesInSubFoldersFailSinceNoFolderIsCreated) {
  EXPECT_FALSE(extract({{"sub/", ""}, {"sub/file.txt", "x"}}));
  EXPECT_TRUE(unpacked().empty());

  // A backslash separates folders on Windows only; elsewhere it is part of
  // the file's name.
  EXPECT_EQ(extract({{"sub\\file.txt", "x"}}), !kBackslashSeparates);
  EXPECT_EQ(unpacked(), kBackslashSeparates ? std::set<std::string>{} : std::set<std::string>{"sub\\file.txt"});
}

TEST_F(PackageExtractionTest, NamesLeadingOutsideTheDestinationFailBeforeTheyAreWritten) {
  for (const char* name : {"../escaped.txt", "..\\escaped.txt", "sub/../../escaped.txt", "../", ".../escaped.txt",
                           ". ./escaped.txt", "/escaped.txt", "\\escaped.txt", "C:escaped.txt", "c:/escaped.txt"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(extract({{"first.txt", "1"}, {name, "escaped"}, {"last.txt", "3"}}));
    EXPECT_TRUE(unpacked().empty());  // every name is checked before the first file is written
    EXPECT_EQ(namesIn(base_), (std::set<std::string>{"package.zip", "unpacked"}));
  }

  // Dots that name nothing but a file are fine.
  EXPECT_TRUE(extract({{"a..b.txt", "1"}, {"..hidden", "2"}, {"./here.txt", "3"}, {"..txt", "4"}}));
  EXPECT_EQ(unpacked(), (std::set<std::string>{"a..b.txt", "..hidden", "here.txt", "..txt"}));
}

TEST_F(PackageExtractionTest, NamesOfTenTwentyFourBytesOrMoreFailInsteadOfBeingCut) {
  std::string name;
  for (int i = 0; i < 508; ++i) name += "./";
  name += "cut.txt";
  ASSERT_EQ(name.size(), 1023u);
  EXPECT_TRUE(extract({{name, "fits"}}));
  EXPECT_EQ(readBytes(destination_ / "cut.txt"), "fits");

  EXPECT_FALSE(extract({{name + "X", "would be cut to cut.txt"}}));
  EXPECT_TRUE(unpacked().empty());
}

TEST_F(PackageExtractionTest, MissingOrDamagedPackagesFail) {
  EXPECT_FALSE(extractPackage((base_ / "missing.zip").string(), destination_.string()));
  EXPECT_TRUE(fs::is_directory(destination_));

  writeBytes(package_, "plain text, no zip archive");
  EXPECT_FALSE(extractPackage(package_.string(), destination_.string()));

  writePackage(package_, {{"a.txt", "a"}});
  const std::string whole = readBytes(package_);
  writeBytes(package_, whole.substr(0, whole.size() - 10));  // end of the directory cut off
  EXPECT_FALSE(extractPackage(package_.string(), destination_.string()));
}

TEST_F(PackageExtractionTest, DamagedEntriesFailAndStopTheExtraction) {
  const auto extractDamaged = [&](bool compressed, auto damage) {
    writePackage(package_, {{"data.bin", std::string(1000, 'd'), compressed}, {"after.txt", "after"}});
    std::string bytes = readBytes(package_);
    damage(bytes);
    writeBytes(package_, bytes);
    return extractPackage(package_.string(), destination_.string());
  };
  const auto changeFirstDataByte = [](std::string& bytes) { bytes[Norvell::testing::firstEntryDataOffset(bytes)] ^= 0x7f; };

  // Stored data that reads fine but no longer matches its checksum.
  EXPECT_FALSE(extractDamaged(false, changeFirstDataByte));
  EXPECT_EQ(unpacked(), std::set<std::string>{"data.bin"});

  // Deflated data that cannot be inflated.
  EXPECT_FALSE(extractDamaged(true, [](std::string& bytes) { bytes[Norvell::testing::firstEntryDataOffset(bytes)] = '\xff'; }));
  EXPECT_EQ(unpacked(), std::set<std::string>{"data.bin"});

  // A compression method that cannot be decoded.
  EXPECT_FALSE(extractDamaged(true, [](std::string& bytes) { Norvell::testing::setFirstEntryMethod(bytes, 99); }));
  EXPECT_TRUE(unpacked().empty());
}

}  // namespace
