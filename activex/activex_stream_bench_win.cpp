// nz_activex_stream_bench: a large download from a loopback server through
// ActiveXStream (uncached and cached, the handler only counting bytes)
// against urlmon's own URLDownloadToFile of the same size, in the same run;
// prints the best time of each over three rounds, their ratio, and the peak
// C++ heap that the stream's side of the transfer (stream, requests,
// callbacks, read block) held. Run by hand under wine:
//
//   scripts/wine-run.sh build/win64/activex/nz_activex_stream_bench.exe [megabytes]
//
// Judges nothing. Container thread only (it pumps its own messages).
#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "activex/activex_stream_win.h"
#include "activex/loopback_http_server_win.h"
#include "bench/heap_counter.h"
#include "runtime/default_browser_stream_handler.h"

namespace {

using FB::ActiveX::ActiveXStream;
using FB::ActiveX::testing::LoopbackHttpServer;
using Clock = std::chrono::steady_clock;

class CountingHandler : public FB::DefaultBrowserStreamHandler {
 public:
  bool onDataArrived(FB::StreamDataArrivedEvent* event, FB::BrowserStream*) override {
    if (event->offset() == bytes && event->length() > 0 &&
        event->data()[0] != static_cast<std::uint8_t>(LoopbackHttpServer::patternByte(event->offset()))) {
      wrong = true;
    }
    bytes += event->length();
    ++chunks;
    return false;
  }
  bool onCompleted(FB::StreamCompletedEvent* event, FB::BrowserStream*) override {
    done = true;
    success = event->success();
    return false;
  }
  std::size_t bytes = 0;
  std::size_t chunks = 0;
  bool done = false;
  bool success = false;
  bool wrong = false;
};

void pumpUntil(const bool& done) {
  while (!done) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

double seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
  const std::uint64_t size = megabytes * 1024 * 1024;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int status = 0;
  {
    LoopbackHttpServer server;
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring target = std::wstring(folder) + L"nz-stream-bench.bin";
    double bestFile = 1e9, bestStream[2] = {1e9, 1e9};
    std::size_t peak[2] = {0, 0}, chunks[2] = {0, 0};
    for (int round = 0; round < 3; ++round) {
      LoopbackHttpServer::Resource resource;
      resource.generatedSize = size;
      const std::string file = "/file" + std::to_string(round) + ".bin";
      server.serve(file, resource);
      const std::string fileAddress = server.url(file);
      const std::wstring fileUrl(fileAddress.begin(), fileAddress.end());
      auto start = Clock::now();
      const HRESULT downloaded = URLDownloadToFileW(nullptr, fileUrl.c_str(), target.c_str(), 0, nullptr);
      const double fileTime = seconds(start);
      WIN32_FILE_ATTRIBUTE_DATA attributes{};
      GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &attributes);
      const std::uint64_t written = (std::uint64_t(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
      DeleteFileW(target.c_str());
      if (FAILED(downloaded) || written != size) {
        std::printf("FAIL URLDownloadToFile: 0x%08lx, %llu bytes\n", static_cast<unsigned long>(downloaded),
                    static_cast<unsigned long long>(written));
        status = 1;
      }
      bestFile = std::min(bestFile, fileTime);
      for (int cached = 0; cached < 2; ++cached) {
        const std::string path = "/stream" + std::to_string(round) + "-" + std::to_string(cached) + ".bin";
        server.serve(path, resource);
        auto handler = std::make_shared<CountingHandler>();
        const std::size_t base = nz_bench::resetHeapPeak();
        start = Clock::now();
        {
          auto stream = ActiveXStream::open(server.url(path), handler, cached != 0, false, 262144);
          if (!stream) {
            std::printf("FAIL the stream did not open\n");
            return 1;
          }
          pumpUntil(handler->done);
          handler->clearStream();
        }
        const double streamTime = seconds(start);
        peak[cached] = std::max(peak[cached], nz_bench::heapPeak() - base);
        chunks[cached] = handler->chunks;
        if (!handler->success || handler->bytes != size || handler->wrong) {
          std::printf("FAIL stream (%s): success %d, %zu bytes\n", cached ? "cached" : "uncached", handler->success,
                      handler->bytes);
          status = 1;
        }
        bestStream[cached] = std::min(bestStream[cached], streamTime);
      }
      std::printf("round %d: URLDownloadToFile %.2f s\n", round, fileTime);
    }
    std::printf("%llu MiB, best of 3:\n", static_cast<unsigned long long>(megabytes));
    std::printf("  URLDownloadToFile          %.2f s\n", bestFile);
    const char* names[2] = {"uncached", "cached"};
    for (int cached = 0; cached < 2; ++cached) {
      std::printf("  ActiveXStream %-8s     %.2f s  ratio %.2f  chunks %zu  peak heap %.1f KiB\n", names[cached],
                  bestStream[cached], bestStream[cached] / bestFile, chunks[cached], peak[cached] / 1024.0);
    }
  }
  CoUninitialize();
  return status;
}
