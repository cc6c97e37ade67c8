#include "runtime/diagnostic_log.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <sstream>
#include <thread>

namespace FB {
namespace {

struct LogState {
  std::mutex mutex;
  std::string path;
};

LogState& state() {
  static LogState* s = new LogState();  // never destroyed: may be used during process exit
  return *s;
}

// 0: not yet decided, 1: off, 2: on.
std::atomic<int> g_mode{0};

int decideMode() {
  LogState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  const char* path = std::getenv("NORVELL_ZEPHEL_LOG");
  s.path = path ? path : "";
  int mode = s.path.empty() ? 1 : 2;
  g_mode.store(mode);
  return mode;
}

// Called with the log's mutex held: std::gmtime's buffer is shared.
std::string timestamp() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  char text[32] = "";
  if (const std::tm* utc = std::gmtime(&seconds)) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", utc);
  char full[48];
  std::snprintf(full, sizeof full, "%s.%03dZ", text, static_cast<int>(millis));
  return full;
}

}  // namespace

bool diagnosticLogEnabled() {
  int mode = g_mode.load(std::memory_order_relaxed);
  if (mode == 0) mode = decideMode();
  return mode == 2;
}

void writeDiagnosticLine(std::string_view source, std::string_view message) {
  LogState& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.path.empty()) return;
  std::ostringstream line;
  line << timestamp() << " [" << std::this_thread::get_id() << "] " << source << ": " << message << '\n';
  if (std::FILE* file = std::fopen(s.path.c_str(), "a")) {
    const std::string text = line.str();
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
}

void resetDiagnosticLogForTesting() { decideMode(); }

}  // namespace FB
