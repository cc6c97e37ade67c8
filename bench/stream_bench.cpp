// Cost of a one-shot download into memory: 300 MiB delivered to an
// FB::SimpleStreamHelper in 64 KiB chunks through the stream events of a
// fake stream, against one plain memcpy of the same bytes into a fresh
// buffer. Each run also reports the peak of live heap bytes during the
// transfer relative to the data size (counter "peak_ratio"): the blocks
// plus the assembled copy, so about 2.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include <benchmark/benchmark.h>

#include "bench/heap_counter.h"
#include "runtime/simple_stream_helper.h"
#include "testing/fake_browser_host.h"
#include "testing/fake_browser_stream.h"

// ---------------------------------------------------------------- benchmarks
namespace {

constexpr std::size_t kDataSize = std::size_t{300} * 1024 * 1024;
constexpr std::size_t kChunkSize = 64 * 1024;
constexpr std::size_t kBlockSize = 128 * 1024;

const std::uint8_t* sourceData() {
  static const std::unique_ptr<std::uint8_t[]> data = [] {
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[kDataSize]);
    for (std::size_t i = 0; i < kDataSize; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + (i >> 16));
    return bytes;
  }();
  return data.get();
}


void MemcpyBaseline(benchmark::State& state) {
  const std::uint8_t* source = sourceData();
  double peakRatio = 0;
  for (auto _ : state) {
    const std::size_t base = nz_bench::resetHeapPeak();
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[kDataSize]);
    std::memcpy(copy.get(), source, kDataSize);
    benchmark::DoNotOptimize(copy.get());
    benchmark::ClobberMemory();
    peakRatio = std::max(peakRatio, static_cast<double>(nz_bench::heapPeak() - base) / kDataSize);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kDataSize));
  state.counters["peak_ratio"] = peakRatio;
}
BENCHMARK(MemcpyBaseline)->Unit(benchmark::kMillisecond);

void SimpleStreamHelperDownload(benchmark::State& state) {
  const std::uint8_t* source = sourceData();
  auto host = FB::testing::FakeBrowserHost::create();
  double peakRatio = 0;
  bool allCorrect = true;
  for (auto _ : state) {
    const std::size_t base = nz_bench::resetHeapPeak();
    FB::SimpleStreamHelper::ByteArray received;
    std::size_t receivedSize = 0;
    auto helper = std::make_shared<FB::SimpleStreamHelper>(
        host,
        [&](bool success, const FB::SimpleStreamHelper::HeaderFields&, const FB::SimpleStreamHelper::ByteArray& data,
            std::size_t size) {
          if (success) received = data;
          receivedSize = size;
        },
        kBlockSize);
    auto stream = FB::testing::FakeBrowserStream::create("http://bench/", helper, false, false, kChunkSize);
    stream->open("Content-Type: application/octet-stream\r\n", kDataSize);
    stream->deliverInChunks(source, kDataSize, kChunkSize);
    stream->complete(true);
    peakRatio = std::max(peakRatio, static_cast<double>(nz_bench::heapPeak() - base) / kDataSize);
    allCorrect = allCorrect && received && receivedSize == kDataSize &&
                 received[kDataSize - 1] == source[kDataSize - 1] && received[kDataSize / 2] == source[kDataSize / 2];
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kDataSize));
  state.counters["peak_ratio"] = peakRatio;
  if (!allCorrect) state.SkipWithError("the download did not arrive whole");
  host->shutdown();
}
BENCHMARK(SimpleStreamHelperDownload)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
