// Speed of the Base64 codec against coreutils' base64, and the memory that a
// whole-file "contentsAsBinaryStream" needs. Run by scripts/bench_base64.sh,
// which makes the data, times coreutils on it and passes the times in:
//
//   nz_base64_bench DATA DATA.b64 COREUTILS_ENCODE_NS COREUTILS_DECODE_NS
//
// Memory is measured with a counting operator new/delete: the peak of live
// heap bytes during the call, minus what was live before it. That counts
// exactly what the reader allocates (the Base64 text, its piece buffer, the
// stream's own buffer) and nothing else, whereas getrusage's maxrss is a
// process-wide high-water mark that the earlier runs have already raised.
//
// Times are the best of several runs. The codec is timed twice: with fresh
// output memory, as in the product, where every call's output is newly
// mapped by the kernel (page faults are a large part of the cost on a
// virtual machine), and with malloc told to keep freed memory, which is the
// codec's own speed.
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "bench/heap_counter.h"
#include "app/base64.h"
#include "app/file_handle.h"
#include "scripting/text_conversion.h"

namespace {

volatile std::size_t sink = 0;  // keeps the timed results alive

double milliseconds(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

template <class Work>
double bestOf(int runs, Work work) {
  double best = 1e300;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    best = std::min(best, milliseconds(std::chrono::steady_clock::now() - start));
  }
  return best;
}

std::string readAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::printf("nz_base64_bench: run scripts/bench_base64.sh (it supplies the data and coreutils' times)\n");
    return 0;
  }
  const std::string dataPath = argv[1];
  const std::string data = readAll(argv[1]);
  const std::string reference = readAll(argv[2]);
  const double coreutilsEncode = std::strtod(argv[3], nullptr) / 1e6;
  const double coreutilsDecode = std::strtod(argv[4], nullptr) / 1e6;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  const double mebibytes = static_cast<double>(data.size()) / (1 << 20);
  constexpr int kRuns = 5;

  // Correctness first: the same text as coreutils, and back.
  std::string text = Norvell::base64Encode(bytes, data.size());
  const bool encodeMatches = text == reference;
  const std::vector<unsigned char> decoded = Norvell::base64Decode(reference);
  const bool decodeMatches =
      decoded.size() == data.size() && std::memcmp(decoded.data(), data.data(), data.size()) == 0;
  text.clear();
  text.shrink_to_fit();

  const double encodeFresh =
      bestOf(kRuns, [&] { sink = sink + Norvell::base64Encode(bytes, data.size()).size(); });
  const double decodeFresh = bestOf(kRuns, [&] { sink = sink + Norvell::base64Decode(reference).size(); });

  // The whole file through a file object, measured for memory once and then
  // timed.
  FileHandle file(FB::toWide(dataPath));
  const std::size_t before = nz_bench::resetHeapPeak();
  const bool readMatches = file.contentsAsBinaryStream(std::nullopt, std::nullopt) == reference;
  const double readPeak = static_cast<double>(nz_bench::heapPeak() - before);
  const double readTime =
      bestOf(3, [&] { sink = sink + file.contentsAsBinaryStream(std::nullopt, std::nullopt).size(); });

  // Now with freed memory kept by malloc: the codec's own speed.
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  const double encodeReused =
      bestOf(kRuns, [&] { sink = sink + Norvell::base64Encode(bytes, data.size()).size(); });
  const double decodeReused = bestOf(kRuns, [&] { sink = sink + Norvell::base64Decode(reference).size(); });

  std::printf("data: %.1f MiB; output %s coreutils', decoding %s, file read %s\n", mebibytes,
              encodeMatches ? "equals" : "DIFFERS FROM", decodeMatches ? "matches" : "DIFFERS",
              readMatches ? "matches" : "DIFFERS");
  std::printf("%-44s %8.1f ms\n", "coreutils base64 -w0 (encode)", coreutilsEncode);
  std::printf("%-44s %8.1f ms\n", "coreutils base64 -d (decode)", coreutilsDecode);
  std::printf("%-44s %8.1f ms  %5.2fx faster than coreutils\n", "base64Encode, fresh output memory",
              encodeFresh, coreutilsEncode / encodeFresh);
  std::printf("%-44s %8.1f ms  %5.2fx\n", "base64Encode, reused memory", encodeReused,
              coreutilsEncode / encodeReused);
  std::printf("%-44s %8.1f ms  %5.2fx\n", "base64Decode, fresh output memory", decodeFresh,
              coreutilsDecode / decodeFresh);
  std::printf("%-44s %8.1f ms  %5.2fx\n", "base64Decode, reused memory", decodeReused,
              coreutilsDecode / decodeReused);
  std::printf("%-44s %8.1f ms  %5.2fx (coreutils also reads the file)\n",
              "contentsAsBinaryStream, whole file", readTime, coreutilsEncode / readTime);
  std::printf("%-44s %8.1f MiB = %.2fx the range\n", "contentsAsBinaryStream, peak heap",
              readPeak / (1 << 20), readPeak / static_cast<double>(data.size()));
  return encodeMatches && decodeMatches && readMatches ? 0 : 1;
}
