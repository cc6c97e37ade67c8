// Package extraction when the file system refuses data: a file-size limit
// makes writes fail part way, in a child process so the limit stays there.
#include "manager/package_extraction.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/resource.h>

#include <gtest/gtest.h>

#include "manager/manager_test_support.h"
#include "manager/test_package_builder.h"

namespace {

namespace fs = std::filesystem;

TEST(PackageExtractionPosixTest, DataThatCannotBeWrittenFailsTheExtraction) {
  const fs::path base = Norvell::testing::testFolder("nz_extract_write_failure_");
  Norvell::testing::writePackage(base / "package.zip", {{"big.bin", std::string(300 * 1024, 'b')}});

  const auto extractWithLimit = [&] {
    std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
    const rlimit limit{100 * 1024, 100 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool ok = Norvell::extractPackage((base / "package.zip").string(), (base / "unpacked").string());
    std::exit(ok ? 0 : 1);
  };
  EXPECT_EXIT(extractWithLimit(), ::testing::ExitedWithCode(1), "");
  fs::remove_all(base);
}

}  // namespace
