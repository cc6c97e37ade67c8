// The field-debugging log: silent by default, one line per diagnostic in the
// file that NORVELL_ZEPHEL_LOG names.
#include "runtime/diagnostic_log.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "testing/fake_browser_host.h"
#include "testing/temporary_folder.h"

namespace {

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(DiagnosticLog, WritesLinesOnlyWhenTheVariableNamesAFile) {
  const auto folder = FB::testing::uniqueTemporaryFolder("nz_diagnostic_log_");
  const auto path = folder / "diagnostic.log";
  static char off[] = "NORVELL_ZEPHEL_LOG=";
  putenv(off);
  FB::resetDiagnosticLogForTesting();
  EXPECT_FALSE(FB::diagnosticLogEnabled());
  bool formatted = false;
  FB::diagnostic("Test", [&] {
    formatted = true;
    return std::string("never");
  });
  EXPECT_FALSE(formatted);

  static std::string on = "NORVELL_ZEPHEL_LOG=" + path.string();
  putenv(on.data());
  FB::resetDiagnosticLogForTesting();
  ASSERT_TRUE(FB::diagnosticLogEnabled());
  auto host = FB::testing::FakeBrowserHost::create();
  host->htmlLog("hello");
  FB::diagnostic("PluginCore", [] { return std::string("Plugin Ready"); });
  const std::string text = readFile(path);
  EXPECT_NE(text.find("BrowserHost: Logging to HTML: hello\n"), std::string::npos) << text;
  EXPECT_NE(text.find("PluginCore: Plugin Ready\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Z ["), std::string::npos) << text;  // UTC time, then the thread

  putenv(off);
  FB::resetDiagnosticLogForTesting();
  host->shutdown();
  std::filesystem::remove_all(folder);
}

}  // namespace
