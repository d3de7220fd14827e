// The capture library bound at run time: `CaptureModule` holds the library
// loaded from the program folder and its 43 bound entry points, resolved by
// name in the order of the one export list (capture/lumcap_exports.h). The
// program runs on without the library; every call goes through a slot that
// is tested first.
#pragma once
#include <windows.h>

#include <cstdint>

#include "base/optional_library.h"
#include "camera/capture_names.h"
#include "capture/lumcap.h"

struct CaptureModule {
  OptionalLibrary library;                // handle, path, count of names not found
  FARPROC procs[kCaptureProcCount] = {};  // each filled or empty
};

// Loads the library of the program's own bitness from folder + its file
// name and fills the table: 0 every name resolved, kLibraryNotLoaded (-99)
// the file could not be loaded, n > 0 the names resolved under no form.
std::int32_t LoadCapture(CaptureModule& capture, const char* folder);

// The entry point of a bare name ("LumenoOpenDevice") with its argument
// bytes; null when no form of it is exported or nothing is loaded.
FARPROC GetCaptureProc(const CaptureModule& capture, const char* name, int bytes);

// The slot of an entry point as its declared type; null when empty.
template <typename Fn>
Fn CaptureProc(const CaptureModule& capture, CaptureProcIndex index) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(capture.procs[index]));
}
#define CAPTURE_PROC(capture, name) CaptureProc<decltype(&name)>(capture, kCaptureProc_##name)

// Start-up: LoadCapture, logged as "LUMCAP geladen" or "Err: beim Laden von
// LUMCAP <result>"; after a load, LumenoInitialize (the library initialises
// COM on the calling thread), a failure logged as "LC Init Fehler: <hr>".
// `library` receives the library handle; the result is LoadCapture's, and
// `initialised` says whether the library can be used.
std::int32_t StartCapture(CaptureModule& capture, const char* folder, LumenoLibrary** library, bool& initialised);

// Shutdown, in this order: the device-change registration removed, the
// device closed (a null device is answered with the library's handle error,
// which is of no interest), the library uninitialised. The library itself
// stays loaded until the process ends.
void StopCapture(const CaptureModule& capture, LumenoLibrary* library, LumenoDevice* device);
