// Test-side binding of the capture library and the virtual camera: both
// are loaded by path at run time, as the main program loads the library,
// and every function is found by its exported name.
#pragma once
#include "capture/lumcap.h"
#include "tools/vcam/vcam.h"

#include <dbt.h>

#include <string>

// Every export with its number of parameters.
#define LUMCAP_FUNCTIONS(X)                                                                                           \
  X(LumenoInitialize, 3)                                                                                              \
  X(LumenoUninitialize, 1)                                                                                            \
  X(LumenoEnableDeviceChangeNotifications, 2)                                                                         \
  X(LumenoDeviceChange, 3)                                                                                            \
  X(LumenoGetDeviceCount, 2)                                                                                          \
  X(LumenoFindDeviceA, 4)                                                                                             \
  X(LumenoFindDeviceW, 4)                                                                                             \
  X(LumenoGetDeviceNameA, 4)                                                                                          \
  X(LumenoGetDeviceNameW, 4)                                                                                          \
  X(LumenoGetDeviceCaps, 3)                                                                                           \
  X(LumenoGetDeviceResolutions, 5)                                                                                    \
  X(LumenoOpenDevice, 4)                                                                                              \
  X(LumenoGetDeviceIndex, 2)                                                                                          \
  X(LumenoCloseDevice, 1)                                                                                             \
  X(LumenoGetDeviceProperty, 3)                                                                                       \
  X(LumenoSetDeviceProperty, 4)                                                                                       \
  X(LumenoGetCaptureCaps, 2)                                                                                          \
  X(LumenoFlipCapture, 2)                                                                                             \
  X(LumenoSetPreviewPosition, 2)                                                                                      \
  X(LumenoShowPreview, 2)                                                                                             \
  X(LumenoPausePreview, 2)                                                                                            \
  X(LumenoIsPreviewPaused, 1)                                                                                         \
  X(LumenoGetInputCount, 2)                                                                                           \
  X(LumenoGetInputNameA, 4)                                                                                           \
  X(LumenoGetInputNameW, 4)                                                                                           \
  X(LumenoSetInput, 2)                                                                                                \
  X(LumenoTrigger, 1)                                                                                                 \
  X(LumenoWaitForTrigger, 1)                                                                                          \
  X(LumenoGetSample, 2)                                                                                               \
  X(LumenoGetSampleAsDIB, 2)                                                                                          \
  X(LumenoSaveSampleToFileA, 3)                                                                                       \
  X(LumenoSaveSampleToFileW, 3)                                                                                       \
  X(LumenoSaveBitmapToFileA, 4)                                                                                       \
  X(LumenoSaveBitmapToFileW, 4)                                                                                       \
  X(LumenoCopySampleToClipboard, 1)                                                                                   \
  X(LumenoCopyBitmapToClipboard, 1)                                                                                   \
  X(LumenoGetBitmapFromClipboard, 1)                                                                                  \
  X(LumenoGetUvcProperty, 5)                                                                                          \
  X(LumenoSetUvcProperty, 5)                                                                                          \
  X(LumenoGetErrorA, 3)                                                                                               \
  X(LumenoGetErrorW, 3)                                                                                               \
  X(LumenoSubtypeToStringA, 4)                                                                                        \
  X(LumenoSubtypeToStringW, 4)                                                                                        \
  X(LumenoPlaySound, 0)

constexpr int kLumcapFunctionCount = 44;

struct LumcapApi {
#define LUMCAP_MEMBER(name, params) decltype(&::name) name = nullptr;
  LUMCAP_FUNCTIONS(LUMCAP_MEMBER)
#undef LUMCAP_MEMBER
  HMODULE module = nullptr;
  int missing = 0;  // names that were not found
};

// The library of this build, loaded once for the test program.
const LumcapApi& Lumcap();

// Path of the library file of this build (backslashes).
std::wstring LumcapPath();

// Finds an export the way the main program does: "_Name", then
// "_Name@N" in the 32-bit build; the plain name in the 64-bit build.
FARPROC FindLumcapExport(HMODULE module, const char* name, int params);

// The cameras registered in the video input category while a test runs.
// Starts and ends with none.
class VirtualCameras {
 public:
  VirtualCameras();
  ~VirtualCameras();
  VirtualCameras(const VirtualCameras&) = delete;
  VirtualCameras& operator=(const VirtualCameras&) = delete;

  HRESULT Add(const wchar_t* friendlyName, const wchar_t* description = nullptr);
  HRESULT Remove(const wchar_t* friendlyName);
  HRESULT RemoveAll();

 private:
  HMODULE module_ = nullptr;
  VcamAddDeviceFn add_ = nullptr;
  VcamRemoveDeviceFn remove_ = nullptr;
  VcamRemoveAllDevicesFn removeAll_ = nullptr;
};

// Arrival or removal notice of a device interface of the given class, as
// WM_DEVICECHANGE carries it.
struct InterfaceNotice {
  explicit InterfaceNotice(const GUID& interfaceClass);
  LPARAM Param() const { return reinterpret_cast<LPARAM>(&record); }
  DEV_BROADCAST_DEVICEINTERFACE_W record;
};

// The kernel-streaming capture category of device interfaces.
extern const GUID kCaptureCategory;
