// Window, page loading, timeout and ending of one nz_browser run.
#include "tools/browser/test_run.h"

#include <QApplication>
#include <QImage>
#include <QNetworkAccessManager>
#include <QPainter>
#include <QUrl>
#include <QWebFrame>
#include <QWebSettings>
#include <utility>

#include "tools/browser/stdout_lines.h"

namespace nz::browser {

TestRun::TestRun(BrowserOptions options, QObject* parent)
    : QObject(parent),
      options_(std::move(options)),
      page_(new ConsolePage(&view_)),
      reporter_(new TestReporter(this)) {
  QWebSettings* settings = page_->settings();
  settings->setAttribute(QWebSettings::PluginsEnabled, true);
  settings->setAttribute(QWebSettings::JavascriptEnabled, true);
  settings->setAttribute(QWebSettings::JavascriptCanAccessClipboard, false);
  view_.setPage(page_);
  view_.resize(options_.width, options_.height);
  view_.setWindowTitle("nz_browser - " + options_.url);

  // The window object is replaced for every new document; nzTest has to be
  // added to each one before the page's scripts run.
  connect(page_->mainFrame(), &QWebFrame::javaScriptWindowObjectCleared, this, &TestRun::exposeReporter);
  connect(page_->mainFrame(), &QWebFrame::loadFinished, this, &TestRun::onLoadFinished);
  connect(reporter_, &TestReporter::finished, this, &TestRun::onPageDone);
  connect(page_, &ConsolePage::consoleMessage, reporter_, &TestReporter::noteConsoleMessage);
  connect(page_->networkAccessManager(), &QNetworkAccessManager::finished, this, &TestRun::onReplyFinished);

  timeout_.setSingleShot(true);
  timeout_.setInterval(options_.timeoutSeconds * 1000);
  connect(&timeout_, &QTimer::timeout, this, &TestRun::onTimeout);
}

void TestRun::start() {
  view_.show();
  timeout_.start();
  view_.load(QUrl(options_.url));
}

void TestRun::exposeReporter() { page_->mainFrame()->addToJavaScriptWindowObject("nzTest", reporter_); }

void TestRun::onLoadFinished(bool ok) {
  if (ok || ended_) return;
  printLine("LOAD FAILED " + options_.url);
  finish(3);
}

void TestRun::onReplyFinished(QNetworkReply* reply) {
  // QtWebKit shows an error page of the server as a loaded page; a wrong
  // page name would then only end at the timeout.
  if (ended_ || reply->request().url() != QUrl(options_.url)) return;
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (status < 400) return;
  printLine(QString("LOAD FAILED %1 (HTTP %2)").arg(options_.url).arg(status));
  finish(3);
}

void TestRun::onPageDone() { finish(reporter_->failed() == 0 ? 0 : 1); }

void TestRun::onTimeout() {
  printLine("TIMEOUT");
  reporter_->printSummary();
  finish(2);
}

void TestRun::finish(int exitCode) {
  if (ended_) return;
  ended_ = true;
  exitCode_ = exitCode;
  timeout_.stop();
  saveScreenshot();
  if (options_.keepOpen) return;
  // Leave the script call (done() runs inside it) before tearing the page down.
  QTimer::singleShot(0, qApp, [exitCode] { QApplication::exit(exitCode); });
}

void TestRun::saveScreenshot() {
  if (options_.screenshotFile.isEmpty()) return;
  QImage image(page_->viewportSize(), QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  page_->mainFrame()->render(&painter);
  painter.end();
  if (image.save(options_.screenshotFile, "PNG")) {
    printLine("screenshot: " + options_.screenshotFile);
  } else {
    printLine("screenshot failed: " + options_.screenshotFile);
  }
}

}  // namespace nz::browser
