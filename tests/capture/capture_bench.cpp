// Benchmark, printed, not judged: opening a virtual camera through the
// library until the camera has delivered its first frame into the graph,
// and the frames per second it delivers against its nominal rate, at
// 640 x 480 in 24-bit RGB and in MJPG; and what the newest frame costs
// at 640 x 480 and 1920 x 1080.
#include "lumcap_api.h"

#include "tests/bench_clock.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kRounds = 10;
constexpr double kRateSeconds = 3.0;
constexpr int kCopies = 50;
constexpr wchar_t kLargeCamera[] = L"Bench 1080p Camera";

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

// The newest frame: what holding it costs the streaming thread (one copy of
// each frame) and what one LumenoCopyNewestFrame costs the caller (the
// swap, the conversion to 24-bit rows and the copy into its buffer).
void NewestFrameCost(LumenoLibrary* library, const wchar_t* name, int width, int height) {
  UINT32 index = 0;
  if (Lumcap().LumenoFindDeviceW(library, name, FALSE, &index) != S_OK) return;
  LumenoOpenParams params = {};
  params.width = width;
  params.height = height;
  LumenoDevice* device = nullptr;
  if (FAILED(Lumcap().LumenoOpenDevice(library, index, &params, &device))) {
    std::printf("%dx%d cannot be opened here\n", width, height);
    return;
  }
  const size_t frameBytes = static_cast<size_t>((width * 3 + 3) & ~3) * height;
  std::vector<BYTE> from(frameBytes, 1), to(frameBytes);
  const double h0 = BenchSeconds();
  for (int i = 0; i < kCopies; ++i) {
    std::memcpy(to.data(), from.data(), frameBytes);
    from[static_cast<size_t>(i) % frameBytes] ^= to[0];  // kept from being folded away
  }
  const double hold = (BenchSeconds() - h0) * 1000.0 / kCopies;
  BITMAPINFOHEADER header = {};
  const double w0 = BenchSeconds();
  while (Lumcap().LumenoCopyNewestFrame(device, &header, nullptr, 0) == S_FALSE && BenchSeconds() - w0 < 10) Pump();
  std::vector<BYTE> pixels(header.biSizeImage);
  const double c0 = BenchSeconds();
  int copied = 0;
  for (int i = 0; i < kCopies; ++i) {
    if (Lumcap().LumenoCopyNewestFrame(device, &header, pixels.data(), static_cast<UINT32>(pixels.size())) == S_OK) {
      ++copied;
    }
  }
  const double copy = (BenchSeconds() - c0) * 1000.0 / kCopies;
  Lumcap().LumenoCloseDevice(device);
  std::printf(
      "newest frame %4dx%-4d RGB24: holding it %.3f ms per frame (one copy of %zu bytes); "
      "LumenoCopyNewestFrame %.3f ms per call (%d of %d copied)\n",
      width, height, hold, frameBytes, copy, copied, kCopies);
}

}  // namespace

int main() {
  VirtualCameras cameras;
  for (const Case& c : kCases) {
    if (cameras.AddConfigured(c.name, c.config) != S_OK) return 1;
  }
  if (cameras.AddConfigured(kLargeCamera, L"format RGB24 1920x1080 30") != S_OK) return 1;
  LumenoLibrary* library = nullptr;
  if (Lumcap().LumenoInitialize(&library, 0, nullptr) != S_OK) return 1;
  for (const Case& c : kCases) Measure(library, cameras, c);
  NewestFrameCost(library, kCases[0].name, 640, 480);
  NewestFrameCost(library, kLargeCamera, 1920, 1080);
  Lumcap().LumenoUninitialize(library);
  return 0;
}
