// The system platform's module calls, against the stand-in secondary module
// (testing/test_secondary_module.cpp): which entry point ran, how its answer
// is judged, modules or entry points that are missing, and the library
// search path the module sees.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "scripting/text_conversion.h"
#include "testing/environment_variable.h"
#include "testing/temporary_folder.h"

namespace {

using FB::testing::setVariable;

namespace fs = std::filesystem;
using FB::ModuleCallResult;

#ifdef _WIN32
constexpr const char* kSearchPathVariable = "path";
constexpr char kSearchPathSeparator = ';';
#else
constexpr const char* kSearchPathVariable = "LD_LIBRARY_PATH";
constexpr char kSearchPathSeparator = ':';
#endif

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

class PlatformModules : public ::testing::Test {
 protected:
  void SetUp() override {
    setVariable("NZ_TEST_MODULE_LOG", log_.string());
    setVariable("NZ_TEST_MODULE_RESULT", "0");
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string logText() const {
    std::ifstream in(log_);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  FB::Platform& os = FB::Platform::systemInstance();
  const std::wstring module_ = FB::toWide(NZ_TEST_MODULE_PATH);
  const fs::path folder_ = FB::testing::uniqueTemporaryFolder("nz_platform_modules_");
  const fs::path log_ = folder_ / "module.log";
};

TEST_F(PlatformModules, CallsTheNamedEntryPointAndJudgesItsAnswerBySign) {
  ModuleCallResult registered = os.callModuleEntryPoint(module_, "DllRegisterServer");
  EXPECT_EQ(registered.outcome, ModuleCallResult::Outcome::Called);
  EXPECT_TRUE(registered.succeeded());

  setVariable("NZ_TEST_MODULE_RESULT", "-2147467259");  // E_FAIL
  ModuleCallResult failed = os.callModuleEntryPoint(module_, "DllUnregisterServer");
  EXPECT_EQ(failed.outcome, ModuleCallResult::Outcome::Called);
  EXPECT_EQ(failed.result, -2147467259);
  EXPECT_FALSE(failed.succeeded());

  setVariable("NZ_TEST_MODULE_RESULT", "1");  // S_FALSE still succeeds
  EXPECT_TRUE(os.callModuleEntryPoint(module_, "DllRegisterServer").succeeded());

  const std::string log = logText();
  EXPECT_EQ(log.find("DllRegisterServer\t"), 0u);
  EXPECT_NE(log.find("\nDllUnregisterServer\t"), std::string::npos);
}

TEST_F(PlatformModules, AMissingModuleOrEntryPointIsReportedAndNothingRuns) {
  ModuleCallResult noEntry = os.callModuleEntryPoint(module_, "DllInstall");
  EXPECT_EQ(noEntry.outcome, ModuleCallResult::Outcome::NoEntryPoint);
  EXPECT_FALSE(noEntry.succeeded());
  const fs::path missing = folder_ / "nz_no_such_module_here.bin";
  ModuleCallResult notLoaded = os.callModuleEntryPoint(missing.wstring(), "DllRegisterServer");
  EXPECT_EQ(notLoaded.outcome, ModuleCallResult::Outcome::NotLoaded);
  EXPECT_FALSE(notLoaded.succeeded());
  EXPECT_EQ(logText(), "");
}

TEST_F(PlatformModules, SearchPathGrowsByTheFolderOnEveryCallAndTheModuleSeesIt) {
  const std::string before = variable(kSearchPathVariable);
  os.appendLibrarySearchPath(L"/nz/one");
  os.appendLibrarySearchPath(L"/nz/one");
  const std::string expected = (before.empty() ? std::string() : before + kSearchPathSeparator) + "/nz/one" +
                               kSearchPathSeparator + "/nz/one";
  EXPECT_EQ(variable(kSearchPathVariable), expected);
  os.callModuleEntryPoint(module_, "DllRegisterServer");
  EXPECT_EQ(logText(), "DllRegisterServer\t" + expected + "\n");
  setVariable(kSearchPathVariable, before);
}

}  // namespace
