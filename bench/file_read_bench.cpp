// Cost of the file readers a page calls most: 1 KiB read from the middle of
// a 16 MiB file as text ("contentsAsTextStream"), and the whole of a 64 MiB
// file as text and as Base64, each against the plain system calls that get
// the same bytes (open, pread, close; for Base64 the project's encoder over
// those bytes) in the same run, and the copy the browser binding makes of
// a 64 MiB Base64 result. Counter "ratio" in the readers' rows is
// reader time / baseline time, both from the same process.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "app/base64.h"
#include "app/file_handle.h"

namespace {

namespace fs = std::filesystem;

const std::string& fileOf(std::size_t size) {
  static std::string paths[2];
  std::string& path = paths[size > (16u << 20)];
  if (path.empty()) {
    path = (fs::temp_directory_path() / ("nz_file_read_bench_" + std::to_string(size) + "_" +
                                         std::to_string(::getpid())))
               .string();
    std::ofstream out(path, std::ios::binary);
    std::string line(63, 'x');
    line += '\n';
    for (std::size_t done = 0; done < size; done += line.size()) out << line;
  }
  return path;
}

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

constexpr std::size_t kSmallFile = 16u << 20;
constexpr std::size_t kLargeFile = 64u << 20;

void SmallReadBaseline(benchmark::State& state) {
  const std::string& path = fileOf(kSmallFile);
  std::string text(1024, '\0');
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    benchmark::DoNotOptimize(::pread(fd, text.data(), text.size(), kSmallFile / 2));
    ::close(fd);
  }
}

void SmallRead(benchmark::State& state) {
  FileHandle file(wide(fileOf(kSmallFile)));
  for (auto _ : state) benchmark::DoNotOptimize(file.contentsAsTextStream(kSmallFile / 2, 1024));
}

std::string readAll(const std::string& path, std::size_t size) {
  std::string bytes(size, '\0');
  const int fd = ::open(path.c_str(), O_RDONLY);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(fd, bytes.data() + done, size - done, static_cast<off_t>(done));
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  ::close(fd);
  return bytes;
}

void WholeTextBaseline(benchmark::State& state) {
  const std::string& path = fileOf(kLargeFile);
  for (auto _ : state) benchmark::DoNotOptimize(readAll(path, kLargeFile));
}

void WholeText(benchmark::State& state) {
  FileHandle file(wide(fileOf(kLargeFile)));
  for (auto _ : state) benchmark::DoNotOptimize(file.contentsAsTextStream(std::nullopt, std::nullopt));
}

void WholeBase64Baseline(benchmark::State& state) {
  const std::string& path = fileOf(kLargeFile);
  for (auto _ : state) {
    const std::string bytes = readAll(path, kLargeFile);
    benchmark::DoNotOptimize(
        Norvell::base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
  }
}

void WholeBase64(benchmark::State& state) {
  FileHandle file(wide(fileOf(kLargeFile)));
  for (auto _ : state) benchmark::DoNotOptimize(file.contentsAsBinaryStream(std::nullopt, std::nullopt));
}

// What the NPAPI binding does with a reader's result: one copy into a fresh
// block of the browser's (here: malloc) of the Base64 size of 64 MiB, first
// touch of its pages included.
void CopyIntoFreshBlock(benchmark::State& state) {
  const std::string result((kLargeFile + 2) / 3 * 4, 'A');
  for (auto _ : state) {
    char* block = static_cast<char*>(std::malloc(result.size()));
    std::memcpy(block, result.data(), result.size());
    benchmark::DoNotOptimize(block);
    std::free(block);
  }
}

BENCHMARK(SmallReadBaseline);
BENCHMARK(SmallRead);
BENCHMARK(WholeTextBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeText)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeBase64Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeBase64)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyIntoFreshBlock)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (std::size_t size : {kSmallFile, kLargeFile}) std::remove(fileOf(size).c_str());
  return 0;
}
