// Printed, not judged: the time from a trigger to the picture in the
// caller's hands against the camera's frame interval, and the time to save
// a 1280 x 720 picture as PNG and JPEG, through the library and a virtual
// camera.
#include "lumcap_api.h"
#include "tests/bench_clock.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr wchar_t kCamera[] = L"Bench Still Camera";
constexpr int kStills = 60;
constexpr int kFramesPerSecond = 30;
constexpr int kSaves = 5;

// A 1280 x 720 24-bit section with something in it to compress.
HBITMAP MakePicture() {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 1280;
  info.bmiHeader.biHeight = 720;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* p = static_cast<BYTE*>(bits);
  for (int y = 0; y < 720; ++y) {
    for (int x = 0; x < 1280; ++x, p += 3) {
      p[0] = static_cast<BYTE>(x ^ y);
      p[1] = static_cast<BYTE>(y);
      p[2] = static_cast<BYTE>(x);
    }
  }
  return bitmap;
}

void SaveTimes(const LumcapApi& api) {
  WCHAR folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  HBITMAP picture = MakePicture();
  for (const wchar_t* extension : {L"png", L"jpg"}) {
    WCHAR path[MAX_PATH];
    swprintf(path, MAX_PATH, L"%lslumcap_bench.%ls", folder, extension);
    std::vector<double> ms;
    for (int i = 0; i < kSaves; ++i) {
      double start = BenchSeconds();
      HRESULT hr = api.LumenoSaveBitmapToFileW(picture, path, -1, FALSE);
      ms.push_back((BenchSeconds() - start) * 1000.0);
      if (FAILED(hr)) std::printf("saving as %ls failed: 0x%08lX\n", extension, static_cast<unsigned long>(hr));
    }
    std::sort(ms.begin(), ms.end());
    std::printf("save 1280x720 as %ls: median %.1f ms over %d saves\n", extension, ms[ms.size() / 2], kSaves);
    DeleteFileW(path);
  }
  DeleteObject(picture);
}

void TriggerLatency(const LumcapApi& api) {
  VirtualCameras cameras;
  cameras.Add(kCamera);
  LumenoLibrary* library = nullptr;
  UINT32 index = 0;
  if (FAILED(api.LumenoInitialize(&library, 0, nullptr)) ||
      api.LumenoFindDeviceW(library, kCamera, FALSE, &index) != S_OK) {
    std::printf("no virtual camera\n");
    api.LumenoUninitialize(library);
    return;
  }
  LumenoOpenParams params = {};
  params.width = 640;
  params.height = 480;
  params.frameRate = kFramesPerSecond;
  params.timeout = 5000;
  LumenoDevice* device = nullptr;
  HRESULT hr = api.LumenoOpenDevice(library, index, &params, &device);
  std::vector<double> ms;
  // Triggers at random moments between frames: a trigger waits for the next
  // frame, so the floor of the median is half a frame interval.
  unsigned seed = 12345;
  const DWORD interval = 1000 / kFramesPerSecond;
  for (int i = 0; i < kStills && SUCCEEDED(hr); ++i) {
    HBITMAP bitmap = nullptr;
    seed = seed * 1103515245u + 12345u;
    Sleep((seed >> 16) % (interval + 1));
    double start = BenchSeconds();
    hr = api.LumenoGetSample(device, &bitmap);
    ms.push_back((BenchSeconds() - start) * 1000.0);
    if (SUCCEEDED(hr)) DeleteObject(bitmap);
  }
  if (device) api.LumenoCloseDevice(device);
  api.LumenoUninitialize(library);
  if (FAILED(hr)) {
    std::printf("trigger to picture failed: 0x%08lX\n", static_cast<unsigned long>(hr));
    return;
  }
  double inCalls = 0;  // the time spent in the calls, without the waits between them
  for (double one : ms) inCalls += one;
  std::sort(ms.begin(), ms.end());
  std::printf(
      "trigger to picture at random moments, 640x480 RGB24 at %d fps (frame interval %.1f ms, floor of the "
      "median %.1f ms): median %.1f ms, 95th percentile %.1f ms over %d stills\n",
      kFramesPerSecond, 1000.0 / kFramesPerSecond, 500.0 / kFramesPerSecond, ms[ms.size() / 2],
      ms[ms.size() * 95 / 100], kStills);
  std::printf("stills per second of time in the calls: %.1f (the camera sends %d frames a second)\n",
              kStills / (inCalls / 1000.0), kFramesPerSecond);
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const LumcapApi& api = Lumcap();
  SaveTimes(api);
  TriggerLatency(api);
  CoUninitialize();
  return 0;
}
