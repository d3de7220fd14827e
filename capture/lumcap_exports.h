// The exports of the capture library, listed once for the whole tree: the
// build makes the library's module-definition file from this list
// (capture/lumcap.cmake reads the X(...) items), the program binds its
// entry points from it and the tests check the library's export table
// against it.
//
// X(name, parameters, bound): the 32-bit build exports "_name@N" with
// N = 4 x parameters, the 64-bit build the plain name; bound is 1 for the
// exports the program resolves when it loads the library, in this order.
#pragma once

#define LUMCAP_EXPORTS(X)                        \
  X(LumenoInitialize, 3, 1)                      \
  X(LumenoUninitialize, 1, 1)                    \
  X(LumenoEnableDeviceChangeNotifications, 2, 1) \
  X(LumenoDeviceChange, 3, 1)                    \
  X(LumenoGetDeviceCount, 2, 1)                  \
  X(LumenoFindDeviceA, 4, 1)                     \
  X(LumenoFindDeviceW, 4, 1)                     \
  X(LumenoGetDeviceNameA, 4, 1)                  \
  X(LumenoGetDeviceNameW, 4, 1)                  \
  X(LumenoGetDeviceCaps, 3, 1)                   \
  X(LumenoGetDeviceResolutions, 5, 1)            \
  X(LumenoOpenDevice, 4, 1)                      \
  X(LumenoGetDeviceIndex, 2, 1)                  \
  X(LumenoCloseDevice, 1, 1)                     \
  X(LumenoGetDeviceProperty, 3, 1)               \
  X(LumenoSetDeviceProperty, 4, 1)               \
  X(LumenoGetCaptureCaps, 2, 1)                  \
  X(LumenoFlipCapture, 2, 1)                     \
  X(LumenoSetPreviewPosition, 2, 1)              \
  X(LumenoShowPreview, 2, 1)                     \
  X(LumenoPausePreview, 2, 1)                    \
  X(LumenoIsPreviewPaused, 1, 1)                 \
  X(LumenoGetInputCount, 2, 1)                   \
  X(LumenoGetInputNameA, 4, 1)                   \
  X(LumenoGetInputNameW, 4, 0)                   \
  X(LumenoSetInput, 2, 1)                        \
  X(LumenoTrigger, 1, 1)                         \
  X(LumenoWaitForTrigger, 1, 1)                  \
  X(LumenoGetSample, 2, 1)                       \
  X(LumenoGetSampleAsDIB, 2, 1)                  \
  X(LumenoSaveSampleToFileA, 3, 1)               \
  X(LumenoSaveSampleToFileW, 3, 1)               \
  X(LumenoSaveBitmapToFileA, 4, 1)               \
  X(LumenoSaveBitmapToFileW, 4, 1)               \
  X(LumenoCopySampleToClipboard, 1, 1)           \
  X(LumenoCopyBitmapToClipboard, 1, 1)           \
  X(LumenoGetBitmapFromClipboard, 1, 1)          \
  X(LumenoGetUvcProperty, 5, 1)                  \
  X(LumenoSetUvcProperty, 5, 1)                  \
  X(LumenoGetErrorA, 3, 1)                       \
  X(LumenoGetErrorW, 3, 1)                       \
  X(LumenoSubtypeToStringA, 4, 1)                \
  X(LumenoSubtypeToStringW, 4, 1)                \
  X(LumenoPlaySound, 0, 1)                       \
  X(LumenoCopyNewestFrame, 4, 1)

// Expands its arguments for a bound export only: LUMCAP_IF_BOUND_##bound(...).
#define LUMCAP_IF_BOUND_1(...) __VA_ARGS__
#define LUMCAP_IF_BOUND_0(...)

#define LUMCAP_COUNT_ONE(name, params, bound) +1
#define LUMCAP_COUNT_BOUND(name, params, bound) +bound
constexpr int kLumcapExportCount = 0 LUMCAP_EXPORTS(LUMCAP_COUNT_ONE);
constexpr int kLumcapBoundCount = 0 LUMCAP_EXPORTS(LUMCAP_COUNT_BOUND);
#undef LUMCAP_COUNT_ONE
#undef LUMCAP_COUNT_BOUND

// Bytes of the arguments of an export in the 32-bit build.
constexpr int LumcapArgumentBytes(int parameters) { return 4 * parameters; }
