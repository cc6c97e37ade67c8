// The application's trace lines: a process-wide logging level
// ("loggingLevel") and, per root object, the console of that object's own
// page. Members write their own name through PageConsole::trace before they
// work, when the level is above 3. A page's lines (which can hold file
// paths) never reach another page's console.
//
// Main thread only: the state has no lock.
#pragma once

#include <memory>
#include <string>

#include "runtime/browser_host.h"

namespace Norvell {

int loggingLevel();
void setLoggingLevel(int level);

// Resets the logging level; for tests.
void resetConsoleForTesting();

// PageConsole: the console of one page, found through that page's host on
// the first line written and kept from then on. Owned by the page's root
// object (PlugInAPI); refers to the host weakly, as the object owns it.
class PageConsole {
 public:
  explicit PageConsole(const FB::BrowserHostPtr& host) : host_(host) {}

  // Writes one line with the console method for `level`: 1 "error",
  // 2 "warn", 3 "info", anything else "log". Dropped without a report when
  // the page has no host, no window any more (closed) or no console; errors
  // of the console itself reach the caller.
  void write(const std::string& message, int level);

  // write(name, 4) when the logging level is above 3.
  void trace(const char* name);

 private:
  std::weak_ptr<FB::BrowserHost> host_;
  FB::JSObjectPtr console_;
};

}  // namespace Norvell
