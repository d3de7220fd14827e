// The flat exported interface: every export makes its argument checks in
// the documented order and hands the work to the library's classes.
#include "capture/device_properties.h"
#include "capture/device_queries.h"
#include "capture/dib_section.h"
#include "capture/image_encoders.h"
#include "capture/library.h"
#include "capture/lumcap.h"
#include "capture/model.h"
#include "capture/results.h"
#include "capture/still_capture.h"
#include "capture/texts.h"

namespace {

// The single-threaded apartment the library initialises on the caller's
// thread.
constexpr DWORD kApartment = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE;

// Results of LumenoPlaySound.
constexpr int kSoundStarted = 0;
constexpr int kSoundNotStarted = 1;

bool IndexInRange(const LumenoLibrary& library, UINT32 index) { return index < library.devices.Count(); }

static_assert(kResultDeviceLost == LUMENO_E_DEVICE_LOST, "one code for a lost device");
static_assert(kResultUnsupportedPicture == LUMENO_E_UNSUPPORTED_PICTURE, "one code for a refused clipboard bitmap");

// Handle test and graph test of the exports that take the held picture:
// a picture taken before the device went away can still be saved.
HRESULT CheckDeviceRecord(LumenoDevice* handle, LumenoDevice** device) {
  *device = DeviceFromHandle(handle);
  if (!*device) return E_HANDLE;
  if (!(*device)->graph) return E_POINTER;
  return S_OK;
}

// The same for the exports that work on the device itself: a device that
// went away answers LUMENO_E_DEVICE_LOST at once.
HRESULT CheckDevice(LumenoDevice* handle, LumenoDevice** device) {
  HRESULT hr = CheckDeviceRecord(handle, device);
  if (FAILED(hr)) return hr;
  return (*device)->graph->CheckEvents();
}

HRESULT DeviceName(LumenoLibrary* handle, UINT32 index, Bstr& name) {
  LumenoLibrary* library = LibraryFromHandle(handle);
  if (!library) return E_HANDLE;
  if (!IndexInRange(*library, index)) return E_INVALIDARG;
  return ReadDeviceName(library->devices.At(index), name);
}

// Takes the device's held picture without arming: E_HANDLE when there
// is none.
HRESULT HeldPicture(LumenoDevice* device, CDIBSection& picture) {
  device->graph->Stills().Take(picture);
  return picture.IsEmpty() ? E_HANDLE : S_OK;
}

// Takes the held picture and hands it to `use`; when that fails, the
// picture goes back, so a failed save or copy can be tried again.
template <class Use>
HRESULT UseHeldPicture(LumenoDevice* device, Use use) {
  CDIBSection picture;
  HRESULT hr = HeldPicture(device, picture);
  if (FAILED(hr)) return hr;
  hr = use(picture);
  if (FAILED(hr)) device->graph->Stills().PutBack(picture);
  return hr;
}

// Arms, waits and takes (event mode only: E_POINTER without an event, before
// anything is armed).
HRESULT TriggeredPicture(LumenoDevice* handle, CDIBSection& picture) {
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  CStillCapture& stills = device->graph->Stills();
  if (!stills.HasEvent()) return E_POINTER;
  hr = device->graph->ArmTrigger();
  if (SUCCEEDED(hr)) hr = device->graph->WaitForStill(device->timeout);
  if (FAILED(hr)) return hr;
  return HeldPicture(device, picture);
}

}  // namespace

extern "C" {

HRESULT LUMENO_CALL LumenoInitialize(LumenoLibrary** libraryOut, UINT32 flags, UINT32* deviceCount) {
  return Guarded([&]() -> HRESULT {
    if (!libraryOut || *libraryOut) return E_INVALIDARG;
    std::unique_ptr<LumenoLibrary> library(new (std::nothrow) LumenoLibrary);
    if (!library) return E_OUTOFMEMORY;
    if (!(flags & LUMENO_INIT_KEEP_COM)) {
      // S_FALSE: the thread was initialised already; balanced all the same.
      HRESULT hr = CoInitializeEx(nullptr, kApartment);
      if (FAILED(hr)) return hr;
      library->comInitialised = TRUE;
    }
    HRESULT hr = EnumerateVideoInputDevices(library->devices);
    if (FAILED(hr)) return hr;
    if (deviceCount) *deviceCount = static_cast<UINT32>(library->devices.Count());
    *libraryOut = library.release();
    return S_OK;
  });
}

HRESULT LUMENO_CALL LumenoUninitialize(LumenoLibrary* handle) {
  delete LibraryFromHandle(handle);
  return S_OK;
}

HRESULT LUMENO_CALL LumenoEnableDeviceChangeNotifications(LumenoLibrary* handle, HWND window) {
  LumenoLibrary* library = LibraryFromHandle(handle);
  if (!library) return E_HANDLE;
  return window ? library->notification.Register(window) : library->notification.Unregister();
}

HRESULT LUMENO_CALL LumenoDeviceChange(LumenoLibrary* handle, WPARAM event, LPARAM header) {
  return Guarded([&]() -> HRESULT {
    LumenoLibrary* library = LibraryFromHandle(handle);
    if (!library) return E_HANDLE;
    if (!library->notification.Concerns(event, header)) return S_FALSE;
    library->devices.Clear();
    const HRESULT hr = EnumerateVideoInputDevices(library->devices);
    MarkUnlistedDevicesLost(*library);
    return hr;
  });
}

HRESULT LUMENO_CALL LumenoGetDeviceCount(LumenoLibrary* handle, UINT32* count) {
  if (!count) return E_INVALIDARG;
  LumenoLibrary* library = LibraryFromHandle(handle);
  if (!library) return E_HANDLE;
  *count = static_cast<UINT32>(library->devices.Count());
  return S_OK;
}

HRESULT LUMENO_CALL LumenoFindDeviceW(LumenoLibrary* handle, const WCHAR* name, BOOL prefix, UINT32* index) {
  return Guarded([&]() -> HRESULT {
    LumenoLibrary* library = LibraryFromHandle(handle);
    if (!library) return E_HANDLE;
    if (!name || !index) return E_INVALIDARG;
    return FindDevice(*library, name, prefix, index);
  });
}

HRESULT LUMENO_CALL LumenoFindDeviceA(LumenoLibrary* handle, const char* name, BOOL prefix, UINT32* index) {
  if (!name) return E_INVALIDARG;
  WCHAR wide[kDeviceNameChars];
  HRESULT hr = AnsiToWide(name, wide, kDeviceNameChars);
  if (FAILED(hr)) return hr;
  return LumenoFindDeviceW(handle, wide, prefix, index);
}

HRESULT LUMENO_CALL LumenoGetDeviceNameW(LumenoLibrary* handle, UINT32 index, WCHAR* buffer, UINT32 size) {
  return Guarded([&]() -> HRESULT {
    if (!buffer || size == 0) return E_INVALIDARG;
    Bstr name;
    HRESULT hr = DeviceName(handle, index, name);
    if (FAILED(hr)) return hr;
    CopyWideCut(buffer, size, name.Get());
    return S_OK;
  });
}

HRESULT LUMENO_CALL LumenoGetDeviceNameA(LumenoLibrary* handle, UINT32 index, char* buffer, UINT32 size) {
  return Guarded([&]() -> HRESULT {
    if (!buffer || size == 0) return E_INVALIDARG;
    Bstr name;
    HRESULT hr = DeviceName(handle, index, name);
    if (FAILED(hr)) return hr;
    return WideToAnsi(name.Get(), buffer, size);
  });
}

HRESULT LUMENO_CALL LumenoGetDeviceCaps(LumenoLibrary* handle, UINT32 index, UINT32* caps) {
  if (!caps) return E_INVALIDARG;
  LumenoLibrary* library = LibraryFromHandle(handle);
  if (!library) return E_HANDLE;
  if (!IndexInRange(*library, index)) return E_INVALIDARG;
  return Guarded([&] { return QueryDeviceCaps(library->devices.At(index), caps); });
}

HRESULT LUMENO_CALL LumenoGetDeviceResolutions(LumenoLibrary* handle, UINT32 index, UINT32 flags,
                                               LumenoResolutionList* list, UINT32* size) {
  if (!size) return E_INVALIDARG;
  LumenoLibrary* library = LibraryFromHandle(handle);
  if (!library) return E_HANDLE;
  if (!IndexInRange(*library, index)) return E_INVALIDARG;
  return Guarded([&] { return QueryDeviceResolutions(library->devices.At(index), flags, list, size); });
}

HRESULT LUMENO_CALL LumenoOpenDevice(LumenoLibrary* handle, UINT32 index, LumenoOpenParams* params,
                                     LumenoDevice** device) {
  if (!params || !device) return E_INVALIDARG;
  LumenoLibrary* library = LibraryFromHandle(handle);
  if (!library) return E_HANDLE;
  if (!IndexInRange(*library, index)) return E_INVALIDARG;
  return Guarded([&]() -> HRESULT {
    std::unique_ptr<LumenoDevice> record(new (std::nothrow) LumenoDevice);
    if (!record) return E_OUTOFMEMORY;
    IMoniker* moniker = library->devices.At(index);
    HRESULT hr = OpenDeviceGraph(moniker, params, &record->graph);
    if (FAILED(hr)) return hr;
    record->moniker = ComPtr<IMoniker>::Share(moniker);
    record->notifyMessage = params->notifyMessage;
    record->timeout = params->timeout;
    AttachDevice(*library, record.get());
    *device = record.release();
    return S_OK;
  });
}

HRESULT LUMENO_CALL LumenoGetDeviceIndex(LumenoDevice* handle, UINT32* index) {
  LumenoDevice* device = DeviceFromHandle(handle);
  if (!device) return E_HANDLE;
  LumenoLibrary* library = LibraryFromHandle(device->library);
  if (!library) return E_POINTER;
  if (!index) return E_INVALIDARG;
  if (!device->moniker) return S_FALSE;
  for (std::size_t i = 0; i < library->devices.Count(); ++i) {
    if (device->moniker->IsEqual(library->devices.At(i)) == S_OK) {
      *index = static_cast<UINT32>(i);
      return S_OK;
    }
  }
  return S_FALSE;
}

HRESULT LUMENO_CALL LumenoCloseDevice(LumenoDevice* handle) {
  LumenoDevice* device = DeviceFromHandle(handle);
  if (!device) return E_HANDLE;
  DetachDevice(device);
  delete device;
  return S_OK;
}

HRESULT LUMENO_CALL LumenoGetDeviceProperty(LumenoDevice* handle, UINT32 id, LumenoPropertyInfo* info) {
  if (!info) return E_INVALIDARG;
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  // Device errors are swallowed: only a missing interface shows.
  return Guarded([&] { return ReadDeviceProperty(device->graph->Source(), id, info) == E_POINTER ? S_FALSE : S_OK; });
}

HRESULT LUMENO_CALL LumenoSetDeviceProperty(LumenoDevice* handle, UINT32 id, INT32 value, UINT32 flags) {
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  return Guarded([&] { return WriteDeviceProperty(device->graph->Source(), id, value, flags); });
}

HRESULT LUMENO_CALL LumenoGetCaptureCaps(LumenoDevice* handle, UINT32* caps) {
  if (!caps) return E_INVALIDARG;
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  return Guarded([&] {
    *caps = CaptureCaps(*device->graph);
    return S_OK;
  });
}

HRESULT LUMENO_CALL LumenoFlipCapture(LumenoDevice* handle, UINT32 mode) {
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  return Guarded([&] { return FlipCapture(*device->graph, mode); });
}

HRESULT LUMENO_CALL LumenoSetPreviewPosition(LumenoDevice* handle, const RECT* rect) {
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  if (!device->graph->HasPreviewWindow()) return E_POINTER;
  if (!rect) return E_INVALIDARG;
  return device->graph->PlacePreview(*rect);
}

HRESULT LUMENO_CALL LumenoShowPreview(LumenoDevice* handle, BOOL show) {
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  return device->graph->ShowPreview(show != FALSE);
}

HRESULT LUMENO_CALL LumenoPausePreview(LumenoDevice* handle, BOOL pause) {
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  return Guarded([&] { return device->graph->PauseOrRun(pause != FALSE); });
}

HRESULT LUMENO_CALL LumenoIsPreviewPaused(LumenoDevice* handle) {
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  return device->graph->Paused() ? S_OK : S_FALSE;
}

HRESULT LUMENO_CALL LumenoGetInputCount(LumenoDevice* handle, UINT32* count) {
  if (!DeviceFromHandle(handle)) return E_HANDLE;
  if (!count) return E_INVALIDARG;
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  *count = static_cast<UINT32>(device->graph->InputCount());
  return S_OK;
}

HRESULT LUMENO_CALL LumenoGetInputNameW(LumenoDevice* handle, INT32 index, WCHAR* buffer, UINT32 size) {
  if (!buffer || size == 0) return E_INVALIDARG;
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  return InputName(*device->graph, index, buffer, size);
}

HRESULT LUMENO_CALL LumenoGetInputNameA(LumenoDevice* handle, INT32 index, char* buffer, UINT32 size) {
  if (!buffer || size == 0) return E_INVALIDARG;
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  WCHAR name[kDeviceNameChars];
  hr = InputName(*device->graph, index, name, kDeviceNameChars);
  if (FAILED(hr)) return hr;
  return WideToAnsi(name, buffer, size);
}

HRESULT LUMENO_CALL LumenoSetInput(LumenoDevice* handle, INT32 index) {
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  return Guarded([&] { return device->graph->SelectInput(index); });
}

HRESULT LUMENO_CALL LumenoTrigger(LumenoDevice* handle) {
  return Guarded([&]() -> HRESULT {
    LumenoDevice* device = nullptr;
    HRESULT hr = CheckDevice(handle, &device);
    if (FAILED(hr)) return hr;
    hr = device->graph->ArmTrigger();
    if (SUCCEEDED(hr) && device->notifyMessage == 0) hr = device->graph->WaitForStill(device->timeout);
    return FAILED(hr) ? hr : S_OK;
  });
}

HRESULT LUMENO_CALL LumenoWaitForTrigger(LumenoDevice* handle) {
  return Guarded([&]() -> HRESULT {
    LumenoDevice* device = nullptr;
    HRESULT hr = CheckDevice(handle, &device);
    if (FAILED(hr)) return hr;
    return device->graph->WaitForStill(device->timeout);
  });
}

HRESULT LUMENO_CALL LumenoGetSample(LumenoDevice* handle, HBITMAP* bitmap) {
  return Guarded([&]() -> HRESULT {
    if (!bitmap) return E_INVALIDARG;
    CDIBSection picture;
    HRESULT hr = TriggeredPicture(handle, picture);
    if (FAILED(hr)) return hr;
    return picture.CopyBitmap(bitmap);  // the taken one goes with `picture`
  });
}

HRESULT LUMENO_CALL LumenoGetSampleAsDIB(LumenoDevice* handle, HGLOBAL* dib) {
  return Guarded([&]() -> HRESULT {
    if (!dib) return E_INVALIDARG;
    CDIBSection picture;
    HRESULT hr = TriggeredPicture(handle, picture);
    if (FAILED(hr)) return hr;
    return picture.PackedDib(dib);
  });
}

HRESULT LUMENO_CALL LumenoCopyNewestFrame(LumenoDevice* handle, BITMAPINFOHEADER* header, void* pixels, UINT32 size) {
  if (!header) return E_INVALIDARG;
  return Guarded([&]() -> HRESULT {
    LumenoDevice* device = nullptr;
    HRESULT hr = CheckDevice(handle, &device);
    if (FAILED(hr)) return hr;
    return device->graph->Stills().CopyNewest(header, pixels, size);
  });
}

HRESULT LUMENO_CALL LumenoSaveSampleToFileW(LumenoDevice* handle, const WCHAR* path, INT32 quality) {
  return Guarded([&]() -> HRESULT {
    if (!path) return E_INVALIDARG;
    LumenoDevice* device = nullptr;
    HRESULT hr = CheckDeviceRecord(handle, &device);
    if (FAILED(hr)) return hr;
    // What can be checked before the picture is taken is checked first; a
    // save that fails later puts it back.
    if (quality > kQualityMax) return E_INVALIDARG;
    hr = CheckEncoderFor(path);
    if (FAILED(hr)) return hr;
    return UseHeldPicture(device, [&](CDIBSection& picture) { return picture.Save(path, quality); });
  });
}

HRESULT LUMENO_CALL LumenoSaveSampleToFileA(LumenoDevice* handle, const char* path, INT32 quality) {
  if (!path) return E_INVALIDARG;
  WCHAR wide[kPathChars];
  HRESULT hr = AnsiToWide(path, wide, kPathChars);
  if (FAILED(hr)) return hr;
  return LumenoSaveSampleToFileW(handle, wide, quality);
}

HRESULT LUMENO_CALL LumenoSaveBitmapToFileW(HBITMAP bitmap, const WCHAR* path, INT32 quality, BOOL deleteBitmap) {
  return Guarded([&]() -> HRESULT {
    if (!bitmap || !path) return E_INVALIDARG;
    if (quality > kQualityMax) return E_INVALIDARG;
    CDIBSection picture;
    HRESULT hr = picture.Adopt(bitmap);
    if (FAILED(hr)) return hr;
    hr = picture.Save(path, quality);
    // Deleted only when asked and saved: a failed save leaves the caller
    // the only copy, untouched.
    if (!deleteBitmap || FAILED(hr)) picture.Release();
    return hr;
  });
}

HRESULT LUMENO_CALL LumenoSaveBitmapToFileA(HBITMAP bitmap, const char* path, INT32 quality, BOOL deleteBitmap) {
  if (!bitmap || !path) return E_INVALIDARG;
  WCHAR wide[kPathChars];
  HRESULT hr = AnsiToWide(path, wide, kPathChars);
  if (FAILED(hr)) return hr;
  return LumenoSaveBitmapToFileW(bitmap, wide, quality, deleteBitmap);
}

HRESULT LUMENO_CALL LumenoCopySampleToClipboard(LumenoDevice* handle) {
  return Guarded([&]() -> HRESULT {
    LumenoDevice* device = nullptr;
    HRESULT hr = CheckDeviceRecord(handle, &device);
    if (FAILED(hr)) return hr;
    return UseHeldPicture(device, [](CDIBSection& picture) { return CopyPictureToClipboard(picture); });
  });
}

HRESULT LUMENO_CALL LumenoCopyBitmapToClipboard(HBITMAP bitmap) {
  return Guarded([&]() -> HRESULT {
    if (!bitmap) return E_INVALIDARG;
    CDIBSection picture;  // consumes the bitmap once adopted
    HRESULT hr = picture.Adopt(bitmap);
    if (FAILED(hr)) return hr;
    return CopyPictureToClipboard(picture);
  });
}

HRESULT LUMENO_CALL LumenoGetBitmapFromClipboard(HBITMAP* bitmap) {
  return Guarded([&]() -> HRESULT {
    if (!bitmap) return E_INVALIDARG;
    return PictureFromClipboard(bitmap);
  });
}

HRESULT LUMENO_CALL LumenoGetUvcProperty(LumenoDevice* handle, const GUID* propertySet, UINT32 selector, void* data,
                                         UINT32 size) {
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  if (!data || !propertySet) return E_INVALIDARG;
  return Guarded(
      [&] { return ExtensionUnitControl(device->graph->Source(), *propertySet, selector, data, size, false); });
}

HRESULT LUMENO_CALL LumenoSetUvcProperty(LumenoDevice* handle, const GUID* propertySet, UINT32 selector, void* data,
                                         UINT32 size) {
  LumenoDevice* device = nullptr;
  HRESULT hr = CheckDevice(handle, &device);
  if (FAILED(hr)) return hr;
  if (!data || !propertySet) return E_INVALIDARG;
  return Guarded(
      [&] { return ExtensionUnitControl(device->graph->Source(), *propertySet, selector, data, size, true); });
}

HRESULT LUMENO_CALL LumenoGetErrorW(HRESULT error, WCHAR* buffer, UINT32 size) {
  if (!buffer || size == 0) return E_INVALIDARG;
  WCHAR text[kErrorTextChars];
  HRESULT hr = BuildErrorText(error, text, kErrorTextChars);
  if (FAILED(hr)) return hr;
  CopyWideCut(buffer, size, text);
  return S_OK;
}

HRESULT LUMENO_CALL LumenoGetErrorA(HRESULT error, char* buffer, UINT32 size) {
  if (!buffer || size == 0) return E_INVALIDARG;
  WCHAR text[kErrorTextChars];
  HRESULT hr = BuildErrorText(error, text, kErrorTextChars);
  if (FAILED(hr)) return hr;
  return WideToAnsi(text, buffer, size);
}

HRESULT LUMENO_CALL LumenoSubtypeToStringW(const GUID* subtype, BOOL friendly, WCHAR* buffer, UINT32 size) {
  if (!buffer || size == 0 || !subtype) return E_INVALIDARG;
  WCHAR name[kSubtypeNameChars];
  SubtypeName(*subtype, friendly, name);
  CopyWideCut(buffer, size, name);
  return S_OK;
}

HRESULT LUMENO_CALL LumenoSubtypeToStringA(const GUID* subtype, BOOL friendly, char* buffer, UINT32 size) {
  if (!buffer || size == 0 || !subtype) return E_INVALIDARG;
  WCHAR name[kSubtypeNameChars];
  SubtypeName(*subtype, friendly, name);
  return WideToAnsi(name, buffer, size);
}

int LUMENO_CALL LumenoPlaySound(void) { return PlayShutterSound() ? kSoundStarted : kSoundNotStarted; }

}  // extern "C"
