// TestReporter: the object that page script sees as window.nzTest. The page
// reports each check with pass(name) or fail(name, message) and ends with
// done(); the reporter prints one line per result ("PASS name",
// "FAIL name: message"), counts them, and at done prints the summary
// "N passed, N failed" and emits finished(). It also shows the page the
// last message that reached the browser's console (lastConsoleMessage), so
// that a page can check what it or the plug-in wrote there, and the
// process's resident memory (residentKiB). Main-thread only.
#pragma once

#include <QObject>
#include <QString>

namespace nz::browser {

class TestReporter : public QObject {
  Q_OBJECT
  Q_PROPERTY(int passed READ passed)
  Q_PROPERTY(int failed READ failed)
  Q_PROPERTY(bool finished READ isFinished)
  Q_PROPERTY(QString lastConsoleMessage READ lastConsoleMessage)

 public:
  explicit TestReporter(QObject* parent = nullptr);

  int passed() const { return passed_; }
  int failed() const { return failed_; }
  bool isFinished() const { return finished_; }
  QString lastConsoleMessage() const { return lastConsoleMessage_; }

  // Records a message that reached the page's console.
  void noteConsoleMessage(const QString& message) { lastConsoleMessage_ = message; }

  // Prints the summary line; used at done() and when the run ends early.
  void printSummary() const;

 public slots:
  void pass(const QString& name);
  void fail(const QString& name, const QString& message);
  // Prints the summary and emits finished() the first time; later calls do nothing.
  void done();
  // A line for the log that counts as neither pass nor fail.
  void log(const QString& message);
  // The browser process's resident memory in KiB (VmRSS of /proc/self/status),
  // or -1 where that cannot be read. For pages that report memory use; plug-ins
  // run inside this process.
  double residentKiB() const;

 signals:
  void finished();

 private:
  int passed_ = 0;
  int failed_ = 0;
  bool finished_ = false;
  QString lastConsoleMessage_;
};

}  // namespace nz::browser
