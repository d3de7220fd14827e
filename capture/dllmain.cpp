#include "capture/still_capture.h"
#include "capture/texts.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    SetLibraryModule(instance);  // the shutter sound and the connector names
    InstallErrorTextHook();
  }
  return TRUE;
}
