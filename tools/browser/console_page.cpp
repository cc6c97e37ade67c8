// Console and alert output of the test browser's page.
#include "tools/browser/console_page.h"

#include "tools/browser/stdout_lines.h"

namespace nz::browser {

ConsolePage::ConsolePage(QObject* parent) : QWebPage(parent) {}

void ConsolePage::javaScriptConsoleMessage(const QString& message, int lineNumber, const QString& sourceId) {
  // Plain console calls come without a source; script errors carry one.
  if (sourceId.isEmpty()) {
    printLine("console: " + message);
  } else {
    printLine(QString("console: %1 (%2:%3)").arg(message, sourceId).arg(lineNumber));
  }
  emit consoleMessage(message);
}

void ConsolePage::javaScriptAlert(QWebFrame*, const QString& message) {
  // A modal alert would block an unattended run; it is printed instead.
  printLine("alert: " + message);
}

}  // namespace nz::browser
