// TestRun: one run of nz_browser. It owns the window and its page, exposes
// the TestReporter to every new script context of the main frame as
// window.nzTest, loads the URL, and ends the run when the page calls done(),
// when the page cannot be loaded (no answer, or an HTTP error status), or
// when the timeout expires: it saves the
// screenshot if one was asked for and quits the application with the exit
// code (0 all passed, 1 a failure, 2 timeout, 3 load failure), unless the
// window is to stay open. Main-thread only.
#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QTimer>
#include <QWebView>

#include "tools/browser/browser_options.h"
#include "tools/browser/console_page.h"
#include "tools/browser/test_reporter.h"

namespace nz::browser {

class TestRun : public QObject {
  Q_OBJECT

 public:
  explicit TestRun(BrowserOptions options, QObject* parent = nullptr);

  // Shows the window and starts loading; the result arrives as the
  // application's exit code.
  void start();

  // The exit code the run has reached so far (used when the window closes).
  int exitCode() const { return exitCode_; }

 private slots:
  void exposeReporter();
  void onLoadFinished(bool ok);
  void onReplyFinished(QNetworkReply* reply);
  void onPageDone();
  void onTimeout();

 private:
  void finish(int exitCode);
  void saveScreenshot();

  BrowserOptions options_;
  QWebView view_;
  ConsolePage* page_;
  TestReporter* reporter_;
  QTimer timeout_;
  bool ended_ = false;
  int exitCode_ = 2;
};

}  // namespace nz::browser
