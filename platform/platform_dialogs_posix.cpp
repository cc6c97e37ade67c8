// The Linux dialogs: the system version the dialog logic reads, and the
// open, save and folder dialogs shown by the helper program nz_dialog_helper
// (a GTK 3 program, tools/dialog_helper), started as a child process for
// each dialog.
// The call waits until the helper exits, which makes the dialog modal for
// the calling thread. Callable from any thread; the only state is the list
// of helpers being waited for, which endDialogs reads from any thread.
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
// counts as cancel. The helper's word is not taken for what the open dialog
// guarantees on Windows: an open-dialog path that names no existing file
// (or names a folder) is a cancel as well.
//
// The helper dies with the thread that started it (the parent-death signal
// is set in the child before it runs the helper), so a browser that is
// killed while a dialog is open leaves no dialog behind.
//
// The helper is the program named by NORVELL_ZEPHEL_DIALOG_HELPER when that
// is set, else nz_dialog_helper in the plug-in module's folder when it is
// there, else the one in the folder the installed package puts it in
// (NZ_DIALOG_HELPER_DIR, see dialogHelperProgram), else nz_dialog_helper
// found on PATH.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_posix.h"
#include "platform/system_platform.h"
#include "scripting/text_conversion.h"

extern char** environ;

namespace FB::posix {

std::string dialogHelperProgram(const char* configured, const std::string& modulePath,
                                const std::string& installedFolder) {
  constexpr const char* kHelperName = "nz_dialog_helper";
  if (configured != nullptr && configured[0] != '\0') return configured;
  // Beside the module (a build tree, or a plug-in a user copied into a
  // browser's plug-in folder together with its helper), then where the
  // package installs it: browsers scan their plug-in folders, so the package
  // keeps programs out of them.
  for (const std::string& folder :
       {modulePath.empty() ? std::string() : std::filesystem::path(modulePath).parent_path().string(),
        installedFolder}) {
    if (folder.empty()) continue;
    std::string candidate = (std::filesystem::path(folder) / kHelperName).string();
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return kHelperName;
}

}  // namespace FB::posix

namespace FB::os {
namespace {

constexpr std::size_t kMaxAnswerBytes = 1 << 20;  // far beyond any path

std::string helperProgram() {
  return posix::dialogHelperProgram(std::getenv("NORVELL_ZEPHEL_DIALOG_HELPER"), Platform::instance().modulePath(),
                                    NZ_DIALOG_HELPER_DIR);
}

// The file to execute for `program`: itself when it holds a "/", else the
// first executable of that name in a folder of PATH (the program itself when
// there is none; executing it then fails). Found before the fork, since the
// child may only make async-signal-safe calls.
std::string executableFor(const std::string& program) {
  if (program.find('/') != std::string::npos) return program;
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string folder = folders.substr(start, end - start);
    std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + program;
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    start = end + 1;
  }
  return program;
}

// The helpers being waited for, so that endDialogs can end them. A pid is
// taken out of the list before the helper is reaped, so a number the system
// has handed to another process is never signalled.
std::mutex g_helpersMutex;
std::vector<pid_t> g_helpers;

void forgetHelper(pid_t child) {
  std::lock_guard<std::mutex> lock(g_helpersMutex);
  g_helpers.erase(std::remove(g_helpers.begin(), g_helpers.end(), child), g_helpers.end());
}

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void becomeHelper(pid_t parent, int input, int output, const char* file, char* const* argv) {
  // The helper must not outlive the thread that waits for it: a browser
  // killed while a dialog is open takes the dialog along. The parent may
  // have died before the signal was set up; then the child is already
  // someone else's.
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) _exit(127);
  if (dup2(input, STDIN_FILENO) < 0 || dup2(output, STDOUT_FILENO) < 0) _exit(127);
  // The browser's other descriptors are none of the helper's business.
#ifdef SYS_close_range
  if (syscall(SYS_close_range, STDERR_FILENO + 1, ~0U, 0) != 0)
#endif
  {
    struct rlimit limit;
    int highest = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536 ? static_cast<int>(limit.rlim_cur)
                                                                                  : 65536;
    for (int fd = STDERR_FILENO + 1; fd < highest; ++fd) close(fd);
  }
  execve(file, argv, environ);
  _exit(127);
}

// Runs the helper with `arguments` (argv[1] on) and answers what it wrote on
// standard output; nothing when it could not be started or did not exit
// normally with status 0.
std::optional<std::string> runHelper(const std::vector<std::string>& arguments) {
  std::string program = helperProgram();
  std::string file = executableFor(program);
  std::vector<char*> argv;
  argv.push_back(program.data());
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (input < 0) return std::nullopt;
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
    close(input);
    return std::nullopt;
  }
  pid_t parent = getpid();
  pid_t child;
  {
    // Registered under the lock that endDialogs takes, so that a helper is
    // never started unseen by a concurrent endDialogs.
    std::lock_guard<std::mutex> lock(g_helpersMutex);
    child = fork();
    if (child == 0) becomeHelper(parent, input, pipeEnds[1], file.c_str(), argv.data());
    if (child > 0) g_helpers.push_back(child);
  }
  close(input);
  close(pipeEnds[1]);
  if (child < 0) {
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

  // Wait for the end without reaping, drop the helper from the list, then
  // reap it.
  siginfo_t ended{};
  int waitedOn;
  do {
    waitedOn = waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOWAIT);
  } while (waitedOn < 0 && errno == EINTR);
  forgetHelper(child);
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

// What the open dialog promises: the path names something that exists and
// is not a folder (a link is followed).
bool namesExistingFile(const std::wstring& path) {
  struct stat info;
  return stat(toUtf8(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
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
  if (answer.chosen && request.kind == FileDialogRequest::Kind::Open && !namesExistingFile(answer.path)) return {};
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

void endDialogs() {
  std::lock_guard<std::mutex> lock(g_helpersMutex);
  for (pid_t helper : g_helpers) kill(helper, SIGKILL);
}

}  // namespace FB::os
