// Result counting and printing for window.nzTest.
#include "tools/browser/test_reporter.h"

#include <QFile>
#include <QRegularExpression>

#include "tools/browser/stdout_lines.h"

namespace nz::browser {

TestReporter::TestReporter(QObject* parent) : QObject(parent) {}

void TestReporter::pass(const QString& name) {
  ++passed_;
  printLine("PASS " + name);
}

void TestReporter::fail(const QString& name, const QString& message) {
  ++failed_;
  printLine("FAIL " + name + ": " + message);
}

void TestReporter::log(const QString& message) { printLine("log: " + message); }

double TestReporter::residentKiB() const {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) return -1;
  static const QRegularExpression line("^VmRSS:\\s*(\\d+)\\s*kB", QRegularExpression::MultilineOption);
  const QRegularExpressionMatch match = line.match(QString::fromLatin1(status.readAll()));
  return match.hasMatch() ? match.captured(1).toDouble() : -1;
}

void TestReporter::printSummary() const {
  printLine(QString("%1 passed, %2 failed").arg(passed_).arg(failed_));
}

void TestReporter::done() {
  if (finished_) return;
  finished_ = true;
  printSummary();
  emit finished();
}

}  // namespace nz::browser
