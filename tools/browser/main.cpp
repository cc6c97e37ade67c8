// nz_browser: loads one page in QtWebKit with plug-ins enabled and reports
// the page's test results on standard output (see test_run.h for the exit
// codes and test_reporter.h for the page's reporting object).
#include <QApplication>

#include "tools/browser/browser_options.h"
#include "tools/browser/test_run.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("nz_browser");
  const nz::browser::BrowserOptions options = nz::browser::parseBrowserOptions(QApplication::arguments());
  nz::browser::applyPluginPath(options);

  nz::browser::TestRun run(options);
  run.start();
  const int code = QApplication::exec();
  // With --keep-open the run ends when the window closes; the page's result
  // still decides the exit code.
  return options.keepOpen ? run.exitCode() : code;
}
