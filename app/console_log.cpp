#include "app/console_log.h"

namespace Norvell {
namespace {

struct ConsoleState {
  int loggingLevel = 0;
  FB::BrowserHostPtr consoleHost;
  FB::JSObjectPtr consoleObject;
};

ConsoleState& state() {
  static ConsoleState s;
  return s;
}

const char* consoleMethod(int level) {
  switch (level) {
    case 1:
      return "error";
    case 2:
      return "warn";
    case 3:
      return "info";
    default:
      return "log";
  }
}

}  // namespace

int loggingLevel() { return state().loggingLevel; }
void setLoggingLevel(int level) { state().loggingLevel = level; }
// A console found through another page belongs to that page, which may be
// gone: writing to it would fail the member that writes the line. The next
// line looks the console up again through the new host.
void setConsoleHost(const FB::BrowserHostPtr& host) {
  ConsoleState& s = state();
  if (s.consoleHost != host) s.consoleObject.reset();
  s.consoleHost = host;
}

void releaseConsole() {
  ConsoleState& s = state();
  s.consoleObject.reset();
  s.consoleHost.reset();
}

void consoleLog(const std::string& message, int level) {
  ConsoleState& s = state();
  if (!s.consoleObject) {
    FB::BrowserHostPtr host = s.consoleHost;
    if (host) {
      FB::JSObjectPtr window = host->windowObject();
      if (window && window->hasPropertyNamed("console")) {
        s.consoleObject = window->readProperty("console").convertTo<FB::JSObjectPtr>();
      }
    }
  }
  if (!s.consoleObject) return;
  s.consoleObject->callMethod(consoleMethod(level), FB::VariantVector{message});
}

void traceMember(const char* name) {
  if (state().loggingLevel > 3) consoleLog(name, 4);
}

void resetConsoleForTesting() { state() = ConsoleState{}; }

}  // namespace Norvell
