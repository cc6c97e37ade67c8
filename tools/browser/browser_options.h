// BrowserOptions: what nz_browser was asked to do on its command line (the
// URL to load, the timeout, an optional screenshot file, whether the window
// stays open, an optional plug-in folder). parseBrowserOptions reads them
// with QCommandLineParser and exits with usage text on a bad command line.
#pragma once

#include <QString>
#include <QStringList>

namespace nz::browser {

struct BrowserOptions {
  QString url;
  int timeoutSeconds = 60;
  QString screenshotFile;  // empty: no screenshot
  bool keepOpen = false;
  QString pluginPath;      // empty: QTWEBKIT_PLUGIN_PATH as inherited
  int width = 800;
  int height = 600;
};

// Parses the arguments of the running QCoreApplication. Prints help or an
// error and exits the process when the command line is not usable.
BrowserOptions parseBrowserOptions(const QStringList& arguments);

// The plug-in folder must reach QtWebKit through its environment variable
// before the first page asks for plug-ins; call this before creating pages.
void applyPluginPath(const BrowserOptions& options);

}  // namespace nz::browser
