// The application's trace lines: a process-wide logging level ("loggingLevel")
// and a writer that puts lines on the page's console. Members write their own
// name through traceMember() before they work, when the level is above 3.
//
// Main thread only: the state has no lock.
#pragma once

#include <string>

#include "runtime/browser_host.h"

namespace Norvell {

int loggingLevel();
void setLoggingLevel(int level);

// The host whose page console receives the lines: the most recently made
// root object's. A new host makes the console be looked up again.
void setConsoleHost(const FB::BrowserHostPtr& host);

// Lets go of the host and its console object (the library is being shut
// down); the level stays.
void releaseConsole();

// Writes one line with the console method for `level`: 1 "error", 2 "warn",
// 3 "info", anything else "log". Dropped when the page has no console.
void consoleLog(const std::string& message, int level);

// consoleLog(name, 4) when the logging level is above 3.
void traceMember(const char* name);

// Forgets the console object and resets the level; for tests.
void resetConsoleForTesting();

}  // namespace Norvell
