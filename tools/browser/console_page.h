// ConsolePage: the QWebPage of nz_browser. It prints every console message
// of the page (console.log and friends, and uncaught script errors) and every
// alert as a line on standard output, so that a test runner sees what the
// page and the plug-in wrote, and signals each console message so that the
// page can check what reached the console. Main-thread only, like all Qt
// widgets.
#pragma once

#include <QWebPage>

namespace nz::browser {

class ConsolePage : public QWebPage {
  Q_OBJECT

 public:
  explicit ConsolePage(QObject* parent = nullptr);

 signals:
  void consoleMessage(const QString& message);

 protected:
  void javaScriptConsoleMessage(const QString& message, int lineNumber, const QString& sourceId) override;
  void javaScriptAlert(QWebFrame* frame, const QString& message) override;
};

}  // namespace nz::browser
