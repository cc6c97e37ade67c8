// File objects against real temporary files: names, permanent handles, the
// content readers and their ranges, MIME types, modification dates, and the
// existence check's error classes through a fake platform.
#include "app/file_handle.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <boost/uuid/uuid_generators.hpp>
#include <boost/uuid/uuid_io.hpp>

#include "app/base64.h"
#include "app/console_log.h"
#include "app/plug_in_api.h"
#include "platform/fake_platform.h"
#include "scripting/script_error.h"
#include "scripting/text_conversion.h"
#include "testing/allocation_limit.h"
#include "testing/fake_browser_host.h"

namespace {

namespace fs = std::filesystem;
using FB::variant;
using FB::VariantVector;

std::wstring wideOf(const fs::path& path) {
  const std::u8string utf8 = path.u8string();
  return FB::toWide(std::string(utf8.begin(), utf8.end()));
}

std::string nameOf(const std::wstring& path) { return FB::toUtf8(FileHandle(path).name()); }
std::string extensionOf(const std::wstring& path) { return FB::toUtf8(FileHandle(path).extension()); }
std::string typeOf(const std::wstring& path) { return FB::toUtf8(FileHandle(path).type()); }

FB::PathAttributes attributes(FB::PathStatus status, int code = 0, std::string text = {}) {
  FB::PathAttributes result;
  result.status = status;
  result.errorCode = code;
  result.error = std::move(text);
  return result;
}

std::string base64Of(const std::string& bytes) {
  return Norvell::base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

class FileHandleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("nz_file_handle_" + boost::uuids::to_string(boost::uuids::random_generator()()));
    fs::create_directories(folder);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }

  // A file of `bytes` in the test folder, as a handle.
  std::shared_ptr<FileHandle> file(const fs::path& name, const std::string& bytes) {
    std::ofstream(folder / name, std::ios::binary) << bytes;
    return std::make_shared<FileHandle>(wideOf(folder / name));
  }

  fs::path folder;
};

TEST(FileHandleNames, FinalComponentAndExtensionOnBothSeparators) {
  EXPECT_EQ(nameOf(L"C:/data/report.txt"), "report.txt");
  EXPECT_EQ(extensionOf(L"C:/data/report.txt"), ".txt");
  EXPECT_EQ(nameOf(L"C:/data/README"), "README");
  EXPECT_EQ(extensionOf(L"C:/data/README"), "");
  EXPECT_EQ(nameOf(L"C:/data/"), ".");
  EXPECT_EQ(extensionOf(L"C:/data/"), "");
  EXPECT_EQ(nameOf(L"C:\\data\\archive.tar.gz"), "archive.tar.gz");
  EXPECT_EQ(extensionOf(L"C:\\data\\archive.tar.gz"), ".gz");
  EXPECT_EQ(nameOf(L"C:/data\\mixed/last\\x.y"), "x.y");
  EXPECT_EQ(nameOf(L"data\\"), ".");
  EXPECT_EQ(extensionOf(L"/home/me/.profile"), ".profile");
  EXPECT_EQ(extensionOf(L"/a.b/c"), "");
  EXPECT_EQ(extensionOf(L"notes."), ".");
  EXPECT_EQ(nameOf(L"plain"), "plain");
  EXPECT_EQ(nameOf(L"/a/.."), "..");
  EXPECT_EQ(extensionOf(L"/a/.."), "");
  EXPECT_EQ(nameOf(L""), "");
  // A bare root names itself and has no extension.
  EXPECT_EQ(nameOf(L"/"), "/");
  EXPECT_EQ(nameOf(L"C:\\"), "C:\\");
  EXPECT_EQ(extensionOf(L"C:\\"), "");
  EXPECT_EQ(nameOf(L"C:"), "C:");
}

TEST(FileHandleNames, MimeTypeFromTheExtensionIgnoringCase) {
  EXPECT_EQ(typeOf(L"/a/notes.txt"), "text/plain");
  EXPECT_EQ(typeOf(L"/a/PAGE.HTM"), "text/html");
  EXPECT_EQ(typeOf(L"C:\\x\\photo.Jpeg"), "image/jpeg");
  EXPECT_EQ(typeOf(L"/a/archive.tar.gz"), "application/gzip");
  EXPECT_EQ(typeOf(L"/a/program.exe"), "");
  EXPECT_EQ(typeOf(L"/a/txt"), "");
}

TEST(FileHandleMembers, ScriptFindsAllEightAndCannotWriteThem) {
  auto handle = std::make_shared<FileHandle>(L"/data/report.txt");
  for (const char* property :
       {"name", "extension", "fileExists", "permanentHandle", "type", "lastModifiedDate"}) {
    EXPECT_TRUE(handle->hasPropertyNamed(property)) << property;
  }
  EXPECT_TRUE(handle->hasMethodNamed("contentsAsTextStream"));
  EXPECT_TRUE(handle->hasMethodNamed("contentsAsBinaryStream"));
  EXPECT_EQ(handle->readProperty("type").convertTo<std::string>(), "text/plain");

  EXPECT_ANY_THROW(handle->writeProperty("name", variant("other.txt")));
  EXPECT_ANY_THROW(handle->writeProperty("permanentHandle", variant("x")));
  EXPECT_EQ(handle->readProperty("name").convertTo<std::string>(), "report.txt");
}

TEST(FileHandlePermanent, IsTheBase64OfTheNarrowPathAndRoundTrips) {
  FB::FakePlatform platform;  // narrow paths in UTF-8
  FB::ScopedPlatformForTesting use(platform);
  EXPECT_EQ(FileHandle(L"C:/data/report.txt").permanentHandle(), "QzovZGF0YS9yZXBvcnQudHh0");
  EXPECT_EQ(FileHandle(L"/t\u00e9.txt").permanentHandle(), base64Of("/t\xC3\xA9.txt"));
  EXPECT_EQ(FileHandle(L"").permanentHandle(), "");

  platform.setPathAttributes(L"C:/data/report.txt", attributes(FB::PathStatus::Exists));
  const auto back = FileHandle::fromPermanentHandle("QzovZGF0YS9yZXBvcnQudHh0");
  EXPECT_EQ(back->path(), L"C:/data/report.txt");
  EXPECT_EQ(back->name(), L"report.txt");
  EXPECT_EQ(back->extension(), L".txt");
  EXPECT_TRUE(back->fileExists());
  EXPECT_EQ(back->readProperty("permanentHandle").convertTo<std::string>(), "QzovZGF0YS9yZXBvcnQudHh0");
}

TEST(FileHandlePermanent, InvalidHandlesGiveAnEmptyPathAndReadBackAsGiven) {
  FB::FakePlatform platform;
  FB::ScopedPlatformForTesting use(platform);
  for (const std::string text : {"abc", "ab!d", "", "QQ==QUJD"}) {
    const auto handle = FileHandle::fromPermanentHandle(text);
    EXPECT_EQ(handle->path(), L"") << text;
    EXPECT_EQ(handle->name(), L"") << text;
    EXPECT_FALSE(handle->fileExists()) << text;
    EXPECT_EQ(handle->permanentHandle(), text);
  }
  // The path ends at the first NUL of the decoded bytes.
  EXPECT_EQ(FileHandle::fromPermanentHandle(base64Of(std::string("/a/b.txt\0/etc", 13)))->path(),
            L"/a/b.txt");
  // Bytes that are no text in the file-name encoding name no file.
  EXPECT_EQ(FileHandle::fromPermanentHandle(base64Of("/a/\xFF"))->path(), L"");
}

// The root object's method: a file object for every text, and no trace line.
TEST(FileHandlePermanent, TheRootObjectMakesAFileObjectForAnyText) {
  Norvell::resetConsoleForTesting();
  auto host = FB::testing::FakeBrowserHost::create();
  auto api = std::make_shared<PlugInAPI>(host);
  Norvell::setLoggingLevel(5);
  for (const std::string text : {"QzovZGF0YS9yZXBvcnQudHh0", "ab!d"}) {
    const variant result = api->callMethod("fileFromPermanentHandle", VariantVector{text});
    const auto handle = std::dynamic_pointer_cast<FileHandle>(result.convertTo<FB::JSAPIPtr>());
    ASSERT_NE(handle, nullptr) << text;
    EXPECT_EQ(handle->readProperty("permanentHandle").convertTo<std::string>(), text);
  }
  EXPECT_TRUE(host->consoleLines().empty());
  Norvell::resetConsoleForTesting();
}

// The system platform's narrow encoding, whatever it is, round-trips an ASCII path.
TEST_F(FileHandleTest, PermanentHandleOfARealFileFindsItAgain) {
  const auto original = file("report.txt", "hello");
  const auto back = FileHandle::fromPermanentHandle(original->permanentHandle());
  EXPECT_EQ(back->path(), original->path());
  EXPECT_TRUE(back->fileExists());
  EXPECT_EQ(back->contentsAsTextStream(std::nullopt, std::nullopt), "hello");
}

TEST_F(FileHandleTest, RangesOfATenByteFile) {
  const auto handle = file("ten.bin", "0123456789");
  using Length = std::optional<unsigned long long>;
  const auto binary = [&](Length offset, Length length) {
    const std::vector<unsigned char> bytes =
        Norvell::base64Decode(handle->contentsAsBinaryStream(offset, length));
    return std::string(bytes.begin(), bytes.end());
  };
  const struct {
    Length offset, length;
    const char* bytes;
  } cases[] = {{{}, {}, "0123456789"},
               {4, {}, "456789"},
               {4, 100, "456789"},
               {2, 3, "234"},
               {{}, 3, "012"},
               {10, {}, ""},
               {0, 0, ""},
               {11, {}, ""},  // beyond the end
               {4, UINT64_MAX, "456789"},
               {UINT64_MAX, 2, ""}};  // no wrap-around
  for (const auto& c : cases) {
    EXPECT_EQ(handle->contentsAsTextStream(c.offset, c.length), c.bytes) << c.offset.value_or(0);
    EXPECT_EQ(binary(c.offset, c.length), c.bytes) << c.offset.value_or(0);
  }
  // Through script: missing, undefined and null arguments mean "not given".
  EXPECT_EQ(handle->callMethod("contentsAsTextStream", VariantVector{}).convertTo<std::string>(),
            "0123456789");
  EXPECT_EQ(handle->callMethod("contentsAsTextStream", VariantVector{variant(), variant(2)})
                .convertTo<std::string>(),
            "01");
  EXPECT_EQ(handle->callMethod("contentsAsBinaryStream", VariantVector{variant(8), variant(FB::FBNull)})
                .convertTo<std::string>(),
            "ODk=");
}

TEST_F(FileHandleTest, BinaryEncodesEveryByteAndTextStopsAtTheFirstNul) {
  EXPECT_EQ(file("zero.bin", std::string(1, '\0'))->contentsAsBinaryStream(std::nullopt, std::nullopt),
            "AA==");
  EXPECT_EQ(file("abc.bin", "abc")->contentsAsBinaryStream(std::nullopt, std::nullopt), "YWJj");
  const auto withNul = file("with_zero.bin", std::string("ab\0cd", 5));
  EXPECT_EQ(withNul->contentsAsTextStream(std::nullopt, std::nullopt), "ab");
  EXPECT_EQ(withNul->contentsAsTextStream(3, std::nullopt), "cd");
  EXPECT_EQ(withNul->contentsAsBinaryStream(std::nullopt, std::nullopt), "YWIAY2Q=");
}

// Ranges longer than the reader's piece size, starting and ending anywhere.
// Long enough that the results are made on large pages where the system has them.
TEST_F(FileHandleTest, LongRangesReadAsOneText) {
  std::string bytes(3 * 1024 * 1024 + 5, '\0');
  std::uint32_t state = 7;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 16);
  }
  const auto handle = file("long.bin", bytes);
  EXPECT_EQ(handle->contentsAsBinaryStream(std::nullopt, std::nullopt), base64Of(bytes));
  EXPECT_EQ(handle->contentsAsBinaryStream(1001, 1600000), base64Of(bytes.substr(1001, 1600000)));
  EXPECT_EQ(handle->contentsAsBinaryStream(5, std::nullopt), base64Of(bytes.substr(5)));
  const std::string text((std::size_t{4} << 20) + 3, 'x');
  EXPECT_EQ(file("long.txt", text)->contentsAsTextStream(std::nullopt, std::nullopt), text);
}

// A file written as text reads back unchanged as text, whatever the platform
// does to line ends on disk; the binary reader shows the bytes on disk.
TEST_F(FileHandleTest, TextReaderUndoesThePlatformsLineEnds) {
  std::ofstream(folder / "lines.txt") << "one\ntwo\n";
  FileHandle handle(wideOf(folder / "lines.txt"));
  EXPECT_EQ(handle.contentsAsTextStream(std::nullopt, std::nullopt), "one\ntwo\n");
  std::ifstream raw(folder / "lines.txt", std::ios::binary);
  const std::string onDisk{std::istreambuf_iterator<char>(raw), {}};
  EXPECT_EQ(handle.contentsAsBinaryStream(std::nullopt, std::nullopt), base64Of(onDisk));
}

// Both readers open by the wide path, so names outside any narrow code page
// work (Greek capital omega and a CJK character).
TEST_F(FileHandleTest, ReadsFilesWhoseNamesAreNotAscii) {
  const auto handle = file(fs::path(u8"\u03A9\u4E2D.txt"), "wide");
  EXPECT_EQ(handle->name(), L"\u03A9\u4E2D.txt");
  EXPECT_TRUE(handle->fileExists());
  EXPECT_EQ(handle->contentsAsTextStream(std::nullopt, std::nullopt), "wide");
  EXPECT_EQ(handle->contentsAsBinaryStream(std::nullopt, std::nullopt), "d2lkZQ==");
  EXPECT_FALSE(handle->lastModifiedDate().empty());
}

TEST_F(FileHandleTest, MissingFilesAndFoldersCannotBeRead) {
  FileHandle missing(wideOf(folder / "missing.txt"));
  FileHandle directory(wideOf(folder));
  EXPECT_FALSE(missing.fileExists());
  EXPECT_TRUE(directory.fileExists());
  for (FileHandle* handle : {&missing, &directory}) {
    EXPECT_THROW(handle->contentsAsTextStream(std::nullopt, std::nullopt), fs::filesystem_error);
    EXPECT_THROW(handle->contentsAsBinaryStream(0, 0), fs::filesystem_error);
  }
  // A NUL in the path would make the system read the part before it.
  const std::wstring hidden = wideOf(folder / "real.txt") + std::wstring(1, L'\0') + L".png";
  file("real.txt", "secret");
  EXPECT_FALSE(FileHandle(hidden).fileExists());
  EXPECT_THROW(FileHandle(hidden).contentsAsTextStream(std::nullopt, std::nullopt), fs::filesystem_error);
  EXPECT_EQ(FileHandle(hidden).lastModifiedDate(), L"");
}

TEST_F(FileHandleTest, LastModifiedDateIsUtcIso8601) {
  const auto handle = file("dated.txt", "x");
  using namespace std::chrono;
  const sys_seconds when = sys_days{year{2026} / 12 / 9} + hours{10} + minutes{15};
  fs::last_write_time(folder / "dated.txt", file_clock::from_sys(when));
  EXPECT_EQ(handle->lastModifiedDate(), L"2026-12-09T10:15:00Z");
  fs::last_write_time(folder / "dated.txt", file_clock::from_sys(sys_days{year{1999} / 1 / 2} + seconds{59}));
  EXPECT_EQ(handle->readProperty("lastModifiedDate").convertTo<std::string>(), "1999-01-02T00:00:59Z");
  EXPECT_EQ(FileHandle(wideOf(folder / "missing.txt")).lastModifiedDate(), L"");
}

TEST(FileHandleExists, FollowsThePlatformsErrorClasses) {
  FB::FakePlatform platform;
  FB::ScopedPlatformForTesting use(platform);
  platform.setPathAttributes(L"C:/here", attributes(FB::PathStatus::Exists));
  platform.setPathAttributes(L"C:/gone", attributes(FB::PathStatus::Missing));
  platform.setPathAttributes(L"C:/locked", attributes(FB::PathStatus::Error, 5, "Access is denied."));
  EXPECT_TRUE(FileHandle(L"C:/here").fileExists());
  EXPECT_FALSE(FileHandle(L"C:/gone").fileExists());
  try {
    FileHandle(L"C:/locked").fileExists();
    FAIL() << "no error";
  } catch (const fs::filesystem_error& e) {
    EXPECT_EQ(e.path1(), fs::path("C:/locked"));
    EXPECT_EQ(e.code().value(), 5);
    EXPECT_NE(std::string(e.what()).find("Access is denied."), std::string::npos) << e.what();
  }
}

}  // namespace

// ---------------------------------------------------------------- hostile sizes and names
namespace {

template <class Call>
std::string scriptErrorOf(Call&& call) {
  try {
    call();
  } catch (const FB::script_error& e) {
    return e.what();
  }
  return "<no script error>";
}

// A result no browser can take (both bindings count a string's length in
// 32 bits) is refused before anything is read or allocated; a sparse file
// of 4.4 GB costs neither disk nor memory here. (Reading 3.3 GB of it as
// Base64 used to overflow the browser's buffer.)
TEST_F(FileHandleTest, ARangeLongerThanScriptCanTakeIsRefusedBeforeReading) {
  const std::uint64_t size = 4400000000ull;
  std::ofstream(folder / "huge.bin").close();
  fs::resize_file(folder / "huge.bin", size);
  const auto handle = std::make_shared<FileHandle>(wideOf(folder / "huge.bin"));
  const std::vector<std::pair<const char*, VariantVector>> calls = {
      {"contentsAsBinaryStream", {0, 3300000000ull}},
      {"contentsAsBinaryStream", {}},
      {"contentsAsTextStream", {}},
  };
  for (const auto& call : calls) {
    EXPECT_EQ(scriptErrorOf([&] { handle->callMethod(call.first, call.second); }), "The range is too large to read")
        << call.first;
  }
  EXPECT_EQ(handle->callMethod("contentsAsBinaryStream", {size - 3, 3}).get<std::string>(), "AAAA");
}

// Running out of memory for a result is a script error, not the end of the
// browser.
TEST_F(FileHandleTest, AResultThereIsNoMemoryForRaisesAScriptError) {
  const auto handle = file("two_mib.bin", std::string(2 * 1024 * 1024, 'x'));
  if (!FB::testing::ScopedAllocationLimit::works()) GTEST_SKIP() << "no allocation limit here";
  FB::testing::ScopedAllocationLimit limit(1024 * 1024);
  for (const char* reader : {"contentsAsTextStream", "contentsAsBinaryStream"}) {
    EXPECT_EQ(scriptErrorOf([&] { handle->callMethod(reader, {}); }), "Not enough memory for the result") << reader;
  }
  EXPECT_GT(limit.refused(), 0);
}

// A name that only looks like a plain one (full-width full stops and
// solidus, which a best-fit conversion turns into "../") has no narrow form
// on Windows: its permanent handle raises instead of naming a path that
// climbs. Where the narrow encoding holds it exactly, it round-trips.
TEST(FileHandlePermanent, ALookAlikeNameNeverBecomesAnotherPath) {
  const std::wstring lookAlike = L"C:\\docs\\\uFF0E\uFF0E\uFF0Fsecret.txt";
  const auto handle = std::make_shared<FileHandle>(lookAlike);
  std::string permanent;
  try {
    permanent = handle->readProperty("permanentHandle").get<std::string>();
  } catch (const fs::filesystem_error& e) {
    EXPECT_NE(std::string(e.what()).find("Could not convert path"), std::string::npos) << e.what();
    return;
  }
  const std::vector<unsigned char> narrow = Norvell::base64Decode(permanent);
  EXPECT_EQ(std::string(narrow.begin(), narrow.end()).find("../"), std::string::npos);
  EXPECT_EQ(FileHandle::fromPermanentHandle(permanent)->path(), lookAlike);
}

}  // namespace
