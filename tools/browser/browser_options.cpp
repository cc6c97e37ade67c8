// Command-line parsing of nz_browser.
#include "tools/browser/browser_options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace nz::browser {

namespace {

[[noreturn]] void failUsage(const QCommandLineParser& parser, const QString& message) {
  std::fprintf(stderr, "nz_browser: %s\n\n%s", qPrintable(message), qPrintable(parser.helpText()));
  std::exit(64);
}

int positiveNumber(const QCommandLineParser& parser, const QString& text, const QString& what) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value <= 0) failUsage(parser, what + " must be a positive number: " + text);
  return value;
}

}  // namespace

BrowserOptions parseBrowserOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Loads one page with plug-ins and JavaScript enabled. The page reports results through "
      "window.nzTest.pass(name), .fail(name, message) and .done(); the browser prints them and "
      "exits with 0 when none failed, 1 otherwise, 2 on timeout.");
  parser.addHelpOption();
  parser.addPositionalArgument("url", "The page to load.");
  const QCommandLineOption timeout("timeout", "Seconds before giving up (default 60).", "seconds", "60");
  const QCommandLineOption screenshot("screenshot", "Save the page as a PNG image when it finishes.", "file");
  const QCommandLineOption keepOpen("keep-open", "Keep the window open after the page finished.");
  const QCommandLineOption pluginPath("plugin-path", "Folders searched for NPAPI plug-ins (sets QTWEBKIT_PLUGIN_PATH).", "folders");
  const QCommandLineOption size("size", "Window size (default 800x600).", "WxH", "800x600");
  parser.addOptions({timeout, screenshot, keepOpen, pluginPath, size});
  parser.process(arguments);

  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1) failUsage(parser, "expected exactly one URL");

  BrowserOptions options;
  options.url = QUrl::fromUserInput(positional.front()).toString();
  options.timeoutSeconds = positiveNumber(parser, parser.value(timeout), "--timeout");
  options.screenshotFile = parser.value(screenshot);
  options.keepOpen = parser.isSet(keepOpen);
  options.pluginPath = parser.value(pluginPath);
  const QStringList dimensions = parser.value(size).split('x');
  if (dimensions.size() != 2) failUsage(parser, "--size expects WxH: " + parser.value(size));
  options.width = positiveNumber(parser, dimensions[0], "--size width");
  options.height = positiveNumber(parser, dimensions[1], "--size height");
  return options;
}

void applyPluginPath(const BrowserOptions& options) {
  if (!options.pluginPath.isEmpty()) qputenv("QTWEBKIT_PLUGIN_PATH", options.pluginPath.toLocal8Bit());
}

}  // namespace nz::browser
