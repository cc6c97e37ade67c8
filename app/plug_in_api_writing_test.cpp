// Tests of "createFileInFolder", "saveStreamToFile" (modes, line ends, and
// that a failed write leaves the old file and no temporary file behind) and
// of the handler registries, called by name as page script calls them.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>
#include <gtest/gtest.h>

#include "app/console_log.h"
#include "app/handler_registry.h"
#include "app/plug_in_api.h"
#include "app/work_folder.h"
#include "platform/fake_platform.h"
#include "testing/fake_browser_host.h"

namespace {

namespace fs = std::filesystem;
using FB::testing::FakeBrowserHost;
using FB::testing::FakeScriptObject;
using Norvell::HandlerKind;

constexpr bool kTranslatesLineEnds = fs::path::preferred_separator == '\\';  // Windows text streams

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> entriesOf(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class PlugInAPIWritingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("nz_writing_" + boost::uuids::to_string(boost::uuids::random_generator()()));
    fs::create_directories(folder);
    host = FakeBrowserHost::create();
    api = std::make_shared<PlugInAPI>(host);
    Norvell::resetHandlerRegistriesForTesting();
  }
  void TearDown() override {
    api.reset();
    host->shutdown();
    Norvell::resetConsoleForTesting();
    Norvell::resetHandlerRegistriesForTesting();
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(folder, ignored);
  }

  FileHandlePtr handle(const fs::path& path) { return std::make_shared<FileHandle>(Norvell::widePathText(path)); }
  FB::variant call(const std::string& name, const FB::VariantVector& args) { return api->callMethod(name, args); }
  void save(const fs::path& path, const std::string& data, const std::string& mode) {
    call("saveStreamToFile", {handle(path), data, mode});
  }
  void expectWriteFails(const fs::path& path, const std::string& data, const std::string& mode) {
    try {
      save(path, data, mode);
      ADD_FAILURE() << "the write of " << path << " succeeded";
    } catch (const FB::script_error& e) {
      EXPECT_STREQ(e.what(), "Could not write file");
    }
  }

  fs::path folder;
  std::shared_ptr<FakeBrowserHost> host;
  std::shared_ptr<PlugInAPI> api;
};

// ---------------------------------------------------------------- createFileInFolder

TEST_F(PlugInAPIWritingTest, CreateFileInFolderJoinsWithOneSeparatorAndCreatesNothing) {
  const std::wstring separator(1, static_cast<wchar_t>(fs::path::preferred_separator));
  auto made = call("createFileInFolder", {handle("C:/work"), std::wstring(L"out.txt")}).convertTo<FileHandlePtr>();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->path(), L"C:/work" + separator + L"out.txt");

  // The name is not checked: separators and ".." are kept as given.
  made = call("createFileInFolder", {handle("C:/work/"), std::wstring(L"../x/y")}).convertTo<FileHandlePtr>();
  EXPECT_EQ(made->path(), L"C:/work/" + separator + L"../x/y");

  made = call("createFileInFolder", {handle(folder), std::wstring(L"new.txt")}).convertTo<FileHandlePtr>();
  EXPECT_FALSE(fs::exists(Norvell::fileSystemPath(made->path())));
  EXPECT_TRUE(entriesOf(folder).empty());

  EXPECT_EQ(call("createFileInFolder", {FB::FBNull, std::wstring(L"out.txt")}).convertTo<FileHandlePtr>(), nullptr);
}

// ---------------------------------------------------------------- saveStreamToFile

TEST_F(PlugInAPIWritingTest, EachModeBuildsTheNewContentsFromTheOldOnes) {
  const struct {
    const char* mode;
    const char* expected;
  } cases[] = {{"append", "ABCD"}, {"prepend", "CDAB"}, {"replace", "CD"}, {"", "CD"}, {"Append", "CD"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    const fs::path file = folder / "ab.txt";
    writeBytes(file, "AB");
    save(file, "CD", c.mode);
    EXPECT_EQ(readBytes(file), c.expected);
    EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"ab.txt"});  // no temporary file is left
  }
}

TEST_F(PlugInAPIWritingTest, AMissingFileIsCreatedInEveryModeAndANullFileIsIgnored) {
  save(folder / "a.txt", "data", "append");
  save(folder / "p.txt", "data", "prepend");
  EXPECT_EQ(readBytes(folder / "a.txt"), "data");
  EXPECT_EQ(readBytes(folder / "p.txt"), "data");
  EXPECT_TRUE(call("saveStreamToFile", {FB::FBNull, std::string("x"), std::string("append")}).isEmpty());
  EXPECT_EQ(entriesOf(folder), (std::vector<std::string>{"a.txt", "p.txt"}));
}

TEST_F(PlugInAPIWritingTest, TextStreamsTranslateLineEndsBothWays) {
  const fs::path file = folder / "lines.txt";
  save(file, "a\nb\n", "replace");
  const std::string eol = kTranslatesLineEnds ? "\r\n" : "\n";
  EXPECT_EQ(readBytes(file), "a" + eol + "b" + eol);
  // The old lines are read back as LF, so appending never doubles a CR.
  save(file, "c\n", "append");
  EXPECT_EQ(readBytes(file), "a" + eol + "b" + eol + "c" + eol);
}

TEST_F(PlugInAPIWritingTest, TheDataIsStoredAsUtf8AndNamesMayHoldAnyCharacter) {
  auto file = call("createFileInFolder", {handle(folder), std::wstring(L"Gr\u00fc\u00dfe \u6587.txt")})
                  .convertTo<FileHandlePtr>();
  call("saveStreamToFile", {file, std::string("\xc3\xa9t\xc3\xa9"), std::string("replace")});
  EXPECT_EQ(readBytes(folder / fs::path(u8"Gr\u00fc\u00dfe \u6587.txt")), "\xc3\xa9t\xc3\xa9");
}

// The file is replaced, not rewritten: what the old file carried beyond its
// contents must survive.
TEST_F(PlugInAPIWritingTest, ReplacingKeepsTheModeAndWritesThroughALink) {
  const fs::path file = folder / "real.txt";
  writeBytes(file, "AB");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const fs::perms before = fs::status(file).permissions();
  save(file, "CD", "append");
  EXPECT_EQ(fs::status(file).permissions(), before);

  std::error_code error;
  fs::create_symlink(file, folder / "link.txt", error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  save(folder / "link.txt", "EF", "append");
  EXPECT_TRUE(fs::is_symlink(folder / "link.txt"));
  EXPECT_EQ(readBytes(file), "ABCDEF");
}

// A write that fails raises the error, keeps the old contents and leaves no
// temporary file. Permission bits do not stop a superuser, so the failures
// are made by things nobody can write over: a folder in the file's place
// (in "replace" mode the rename fails after the temporary file is written),
// a folder that does not exist (the temporary file cannot be made), and a
// read-only file (refused before anything is written).
TEST_F(PlugInAPIWritingTest, AFailedWriteKeepsTheOldContentsAndLeavesNoTemporaryFile) {
  const fs::path directory = folder / "target";
  fs::create_directories(directory);
  writeBytes(directory / "inside.txt", "kept");
  for (const char* mode : {"replace", "append", "prepend"}) {
    SCOPED_TRACE(mode);
    expectWriteFails(directory, "new", mode);
    EXPECT_TRUE(fs::is_directory(directory));
    EXPECT_EQ(readBytes(directory / "inside.txt"), "kept");
    EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"target"});
    EXPECT_EQ(entriesOf(directory), std::vector<std::string>{"inside.txt"});
  }

  expectWriteFails(folder / "missing" / "file.txt", "new", "append");
  EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"target"});

  const fs::path readOnly = folder / "read-only.txt";
  writeBytes(readOnly, "AB");
  fs::permissions(readOnly, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  expectWriteFails(readOnly, "CD", "replace");
  EXPECT_EQ(readBytes(readOnly), "AB");
  EXPECT_EQ(entriesOf(folder), (std::vector<std::string>{"read-only.txt", "target"}));
}

// An append writes only the new data: the old bytes stay exactly as they
// were (a text round trip would turn lone LFs into CR LF on Windows and
// stop at 0x1A there), and a failure after writing cuts them back.
TEST_F(PlugInAPIWritingTest, AnAppendLeavesTheOldBytesExactlyAndAFailureCutsBackToThem) {
  const fs::path file = folder / "journal.txt";
  const std::string old("x\x1Ay\nz\r\n\0end", 11);
  writeBytes(file, old);
  save(file, "c\nd", "append");
  const std::string eol = kTranslatesLineEnds ? "\r\n" : "\n";
  EXPECT_EQ(readBytes(file), old + "c" + eol + "d");

  FB::FakePlatform platform;
  FB::ScopedPlatformForTesting installed{platform};
  writeBytes(file, old);
  platform.setFlushHook([](const fs::path&, bool) { return false; });  // the disk refuses the data
  expectWriteFails(file, "more", "append");
  EXPECT_EQ(readBytes(file), old);
  EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"journal.txt"});
}

// The data is on disk before a replacement takes the target's name, and the
// folder's new entry after it; an append flushes the file it wrote.
TEST_F(PlugInAPIWritingTest, WritesReachTheDiskBeforeTheRenameAndTheFolderAfterIt) {
  const fs::path file = folder / "state.txt";
  writeBytes(file, "old");
  FB::FakePlatform platform;
  FB::ScopedPlatformForTesting installed{platform};
  std::vector<std::string> seen;  // what the target held at each flush
  platform.setFlushHook([&](const fs::path& path, bool isFolder) {
    seen.push_back((isFolder ? "folder:" : path == file ? "target:" : "other:") + readBytes(file));
    return true;
  });
  save(file, "new", "replace");
  save(file, "+", "append");
  EXPECT_EQ(seen, (std::vector<std::string>{"other:old", "folder:new", "target:new+"}));
  ASSERT_EQ(platform.flushes().size(), 3u);
  EXPECT_EQ(platform.flushes()[1], "folder " + file.parent_path().string());
}

// ---------------------------------------------------------------- trace lines

TEST_F(PlugInAPIWritingTest, EveryWritingAndRegistryMemberTracesItsNameFirst) {
  Norvell::setLoggingLevel(4);
  call("createFileInFolder", {FB::FBNull, std::wstring(L"x")});
  call("saveStreamToFile", {FB::FBNull, std::string(), std::string()});
  call("registerWriteHandler", {FB::FBNull});
  call("registerQueryHandler", {FB::FBNull});
  call("unregisterWriteHandler", {0});
  call("unregisterQueryHandler", {1});
  EXPECT_EQ(host->consoleLines(),
            (std::vector<std::string>{"createFileInFolder", "saveStreamToFile", "registerWriteHandler",
                                      "registerQueryHandler", "unregisterWriteHandler", "unregisterQueryHandler"}));
}

// ---------------------------------------------------------------- handler registries

TEST_F(PlugInAPIWritingTest, OneIdCounterServesBothRegistries) {
  auto first = FakeScriptObject::function([](const FB::VariantVector&) { return FB::variant(); });
  EXPECT_EQ(call("registerWriteHandler", {first}).convertTo<int>(), 0);
  EXPECT_EQ(call("registerQueryHandler", {FB::FBNull}).convertTo<int>(), 1);
  // Another root object continues the same numbering.
  auto other = std::make_shared<PlugInAPI>(host);
  EXPECT_EQ(other->callMethod("registerWriteHandler", {FB::FBNull}).convertTo<int>(), 2);

  const auto writers = Norvell::handlerRecordsForTesting(HandlerKind::Write);
  ASSERT_EQ(writers.size(), 2u);
  EXPECT_EQ(writers[0].id, 0);
  EXPECT_EQ(writers[0].handler, first);
  EXPECT_TRUE(writers[0].active);
  EXPECT_EQ(writers[0].ownerId, api->objectId());
  EXPECT_EQ(writers[1].id, 2);
  EXPECT_EQ(writers[1].handler, nullptr);
  EXPECT_EQ(writers[1].ownerId, other->objectId());
  const auto queries = Norvell::handlerRecordsForTesting(HandlerKind::Query);
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0].id, 1);
  EXPECT_EQ(queries[0].ownerId, api->objectId());
}

TEST_F(PlugInAPIWritingTest, UnregisteringMarksOnlyThatKindsRecordInactiveAndKeepsIt) {
  call("registerWriteHandler", {FB::FBNull});  // 0
  call("registerQueryHandler", {FB::FBNull});  // 1

  call("unregisterQueryHandler", {0});  // a write handler's id
  call("unregisterWriteHandler", {1});  // a query handler's id
  call("unregisterWriteHandler", {99});
  EXPECT_TRUE(Norvell::handlerRecordsForTesting(HandlerKind::Write)[0].active);
  EXPECT_TRUE(Norvell::handlerRecordsForTesting(HandlerKind::Query)[0].active);

  call("unregisterWriteHandler", {0});
  call("unregisterWriteHandler", {0});
  const auto writers = Norvell::handlerRecordsForTesting(HandlerKind::Write);
  ASSERT_EQ(writers.size(), 1u);
  EXPECT_FALSE(writers[0].active);
  EXPECT_EQ(call("registerWriteHandler", {FB::FBNull}).convertTo<int>(), 2);  // ids are never reused
}

}  // namespace
