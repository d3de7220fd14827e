// The camera's Video for Windows codec: decompresses YUY2 and MJPG (MJPG
// through WIC) to 24- or 32-bit RGB, so that the test prefix, which has no
// decoder for either, can run such cameras through Wine's AVI decompressor
// and the library's own decompressor lookup. Registered as "vidc.YUY2" and
// "vidc.MJPG" under Drivers32, where codec lookup finds it.
#pragma once
#include <windows.h>
#include <mmsystem.h>

HRESULT VcamRegisterCodec(const WCHAR* modulePath);
HRESULT VcamUnregisterCodec();

// Exported as DriverProc.
extern "C" LRESULT WINAPI DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM param1, LPARAM param2);
