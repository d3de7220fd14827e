// The soak run's second process: takes stills from a virtual camera through
// the capture library, one after another, for as long as the run lasts, so
// that the run's sampler watches the library's handles, GDI objects and
// memory in a process of its own.
// Usage: soak_stills CAMERA STOP_EVENT
// Ends when the named event is set; prints the stills taken and failed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/owners.h"
#include "tests/capture/lumcap_api.h"

namespace {

constexpr UINT32 kWidth = 640;
constexpr UINT32 kHeight = 480;
constexpr UINT32 kFrameRate = 30;
constexpr DWORD kOpenTimeoutMs = 5000;

struct Library {
  const LumcapApi& api;
  LumenoLibrary* library = nullptr;
  explicit Library(const LumcapApi& a) : api(a) {}
  ~Library() {
    if (library) api.LumenoUninitialize(library);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
};

HRESULT OpenCamera(Library& lib, const wchar_t* camera, LumenoDevice** device) {
  UINT32 index = 0;
  HRESULT hr = lib.api.LumenoFindDeviceW(lib.library, camera, FALSE, &index);
  if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;
  LumenoOpenParams params = {};
  params.width = kWidth;
  params.height = kHeight;
  params.frameRate = kFrameRate;
  params.timeout = kOpenTimeoutMs;
  return lib.api.LumenoOpenDevice(lib.library, index, &params, device);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: soak_stills CAMERA STOP_EVENT\n");
    return 2;
  }
  ComInit com;
  KernelHandle stop(OpenEventW(SYNCHRONIZE, FALSE, argv[2]));
  if (!stop) {
    std::fprintf(stderr, "soak_stills: no stop event %ls\n", argv[2]);
    return 2;
  }
  const LumcapApi& api = Lumcap();
  if (api.missing != 0 || !api.module) {
    std::fprintf(stderr, "soak_stills: the capture library did not load\n");
    return 1;
  }
  Library lib(api);
  if (FAILED(api.LumenoInitialize(&lib.library, 0, nullptr))) {
    std::fprintf(stderr, "soak_stills: LumenoInitialize failed\n");
    return 1;
  }
  long stills = 0, failures = 0, opens = 0;
  while (WaitForSingleObject(stop.Get(), 0) == WAIT_TIMEOUT) {
    LumenoDevice* device = nullptr;
    HRESULT hr = OpenCamera(lib, argv[1], &device);
    ++opens;
    if (FAILED(hr)) {
      ++failures;
      std::fprintf(stderr, "soak_stills: opening %ls failed: 0x%08lX\n", argv[1], static_cast<unsigned long>(hr));
      if (WaitForSingleObject(stop.Get(), 1000) != WAIT_TIMEOUT) break;
      continue;
    }
    // The camera stays open: stills one after another until the end.
    while (WaitForSingleObject(stop.Get(), 0) == WAIT_TIMEOUT) {
      HBITMAP bitmap = nullptr;
      hr = api.LumenoGetSample(device, &bitmap);
      if (SUCCEEDED(hr) && bitmap) {
        ++stills;
        DeleteObject(bitmap);
      } else {
        ++failures;
      }
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    api.LumenoCloseDevice(device);
  }
  std::printf("stills=%ld\nstill_failures=%ld\nstill_opens=%ld\n", stills, failures, opens);
  return 0;
}
