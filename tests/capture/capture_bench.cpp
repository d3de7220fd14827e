// Benchmark, printed, not judged: opening a virtual camera through the
// library until the camera has delivered its first frame into the graph,
// and the frames per second it delivers against its nominal rate, at
// 640 x 480 in 24-bit RGB and in MJPG.
#include "lumcap_api.h"

#include "tests/bench_clock.h"

#include <cstdio>

namespace {

constexpr int kRounds = 10;
constexpr double kRateSeconds = 3.0;

struct Case {
  const wchar_t* name;
  const wchar_t* config;
  const char* label;
};
constexpr Case kCases[] = {
    {L"Bench RGB24 Camera", L"format RGB24 640x480 30", "640x480 RGB24 30 fps"},
    {L"Bench MJPG Camera", L"format MJPG 640x480 30", "640x480 MJPG 30 fps"},
};

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

void Measure(LumenoLibrary* library, VirtualCameras& cameras, const Case& c) {
  UINT32 index = 0;
  if (Lumcap().LumenoFindDeviceW(library, c.name, FALSE, &index) != S_OK) return;
  double firstFrame = 0;
  double slowest = 0;
  for (int round = 0; round < kRounds; ++round) {
    LumenoOpenParams params = {};
    params.width = 640;
    params.height = 480;
    LumenoDevice* device = nullptr;
    const LONG before = cameras.Observe(c.name).capture.frames;
    const double start = BenchSeconds();
    HRESULT hr = Lumcap().LumenoOpenDevice(library, index, &params, &device);
    if (FAILED(hr)) {
      std::printf("%-24s cannot be opened here: 0x%08lX\n", c.label, static_cast<unsigned long>(hr));
      return;
    }
    while (cameras.Observe(c.name).capture.frames == before && BenchSeconds() - start < 10) Pump();
    const double took = BenchSeconds() - start;
    firstFrame += took;
    if (took > slowest) slowest = took;
    if (round + 1 < kRounds) {
      Lumcap().LumenoCloseDevice(device);
      continue;
    }
    const LONG from = cameras.Observe(c.name).capture.frames;
    const double t0 = BenchSeconds();
    while (BenchSeconds() - t0 < kRateSeconds) {
      Pump();
      Sleep(10);
    }
    const double rate = (cameras.Observe(c.name).capture.frames - from) / (BenchSeconds() - t0);
    Lumcap().LumenoCloseDevice(device);
    std::printf("%-24s open to first frame %.1f ms (slowest %.1f ms), %.1f frames/s of 30 nominal\n", c.label,
                1000 * firstFrame / kRounds, 1000 * slowest, rate);
  }
}

}  // namespace

int main() {
  VirtualCameras cameras;
  for (const Case& c : kCases) {
    if (cameras.AddConfigured(c.name, c.config) != S_OK) return 1;
  }
  LumenoLibrary* library = nullptr;
  if (Lumcap().LumenoInitialize(&library, 0, nullptr) != S_OK) return 1;
  for (const Case& c : kCases) Measure(library, cameras, c);
  Lumcap().LumenoUninitialize(library);
  return 0;
}
