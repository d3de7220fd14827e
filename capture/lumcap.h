/* lumcap: the video capture devices of the machine behind a flat C interface.
 *
 * Built as lumcap64.dll (x86_64) and lumcap32.dll (i686). The 32-bit build
 * uses the standard-call convention and exports every function under its
 * decorated name "_Name@N" (N = 4 x the parameters); the 64-bit build
 * exports the plain names. Callers bind the functions at run time.
 *
 * Every function but LumenoPlaySound returns an HRESULT. Handles are opaque:
 * a LumenoLibrary comes from LumenoInitialize, a LumenoDevice from
 * LumenoOpenDevice. ANSI (A) functions use the thread's ANSI code page and
 * take buffer sizes in bytes; wide (W) functions take sizes in characters.
 * Every text output is NUL-terminated.
 */
#ifndef LUMCAP_H
#define LUMCAP_H

#include <windows.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define LUMENO_CALL WINAPI

typedef struct LumenoLibrary LumenoLibrary;
typedef struct LumenoDevice LumenoDevice;

/* LumenoInitialize flags */
#define LUMENO_INIT_KEEP_COM 0x1u /* the caller has initialised COM itself */

/* LumenoOpenParams.flags */
#define LUMENO_OPEN_STILL_PIN 0x1u /* take stills from the device's still pin */

/* LumenoGetDeviceCaps bits */
#define LUMENO_CAPS_STILL_PIN 0x1u
#define LUMENO_CAPS_CAMERA_TERMINAL 0x2u

/* LumenoGetDeviceResolutions flags */
#define LUMENO_RESOLUTIONS_STILL_PIN 0x1u

/* LumenoFlipCapture modes */
#define LUMENO_FLIP_HORIZONTAL 0x1u
#define LUMENO_FLIP_VERTICAL 0x2u

/* Property ids: class in the high 16 bits, property number in the low 16 */
#define LUMENO_PROPERTY_VIDEO_PROC_AMP 0x00010000u
#define LUMENO_PROPERTY_CAMERA_CONTROL 0x00020000u
#define LUMENO_PROPERTY_FLAGS_AUTO 1
#define LUMENO_PROPERTY_FLAGS_MANUAL 2

/* Wait for a still picture when LumenoOpenParams.timeout is 0 */
#define LUMENO_DEFAULT_TIMEOUT_MS 30000u

/* No still picture arrived in time: HRESULT_FROM_WIN32(ERROR_TIMEOUT) */
#define LUMENO_E_TIMEOUT ((HRESULT)0x800705B4L)

#pragma pack(push, 4)
/* In/out record of LumenoOpenDevice. 48 bytes in the 32-bit build, 52 in
 * the 64-bit build (the window handle is 8 bytes there). */
typedef struct LumenoOpenParams {
  HWND ownerWindow;     /* parent of the preview; NULL: no preview window */
  UINT32 notifyMessage; /* nonzero: message posted for every still picture */
  UINT32 flags;         /* LUMENO_OPEN_STILL_PIN; cleared without still pin */
  UINT32 timeout;       /* ms to wait for a still; 0 means 30000 */
  INT32 width;          /* wanted / in force */
  INT32 height;         /* wanted (positive) / in force */
  INT32 frameRate;      /* frames per second; 0 keeps the device's */
  UINT16 bitCount;      /* out: bits per pixel in force */
  UINT16 reserved;
  GUID subtype; /* all zero: keep the pin's subtype */
} LumenoOpenParams;
#pragma pack(pop)

/* One format range that a device offers (52 bytes). */
typedef struct LumenoResolution {
  INT32 minWidth;
  INT32 minHeight;
  INT32 maxWidth;
  INT32 maxHeight;
  INT32 widthGranularity;
  INT32 heightGranularity;
  INT32 minFrameRate;
  INT32 maxFrameRate;
  UINT16 bitCount;
  UINT16 reserved;
  GUID subtype;
} LumenoResolution;

/* Buffer of LumenoGetDeviceResolutions: 4 + 52 x count bytes. */
typedef struct LumenoResolutionList {
  UINT32 count;
  LumenoResolution items[1];
} LumenoResolutionList;

/* Output of LumenoGetDeviceProperty. Flags: 1 automatic, 2 manual. */
typedef struct LumenoPropertyInfo {
  INT32 value;
  INT32 flags;
  INT32 minimum;
  INT32 maximum;
  INT32 step;
  INT32 defaultValue;
  INT32 capsFlags;
} LumenoPropertyInfo;

#if defined(__cplusplus)
#define LUMCAP_STATIC_ASSERT(c, m) static_assert(c, m)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define LUMCAP_STATIC_ASSERT(c, m) _Static_assert(c, m)
#else
#define LUMCAP_CONCAT2(a, b) a##b
#define LUMCAP_CONCAT(a, b) LUMCAP_CONCAT2(a, b)
#define LUMCAP_STATIC_ASSERT(c, m) typedef char LUMCAP_CONCAT(lumcap_size_check_, __LINE__)[(c) ? 1 : -1]
#endif
#if defined(_WIN64)
LUMCAP_STATIC_ASSERT(sizeof(LumenoOpenParams) == 52, "LumenoOpenParams is 52 bytes in 64-bit");
LUMCAP_STATIC_ASSERT(offsetof(LumenoOpenParams, subtype) == 36, "the subtype starts at byte 36 in 64-bit");
#else
LUMCAP_STATIC_ASSERT(sizeof(void*) == 4 && sizeof(HWND) == 4, "a 32-bit build");
LUMCAP_STATIC_ASSERT(sizeof(LumenoOpenParams) == 48, "LumenoOpenParams is 48 bytes in 32-bit");
LUMCAP_STATIC_ASSERT(offsetof(LumenoOpenParams, subtype) == 32, "the subtype starts at byte 32 in 32-bit");
#endif
LUMCAP_STATIC_ASSERT(offsetof(LumenoOpenParams, bitCount) + 4 == offsetof(LumenoOpenParams, subtype),
                     "bit count and reserved word before the subtype");
LUMCAP_STATIC_ASSERT(sizeof(LumenoResolution) == 52, "LumenoResolution is 52 bytes");
LUMCAP_STATIC_ASSERT(offsetof(LumenoResolution, subtype) == 36, "the subtype ends the 52 bytes");
LUMCAP_STATIC_ASSERT(offsetof(LumenoResolutionList, items) == 4 && sizeof(LumenoResolutionList) == 4 + 52,
                     "a list is 4 + 52 x count bytes");
LUMCAP_STATIC_ASSERT(sizeof(LumenoPropertyInfo) == 28, "LumenoPropertyInfo is 7 values");

/* Library context and devices */
HRESULT LUMENO_CALL LumenoInitialize(LumenoLibrary** library, UINT32 flags, UINT32* deviceCount);
HRESULT LUMENO_CALL LumenoUninitialize(LumenoLibrary* library);
HRESULT LUMENO_CALL LumenoEnableDeviceChangeNotifications(LumenoLibrary* library, HWND window);
/* event and header: the wParam and lParam of WM_DEVICECHANGE */
HRESULT LUMENO_CALL LumenoDeviceChange(LumenoLibrary* library, WPARAM event, LPARAM header);
HRESULT LUMENO_CALL LumenoGetDeviceCount(LumenoLibrary* library, UINT32* count);
HRESULT LUMENO_CALL LumenoFindDeviceA(LumenoLibrary* library, const char* name, BOOL prefix, UINT32* index);
HRESULT LUMENO_CALL LumenoFindDeviceW(LumenoLibrary* library, const WCHAR* name, BOOL prefix, UINT32* index);
HRESULT LUMENO_CALL LumenoGetDeviceNameA(LumenoLibrary* library, UINT32 index, char* buffer, UINT32 size);
HRESULT LUMENO_CALL LumenoGetDeviceNameW(LumenoLibrary* library, UINT32 index, WCHAR* buffer, UINT32 size);
HRESULT LUMENO_CALL LumenoGetDeviceCaps(LumenoLibrary* library, UINT32 index, UINT32* caps);
HRESULT LUMENO_CALL LumenoGetDeviceResolutions(LumenoLibrary* library, UINT32 index, UINT32 flags,
                                               LumenoResolutionList* list, UINT32* size);
HRESULT LUMENO_CALL LumenoOpenDevice(LumenoLibrary* library, UINT32 index, LumenoOpenParams* params,
                                     LumenoDevice** device);
HRESULT LUMENO_CALL LumenoGetDeviceIndex(LumenoDevice* device, UINT32* index);
HRESULT LUMENO_CALL LumenoCloseDevice(LumenoDevice* device);

/* Open device: properties, preview, inputs */
HRESULT LUMENO_CALL LumenoGetDeviceProperty(LumenoDevice* device, UINT32 id, LumenoPropertyInfo* info);
HRESULT LUMENO_CALL LumenoSetDeviceProperty(LumenoDevice* device, UINT32 id, INT32 value, UINT32 flags);
HRESULT LUMENO_CALL LumenoGetCaptureCaps(LumenoDevice* device, UINT32* caps);
HRESULT LUMENO_CALL LumenoFlipCapture(LumenoDevice* device, UINT32 mode);
HRESULT LUMENO_CALL LumenoSetPreviewPosition(LumenoDevice* device, const RECT* rect);
HRESULT LUMENO_CALL LumenoShowPreview(LumenoDevice* device, BOOL show);
HRESULT LUMENO_CALL LumenoPausePreview(LumenoDevice* device, BOOL pause);
HRESULT LUMENO_CALL LumenoIsPreviewPaused(LumenoDevice* device);
HRESULT LUMENO_CALL LumenoGetInputCount(LumenoDevice* device, UINT32* count);
/* index < 0: the current input */
HRESULT LUMENO_CALL LumenoGetInputNameA(LumenoDevice* device, INT32 index, char* buffer, UINT32 size);
HRESULT LUMENO_CALL LumenoGetInputNameW(LumenoDevice* device, INT32 index, WCHAR* buffer, UINT32 size);
HRESULT LUMENO_CALL LumenoSetInput(LumenoDevice* device, INT32 index);

/* Still pictures, image files, clipboard */
HRESULT LUMENO_CALL LumenoTrigger(LumenoDevice* device);
HRESULT LUMENO_CALL LumenoWaitForTrigger(LumenoDevice* device);
HRESULT LUMENO_CALL LumenoGetSample(LumenoDevice* device, HBITMAP* bitmap);
HRESULT LUMENO_CALL LumenoGetSampleAsDIB(LumenoDevice* device, HGLOBAL* dib);
/* quality: 0 to 100, negative for the encoder's default */
HRESULT LUMENO_CALL LumenoSaveSampleToFileA(LumenoDevice* device, const char* path, INT32 quality);
HRESULT LUMENO_CALL LumenoSaveSampleToFileW(LumenoDevice* device, const WCHAR* path, INT32 quality);
HRESULT LUMENO_CALL LumenoSaveBitmapToFileA(HBITMAP bitmap, const char* path, INT32 quality, BOOL deleteBitmap);
HRESULT LUMENO_CALL LumenoSaveBitmapToFileW(HBITMAP bitmap, const WCHAR* path, INT32 quality, BOOL deleteBitmap);
HRESULT LUMENO_CALL LumenoCopySampleToClipboard(LumenoDevice* device);
/* consumes the bitmap */
HRESULT LUMENO_CALL LumenoCopyBitmapToClipboard(HBITMAP bitmap);
HRESULT LUMENO_CALL LumenoGetBitmapFromClipboard(HBITMAP* bitmap);

/* Extension-unit controls */
HRESULT LUMENO_CALL LumenoGetUvcProperty(LumenoDevice* device, const GUID* propertySet, UINT32 selector, void* data,
                                         UINT32 size);
HRESULT LUMENO_CALL LumenoSetUvcProperty(LumenoDevice* device, const GUID* propertySet, UINT32 selector, void* data,
                                         UINT32 size);

/* Texts, without a handle */
HRESULT LUMENO_CALL LumenoGetErrorA(HRESULT error, char* buffer, UINT32 size);
HRESULT LUMENO_CALL LumenoGetErrorW(HRESULT error, WCHAR* buffer, UINT32 size);
HRESULT LUMENO_CALL LumenoSubtypeToStringA(const GUID* subtype, BOOL friendly, char* buffer, UINT32 size);
HRESULT LUMENO_CALL LumenoSubtypeToStringW(const GUID* subtype, BOOL friendly, WCHAR* buffer, UINT32 size);

/* 0 when the shutter sound started, 1 when it did not (not an HRESULT) */
int LUMENO_CALL LumenoPlaySound(void);

#ifdef __cplusplus
}
#endif

#endif /* LUMCAP_H */
