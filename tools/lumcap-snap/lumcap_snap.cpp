// lumcap-snap: lists the cameras the capture library sees, with their
// format ranges and properties, and saves a still picture of one of them
// to an image file. It loads lumcap32.dll / lumcap64.dll from its own
// folder at run time, as the main program does, and shows how the
// library is called.
//
//   lumcap-snap list
//   lumcap-snap snap FILE [--camera N|NAME] [--size WxH] [--fps F]
//                         [--format FOURCC|RGB24] [--still-pin]
//                         [--quality Q] [--timeout MS]
//
// Exit status 0 on success; otherwise 1 with the library's error text.
#include "tools/lumcap-snap/lumcap_binding.h"
#include "tools/lumcap-snap/snap_options.h"

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

LumcapFunctions lum;

constexpr const wchar_t* kProcAmpNames[] = {L"brightness",   L"contrast",      L"hue",
                                            L"saturation",   L"sharpness",     L"gamma",
                                            L"color enable", L"white balance", L"backlight compensation",
                                            L"gain"};
constexpr const wchar_t* kCameraControlNames[] = {L"pan", L"tilt", L"roll", L"zoom", L"exposure", L"iris", L"focus"};

// Prints the library's text of a failed call and gives exit status 1.
int Fail(const wchar_t* what, HRESULT hr) {
  WCHAR text[512] = L"";
  if (FAILED(lum.LumenoGetErrorW(hr, text, 512))) std::swprintf(text, 512, L"0x%08lX", static_cast<unsigned long>(hr));
  std::fwprintf(stderr, L"lumcap-snap: %ls: %ls\n", what, text);
  return 1;
}

bool LoadLibraryNextToProgram() {
  WCHAR path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  WCHAR* slash = std::wcsrchr(path, L'\\');
  if (!slash) return false;
  std::swprintf(slash + 1, MAX_PATH - (slash + 1 - path), L"lumcap%d.dll", static_cast<int>(sizeof(void*) * 8));
  HMODULE module = LoadLibraryW(path);
  if (!module) {
    std::fwprintf(stderr, L"lumcap-snap: cannot load %ls (error %lu)\n", path, GetLastError());
    return false;
  }
  int missing = BindLumcap(module, lum);
  if (missing != 0) std::fwprintf(stderr, L"lumcap-snap: %d functions missing in %ls\n", missing, path);
  return missing == 0;
}

void PrintRanges(LumenoLibrary* library, UINT32 index, UINT32 flags) {
  UINT32 size = 0;
  if (FAILED(lum.LumenoGetDeviceResolutions(library, index, flags, nullptr, &size)) || size < sizeof(UINT32)) return;
  std::vector<BYTE> buffer(size);
  auto* list = reinterpret_cast<LumenoResolutionList*>(buffer.data());
  if (FAILED(lum.LumenoGetDeviceResolutions(library, index, flags, list, &size))) return;
  for (UINT32 i = 0; i < list->count; ++i) {
    const LumenoResolution& r = list->items[i];
    WCHAR subtype[64];
    lum.LumenoSubtypeToStringW(&r.subtype, TRUE, subtype, 64);
    std::wprintf(L"    %ls %ux%u .. %ux%u step %ux%u, %d .. %d fps, %u bits\n", subtype, r.minWidth, r.minHeight,
                 r.maxWidth, r.maxHeight, r.widthGranularity, r.heightGranularity, r.minFrameRate, r.maxFrameRate,
                 r.bitCount);
  }
}

void PrintProperties(LumenoDevice* device, UINT32 cls, const wchar_t* const* names, UINT32 count) {
  for (UINT32 i = 0; i < count; ++i) {
    LumenoPropertyInfo info = {};
    info.capsFlags = -1;
    if (lum.LumenoGetDeviceProperty(device, cls | i, &info) != S_OK || info.capsFlags == -1) continue;
    std::wprintf(L"    %ls = %d (flags %d), %d .. %d step %d, default %d\n", names[i], info.value, info.flags,
                 info.minimum, info.maximum, info.step, info.defaultValue);
  }
}

int List(LumenoLibrary* library, UINT32 count) {
  for (UINT32 i = 0; i < count; ++i) {
    WCHAR name[128] = L"";
    lum.LumenoGetDeviceNameW(library, i, name, 128);
    UINT32 caps = 0;
    lum.LumenoGetDeviceCaps(library, i, &caps);
    std::wprintf(L"%u: %ls%ls%ls\n", i, name, (caps & LUMENO_CAPS_STILL_PIN) ? L" [still pin]" : L"",
                 (caps & LUMENO_CAPS_CAMERA_TERMINAL) ? L" [camera terminal]" : L"");
    std::wprintf(L"  capture formats:\n");
    PrintRanges(library, i, 0);
    if (caps & LUMENO_CAPS_STILL_PIN) {
      std::wprintf(L"  still formats:\n");
      PrintRanges(library, i, LUMENO_RESOLUTIONS_STILL_PIN);
    }
    LumenoOpenParams params = {};
    LumenoDevice* device = nullptr;
    if (SUCCEEDED(lum.LumenoOpenDevice(library, i, &params, &device))) {
      std::wprintf(L"  properties:\n");
      PrintProperties(device, LUMENO_PROPERTY_VIDEO_PROC_AMP, kProcAmpNames, ARRAYSIZE(kProcAmpNames));
      PrintProperties(device, LUMENO_PROPERTY_CAMERA_CONTROL, kCameraControlNames, ARRAYSIZE(kCameraControlNames));
      lum.LumenoCloseDevice(device);
    }
  }
  return 0;
}

HRESULT FindCamera(LumenoLibrary* library, const SnapOptions& options, UINT32* index) {
  if (options.camera[0] == 0 || ParseCameraIndex(options.camera, index)) return S_OK;
  *index = 0;
  HRESULT hr = lum.LumenoFindDeviceW(library, options.camera, TRUE, index);
  return hr == S_OK ? S_OK : E_INVALIDARG;
}

HRESULT Open(LumenoLibrary* library, const SnapOptions& options, LumenoDevice** device) {
  UINT32 index = 0;
  HRESULT hr = FindCamera(library, options, &index);
  if (FAILED(hr)) return hr;
  LumenoOpenParams params = options.params;
  hr = lum.LumenoOpenDevice(library, index, &params, device);
  if (FAILED(hr)) return hr;
  WCHAR subtype[64];
  lum.LumenoSubtypeToStringW(&params.subtype, TRUE, subtype, 64);
  std::wprintf(L"opened camera %u: %dx%d %ls at %d fps%ls\n", index, params.width, params.height, subtype,
               params.frameRate, (params.flags & LUMENO_OPEN_STILL_PIN) ? L", stills from the still pin" : L"");
  return S_OK;
}

int Snap(LumenoLibrary* library, const SnapOptions& options) {
  LumenoDevice* device = nullptr;
  HRESULT hr = Open(library, options, &device);
  if (FAILED(hr)) return Fail(L"opening the camera", hr);
  // Event mode: the trigger waits for the picture; then it is taken.
  hr = lum.LumenoTrigger(device);
  if (SUCCEEDED(hr)) hr = lum.LumenoSaveSampleToFileW(device, options.file, options.quality);
  lum.LumenoCloseDevice(device);
  if (FAILED(hr)) return Fail(options.file, hr);
  std::wprintf(L"saved %ls\n", options.file);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SnapOptions options;
  const wchar_t* problem = ParseSnapOptions(argc, argv, &options);
  if (problem) {
    std::fwprintf(stderr, L"lumcap-snap: %ls\n%ls", problem, kSnapUsage);
    return 2;
  }
  if (!LoadLibraryNextToProgram()) return 1;
  LumenoLibrary* library = nullptr;
  UINT32 count = 0;
  HRESULT hr = lum.LumenoInitialize(&library, 0, &count);
  if (FAILED(hr)) return Fail(L"no camera", hr);
  int status = 0;
  switch (options.command) {
    case SnapCommand::kList: status = List(library, count); break;
    case SnapCommand::kSnap: status = Snap(library, options); break;
  }
  lum.LumenoUninitialize(library);
  return status;
}
