// The Linux dialogs: the system version the dialog logic reads, and the
// open, save and folder dialogs shown by the helper program nz_dialog_helper
// (a GTK 3 program, tools/dialog_helper), started as a child process for
// each dialog.
// The call waits until the helper exits, which makes the dialog modal for
// the calling thread. Callable from any thread; keeps no state.
//
// The helper's command line (never through a shell):
//   nz_dialog_helper KIND TITLE FILTER_INDEX [DESCRIPTION PATTERN]...
// KIND is "open", "save" or "folder"; TITLE may be empty (the dialog's own
// title); FILTER_INDEX is the 1-based filter preselected (0 for folders);
// PATTERN is one or more globs separated by ";" ("*.txt;*.csv").
//
// What it writes on standard output, then exits with status 0:
//   "OK <filterIndex>\n<path>\n"  a path was chosen; <filterIndex> is the
//                                 1-based filter in force (0 for folders);
//                                 <path> is everything up to the final line
//                                 break, so it may itself hold line breaks
//   "CANCEL\n"                    nothing was chosen
// Anything else, a non-zero exit status, or a helper that cannot be started
// counts as cancel.
//
// The helper is the program named by NORVELL_ZEPHEL_DIALOG_HELPER when that
// is set, else nz_dialog_helper in the plug-in module's folder when it is
// there, else nz_dialog_helper found on PATH.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_posix.h"
#include "platform/system_platform.h"
#include "scripting/text_conversion.h"

extern char** environ;

namespace FB::os {
namespace {

constexpr const char* kHelperName = "nz_dialog_helper";
constexpr std::size_t kMaxAnswerBytes = 1 << 20;  // far beyond any path

std::string helperProgram() {
  const char* configured = std::getenv("NORVELL_ZEPHEL_DIALOG_HELPER");
  if (configured != nullptr && configured[0] != '\0') return configured;
  std::string module = Platform::instance().modulePath();
  if (!module.empty()) {
    std::string besideModule = (std::filesystem::path(module).parent_path() / kHelperName).string();
    if (access(besideModule.c_str(), X_OK) == 0) return besideModule;
  }
  return kHelperName;  // a bare name: posix_spawnp searches PATH
}

// Runs the helper with `arguments` (argv[1] on) and answers what it wrote on
// standard output; nothing when it could not be started or did not exit
// normally with status 0.
std::optional<std::string> runHelper(const std::vector<std::string>& arguments) {
  std::string program = helperProgram();
  std::vector<char*> argv;
  argv.push_back(program.data());
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  // The browser's other descriptors are none of the helper's business.
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif
  pid_t child = 0;
  int spawnError = posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawnError != 0) {
    close(pipeEnds[0]);
    return std::nullopt;
  }

  std::string output;
  char buffer[4096];
  while (true) {
    ssize_t count = read(pipeEnds[0], buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    if (output.size() < kMaxAnswerBytes) output.append(buffer, static_cast<std::size_t>(count));
  }
  close(pipeEnds[0]);

  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  // ECHILD: the browser reaps its children itself; the answer then decides.
  if (waited < 0 && errno != ECHILD) return std::nullopt;
  if (waited == child && (!WIFEXITED(status) || WEXITSTATUS(status) != 0)) return std::nullopt;
  if (output.size() >= kMaxAnswerBytes) return std::nullopt;
  return output;
}

struct Answer {
  bool chosen = false;
  int filterIndex = 0;
  std::wstring path;
};

// Reads the helper's answer; anything malformed is a cancel.
Answer parseAnswer(const std::optional<std::string>& output) {
  Answer answer;
  if (!output) return answer;
  std::size_t lineEnd = output->find('\n');
  if (lineEnd == std::string::npos) return answer;
  std::string status = output->substr(0, lineEnd);
  if (status.rfind("OK", 0) != 0) return answer;  // "CANCEL" and anything unknown
  int filterIndex = 0;
  if (status.size() > 2) {
    if (status[2] != ' ' || status.size() == 3 || status.size() > 12) return answer;
    for (std::size_t i = 3; i < status.size(); ++i) {
      if (status[i] < '0' || status[i] > '9') return answer;
      filterIndex = filterIndex * 10 + (status[i] - '0');
      if (filterIndex > 1000000) return answer;
    }
  }
  std::string rest = output->substr(lineEnd + 1);
  if (rest.size() < 2 || rest.back() != '\n') return answer;  // empty or cut short
  rest.pop_back();
  try {
    answer.path = toWide(rest);
  } catch (const std::exception&) {
    return answer;  // a name that is not UTF-8 cannot reach script
  }
  answer.chosen = true;
  answer.filterIndex = filterIndex;
  return answer;
}

// The (description, pattern) pairs of a double-NUL-terminated filter list,
// read the way the Windows dialogs read it: the list ends at the first empty
// string, and a description without a pattern is dropped.
std::vector<std::string> filterArguments(const std::wstring& filter) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start < filter.size()) {
    std::size_t end = filter.find(L'\0', start);
    if (end == std::wstring::npos) end = filter.size();
    if (end == start) break;
    pieces.push_back(toUtf8(filter.substr(start, end - start)));
    start = end + 1;
  }
  if (pieces.size() % 2 != 0) pieces.pop_back();
  return pieces;
}

}  // namespace

// The dialog logic reads this number to choose between the legacy folder
// browser and the newer item dialog. The helper's folder picker is of the
// newer kind on every Linux system, so the port answers the version of
// current Windows rather than the kernel's number, which says nothing about
// the dialogs (and would send 5.x kernels to the legacy branch).
int osMajorVersion() { return 10; }

FileDialogResult showFileDialog(const FileDialogRequest& request) {
  std::vector<std::string> arguments;
  try {
    arguments = filterArguments(request.filter);
  } catch (const std::exception&) {
    return {};  // text the helper's command line cannot carry
  }
  arguments.insert(arguments.begin(), {request.kind == FileDialogRequest::Kind::Save ? "save" : "open", "",
                                       std::to_string(request.filterIndex)});
  Answer answer = parseAnswer(runHelper(arguments));
  FileDialogResult result;
  result.chosen = answer.chosen;
  result.path = std::move(answer.path);
  result.filterIndex = answer.filterIndex;
  return result;
}

FolderDialogResult showFolderDialog(const FolderDialogRequest& request) {
  std::string title;
  try {
    title = toUtf8(request.title);
  } catch (const std::exception&) {
    return {};
  }
  Answer answer = parseAnswer(runHelper({"folder", title, "0"}));
  FolderDialogResult result;
  result.chosen = answer.chosen;
  result.path = std::move(answer.path);
  return result;
}

}  // namespace FB::os
