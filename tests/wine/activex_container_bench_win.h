// The ActiveX call benchmark: script calls through the control's
// IDispatchEx (a property read, a property write, a method call) against a
// bare hand-written IDispatchEx object ("bare") in the same JScript engine
// run, with the memory growth over the control's calls and the direct C++
// cost of the two halves of a call. Prints figures and judges nothing.
// Container thread only.
#pragma once

#include <string>

namespace nz_container {

// Answers nonzero when the control could not be embedded or a loop's
// script failed.
int runBenchmark(const std::string& modulePath, long calls, const std::string& page);

}  // namespace nz_container
