// Field-debugging log of the framework's diagnostic lines ("PluginCore",
// "BrowserHost", "FunctorCall", ...). Off unless the environment variable
// NORVELL_ZEPHEL_LOG names a file; then each line is appended to that file
// with the time, the calling thread and the source. When off, a call costs
// one load of a cached flag and the message is never formatted.
//
// Callable from any thread; writes are serialised.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace FB {

// True when diagnostic lines are written somewhere. Decided once per process.
bool diagnosticLogEnabled();

void writeDiagnosticLine(std::string_view source, std::string_view message);

// Logs the text that `makeMessage` returns; `makeMessage` runs only when the
// log is on.
template <class MakeMessage>
void diagnostic(std::string_view source, MakeMessage&& makeMessage) {
  if (diagnosticLogEnabled()) writeDiagnosticLine(source, std::forward<MakeMessage>(makeMessage)());
}

// Re-reads NORVELL_ZEPHEL_LOG; for tests.
void resetDiagnosticLogForTesting();

}  // namespace FB
