#include "app/console_log.h"

#include <exception>

namespace Norvell {
namespace {

int g_loggingLevel = 0;

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

// The page's window, or null when the page has none any more: a binding's
// host raises "Cannot find HTML window" once its page is closed.
FB::JSObjectPtr windowOf(FB::BrowserHost& host) {
  try {
    return host.windowObject();
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace

int loggingLevel() { return g_loggingLevel; }
void setLoggingLevel(int level) { g_loggingLevel = level; }
void resetConsoleForTesting() { g_loggingLevel = 0; }

void PageConsole::write(const std::string& message, int level) {
  // Asked on every line, not only the first: a closed page's console must
  // not be called, and its window is gone.
  FB::BrowserHostPtr host = host_.lock();
  FB::JSObjectPtr window = host ? windowOf(*host) : nullptr;
  if (!window) return;
  if (!console_ && window->hasPropertyNamed("console")) {
    console_ = window->readProperty("console").convertTo<FB::JSObjectPtr>();
  }
  if (!console_) return;
  console_->callMethod(consoleMethod(level), FB::VariantVector{message});
}

void PageConsole::trace(const char* name) {
  if (g_loggingLevel > 3) write(name, 4);
}

}  // namespace Norvell
