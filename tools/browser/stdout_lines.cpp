// Line output for the browser's results and console messages.
#include "tools/browser/stdout_lines.h"

#include <cstdio>

namespace nz::browser {

void printLine(const QString& line) {
  const QByteArray utf8 = line.toUtf8();
  std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace nz::browser
