#include "camera/capture_module.h"

#include "base/library_files.h"
#include "base/log.h"

std::int32_t LoadCapture(CaptureModule& capture, const char* folder) {
  return LoadOptionalLibrary(capture.library, folder, kCaptureLibraryFile, kCaptureProcNames, kCaptureProcCount,
                             kCaptureNameRule, capture.procs);
}

FARPROC GetCaptureProc(const CaptureModule& capture, const char* name, int bytes) {
  return FindProc(capture.library.module.Get(), ProcName{name, bytes}, kCaptureNameRule);
}

std::int32_t StartCapture(CaptureModule& capture, const char* folder, LumenoLibrary** library, bool& initialised) {
  initialised = false;
  *library = nullptr;
  const std::int32_t result = LoadCapture(capture, folder);
  if (result != 0) {
    LogWrite("Err: beim Laden von LUMCAP %d", static_cast<int>(result));
    return result;
  }
  LogWrite("LUMCAP geladen");
  const HRESULT hr = CAPTURE_PROC(capture, LumenoInitialize)(library, 0, nullptr);
  if (FAILED(hr)) {
    LogWrite("LC Init Fehler: %d", static_cast<int>(hr));
    *library = nullptr;
    return result;
  }
  initialised = true;
  return result;
}

void StopCapture(const CaptureModule& capture, LumenoLibrary* library, LumenoDevice* device) {
  CAPTURE_PROC(capture, LumenoEnableDeviceChangeNotifications)(library, nullptr);
  CAPTURE_PROC(capture, LumenoCloseDevice)(device);
  CAPTURE_PROC(capture, LumenoUninitialize)(library);
}
