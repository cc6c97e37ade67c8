// The Linux dialogs against a scripted helper program: a shell script that
// records the arguments it was started with and prints a prepared answer.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/fake_platform.h"
#include "platform/platform_posix.h"
#include "platform/system_platform.h"

namespace {

namespace fs = std::filesystem;
using FB::FileDialogRequest;
using FB::FolderDialogRequest;
using namespace std::string_literals;

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (previous_) {
      setenv(name_, previous_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

void writeFile(const fs::path& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class DialogHelper : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "nz_dialogs_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder = pattern;
    writeHelper(folder / "helper.sh");
    environment.emplace("NORVELL_ZEPHEL_DIALOG_HELPER", (folder / "helper.sh").string());
  }
  void TearDown() override {
    environment.reset();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }

  // The script prints the file "answer" beside it and exits with the status
  // in "status" (0 when there is none). It keeps its arguments, each ended
  // by a NUL, in "arguments".
  void writeHelper(const fs::path& path) {
    writeFile(path,
              "#!/bin/sh\n"
              "here=\"${0%/*}\"\n"
              "printf '%s\\0' \"$@\" > \"$here/arguments\"\n"
              "cat \"$here/answer\"\n"
              "status=0\n"
              "[ -f \"$here/status\" ] && status=$(cat \"$here/status\")\n"
              "exit \"$status\"\n");
    chmod(path.c_str(), 0755);
  }
  void answer(const std::string& text, int status = 0) {
    writeFile(folder / "answer", text);
    writeFile(folder / "status", std::to_string(status));
  }
  std::vector<std::string> arguments() {
    std::vector<std::string> list;
    std::string all = readFile(folder / "arguments");
    std::size_t start = 0;
    for (std::size_t end; (end = all.find('\0', start)) != std::string::npos; start = end + 1) {
      list.push_back(all.substr(start, end - start));
    }
    return list;
  }

  static FB::FileDialogResult open(const std::wstring& filter, FileDialogRequest::Kind kind = FileDialogRequest::Kind::Open) {
    FileDialogRequest request;
    request.kind = kind;
    request.filter = filter;
    return FB::os::showFileDialog(request);
  }
  static FB::FolderDialogResult folderDialog(const std::wstring& title) {
    FolderDialogRequest request;
    request.title = title;
    return FB::os::showFolderDialog(request);
  }

  fs::path folder;
  std::optional<ScopedEnvironment> environment;
};

using Arguments = std::vector<std::string>;

TEST_F(DialogHelper, FileDialogsPassKindPreselectionAndFilterPairs) {
  writeFile(folder / "photo.png", "");
  answer("OK 2\n" + (folder / "photo.png").string() + "\n");
  auto result = open(L"Text files\0*.txt\0Images\0*.png;*.PNG\0\0"s);
  EXPECT_TRUE(result.chosen);
  EXPECT_EQ(result.path, (folder / "photo.png").wstring());
  EXPECT_EQ(result.filterIndex, 2);
  EXPECT_EQ(arguments(), (Arguments{"open", "", "1", "Text files", "*.txt", "Images", "*.png;*.PNG"}));

  answer("OK 1\n/home/u/report\n");
  result = open(L"Text\0*.txt\0Documents\0\0"s, FileDialogRequest::Kind::Save);
  EXPECT_EQ(result.path, L"/home/u/report");
  EXPECT_EQ(result.filterIndex, 1);
  // A trailing description without a pattern is dropped.
  EXPECT_EQ(arguments(), (Arguments{"save", "", "1", "Text", "*.txt"}));

  // The list ends at its first empty string, as the Windows dialogs read it.
  answer("CANCEL\n");
  open(L"\0*.txt\0Images\0*.png\0\0"s);
  EXPECT_EQ(arguments(), (Arguments{"open", "", "1"}));
  open(L"\0\0"s);
  EXPECT_EQ(arguments(), (Arguments{"open", "", "1"}));
}

TEST_F(DialogHelper, FolderDialogPassesItsTitle) {
  answer("OK 0\n/home/u/Mes documents/Ünïcödé ✓ 文件夹\n");
  auto result = folderDialog(L"Choisir un dossier – “Sauvegarde”");
  EXPECT_TRUE(result.chosen);
  EXPECT_EQ(result.path, L"/home/u/Mes documents/Ünïcödé ✓ 文件夹");
  EXPECT_EQ(arguments(), (Arguments{"folder", "Choisir un dossier – “Sauvegarde”", "0"}));

  // Text that looks like an option or a shell construct arrives unchanged.
  answer("CANCEL\n");
  folderDialog(L"--display=:9 $(touch x); `id` 'q' \"d\" *");
  EXPECT_EQ(arguments(), (Arguments{"folder", "--display=:9 $(touch x); `id` 'q' \"d\" *", "0"}));
}

TEST_F(DialogHelper, AnswerParsing) {
  answer("OK\n/plain\n");  // an index is optional
  EXPECT_EQ(folderDialog(L"t").path, L"/plain");
  writeFile(folder / "a\nb ", "");
  answer("OK 3\n" + (folder / "a\nb ").string() + "\n");  // a line break inside the name survives
  auto result = open(L"A\0*.a\0\0"s);
  EXPECT_EQ(result.path, (folder / "a\nb ").wstring());
  EXPECT_EQ(result.filterIndex, 3);

  for (const std::string& bad : {"CANCEL\n"s, ""s, "OK 1\n"s, "OK 1\n\n"s, "OK 1\n/cut short"s, "OK x\n/p\n"s,
                                 "OK -1\n/p\n"s, "OK 99999999999\n/p\n"s, "OKAY\n/p\n"s, "ok 1\n/p\n"s,
                                 "OK 1\n/not-utf8-\xff\n"s}) {
    answer(bad);
    EXPECT_FALSE(open(L"A\0*.a\0\0"s).chosen) << bad;
    EXPECT_FALSE(folderDialog(L"t").chosen) << bad;
  }
  answer("OK 1\n/p\n", 1);  // a failing helper chose nothing, whatever it wrote
  EXPECT_FALSE(open(L"A\0*.a\0\0"s).chosen);
}

TEST_F(DialogHelper, AHelperThatCannotStartIsACancel) {
  answer("OK 1\n/p\n");
  {
    ScopedEnvironment missing("NORVELL_ZEPHEL_DIALOG_HELPER", (folder / "no such helper").string());
    EXPECT_FALSE(open(L"A\0*.a\0\0"s).chosen);
    EXPECT_FALSE(folderDialog(L"t").chosen);
  }
  chmod((folder / "helper.sh").c_str(), 0644);
  EXPECT_FALSE(open(L"A\0*.a\0\0"s).chosen);
}

TEST_F(DialogHelper, WithoutTheVariableTheHelperBesideTheModuleThenOnPathIsUsed) {
  environment.emplace("NORVELL_ZEPHEL_DIALOG_HELPER", "");
  fs::create_directory(folder / "module");
  fs::create_directory(folder / "bin");
  writeHelper(folder / "module" / "nz_dialog_helper");
  writeHelper(folder / "bin" / "nz_dialog_helper");
  writeFile(folder / "module" / "answer", "OK 0\n/beside the module\n");
  writeFile(folder / "bin" / "answer", "OK 0\n/on the path\n");

  FB::FakePlatform platform;
  FB::ScopedPlatformForTesting installed(platform);
  const char* systemPath = std::getenv("PATH");
  ScopedEnvironment path("PATH", (folder / "bin").string() + ":" + (systemPath ? systemPath : "/usr/bin:/bin"));
  platform.setModulePath((folder / "module" / "npNorvellZephel32.so").string());
  EXPECT_EQ(folderDialog(L"t").path, L"/beside the module");
  platform.setModulePath((folder / "elsewhere" / "npNorvellZephel32.so").string());
  EXPECT_EQ(folderDialog(L"t").path, L"/on the path");
}

// Without the variable: the module's folder, then the installed folder, then
// the bare name for a PATH search; a helper there that cannot be executed is
// passed by.
TEST(DialogHelperProgram, VariableThenModuleFolderThenInstalledFolderThenPath) {
  std::string pattern = (fs::temp_directory_path() / "nz_helper_XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path root = pattern;
  for (const char* name : {"module", "installed", "plain", "empty"}) fs::create_directory(root / name);
  for (const char* name : {"module", "installed", "plain"}) {
    writeFile(root / name / "nz_dialog_helper", "#!/bin/sh\n");
    chmod((root / name / "nz_dialog_helper").c_str(), std::string(name) == "plain" ? 0644 : 0755);
  }
  auto module = [&](const char* folder) { return (root / folder / "npNorvellZephel32.so").string(); };
  auto helper = [&](const char* folder) { return (root / folder / "nz_dialog_helper").string(); };
  const std::string installed = (root / "installed").string(), plain = (root / "plain").string();
  struct Case {
    const char* configured;
    std::string modulePath, installedFolder, expected;
  };
  for (const Case& c : {Case{"/chosen/helper", module("module"), installed, "/chosen/helper"},
                        Case{"", module("module"), installed, helper("module")},
                        Case{nullptr, module("empty"), installed, helper("installed")},
                        Case{nullptr, module("plain"), installed, helper("installed")},
                        Case{nullptr, "", installed, helper("installed")},
                        Case{nullptr, module("empty"), plain, "nz_dialog_helper"},
                        Case{nullptr, module("empty"), "", "nz_dialog_helper"}}) {
    EXPECT_EQ(FB::posix::dialogHelperProgram(c.configured, c.modulePath, c.installedFolder), c.expected)
        << c.modulePath << " | " << c.installedFolder;
  }
  fs::remove_all(root);
}

// The open dialog's answer must name an existing file, as on Windows; the
// save dialog may name a new one.
TEST_F(DialogHelper, AnOpenDialogPathThatNamesNoFileIsACancel) {
  writeFile(folder / "present.txt", "x");
  fs::create_directory(folder / "sub");
  fs::create_symlink(folder / "present.txt", folder / "link");
  fs::create_symlink(folder / "gone", folder / "dangling");
  struct Case {
    std::string name;
    FileDialogRequest::Kind kind;
    bool chosen;
  };
  const FileDialogRequest::Kind Open = FileDialogRequest::Kind::Open, Save = FileDialogRequest::Kind::Save;
  for (const Case& c : {Case{"present.txt", Open, true}, Case{"link", Open, true}, Case{"missing.txt", Open, false},
                        Case{"dangling", Open, false}, Case{"sub", Open, false}, Case{"missing/x.txt", Open, false},
                        Case{"missing.txt", Save, true}}) {
    answer("OK 1\n" + (folder / c.name).string() + "\n");
    EXPECT_EQ(open(L"A\0*.a\0\0"s, c.kind).chosen, c.chosen) << c.name;
  }
}

// Waits (a bounded number of rounds) until the helper has written its
// process number into `file`.
pid_t helperPid(const fs::path& file) {
  for (int round = 0; round < 1000; ++round) {
    std::string text = readFile(file);
    if (!text.empty() && text.back() == '\n') return static_cast<pid_t>(std::stol(text));
    usleep(10000);
  }
  return 0;
}

// A helper that stays open: it tells its number, then waits. With
// `answerLate` it chooses a folder when its wait is over; it waits in a
// read from a pipe that nobody writes, so that no child of its own outlives
// it.
void writeLingeringHelper(const fs::path& path, bool answerLate = false) {
  if (answerLate) {
    ASSERT_EQ(mkfifo((path.parent_path() / "never").c_str(), 0600), 0);
    writeFile(path, "#!/bin/bash\necho $$ > \"${0%/*}/pid\"\nread -r -t 30 _ <> \"${0%/*}/never\"\n"
                    "printf 'OK 0\\n/late\\n'\n");
  } else {
    writeFile(path, "#!/bin/sh\necho $$ > \"${0%/*}/pid\"\nexec sleep 30\n");
  }
  chmod(path.c_str(), 0755);
}

TEST_F(DialogHelper, EndingTheDialogsKillsAndReapsTheHelperAndTheCallCancels) {
  writeLingeringHelper(folder / "helper.sh", true);
  std::optional<FB::FolderDialogResult> result;
  std::thread caller([&] { result = folderDialog(L"t"); });
  pid_t helper = helperPid(folder / "pid");
  ASSERT_GT(helper, 0);
  FB::os::endDialogs();
  caller.join();
  ASSERT_TRUE(result);
  EXPECT_FALSE(result->chosen);
  EXPECT_EQ(kill(helper, 0), -1);  // gone, not a zombie
  EXPECT_EQ(errno, ESRCH);
}

// The helper goes with the process that started it: the test becomes the
// subreaper of a child that opens a dialog, kills the child, and collects
// the orphaned helper.
TEST_F(DialogHelper, TheHelperDiesWithTheProcessThatStartedIt) {
  writeLingeringHelper(folder / "helper.sh");
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  pid_t starter = fork();
  ASSERT_GE(starter, 0);
  if (starter == 0) {
    open(L"A\0*.a\0\0"s);
    _exit(0);
  }
  pid_t helper = helperPid(folder / "pid");
  kill(starter, SIGKILL);
  waitpid(starter, nullptr, 0);
  int status = 0;
  pid_t collected = helper > 0 ? waitpid(helper, &status, 0) : -1;
  prctl(PR_SET_CHILD_SUBREAPER, 0);
  ASSERT_GT(helper, 0);
  ASSERT_EQ(collected, helper);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
}

// The helper's folder picker is the newer kind of dialog on every kernel, so
// the answer must not follow the kernel's version (5.x and 6.x kernels alike).
TEST(OsMajorVersion, IsTheCurrentWindowsGenerationWhateverTheKernel) {
  EXPECT_EQ(FB::os::osMajorVersion(), 10);
}

}  // namespace
