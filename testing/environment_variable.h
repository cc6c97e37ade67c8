// FB::testing::setVariable: sets an environment variable of the test
// process, the same way on Linux and Windows.
//
// Test code; the test's own thread (the environment is process-wide).
#pragma once

#include <cstdlib>
#include <string>

namespace FB::testing {

inline void setVariable(const std::string& name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name.c_str(), value.c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

}  // namespace FB::testing
