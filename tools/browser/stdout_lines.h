// Writes whole lines to standard output and flushes each one at once, so
// that a runner reading the browser's output through a pipe sees every
// result line even when the browser is killed afterwards.
#pragma once

#include <QString>

namespace nz::browser {

void printLine(const QString& line);

}  // namespace nz::browser
