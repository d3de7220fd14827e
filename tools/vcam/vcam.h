// The virtual camera: a DirectShow video source filter in a small COM
// server, registered in the video input device category under names of
// the tests' choosing. Each camera gets its own class id from one family,
// so that every instance can later carry its own configuration under its
// class key.
#pragma once
#include <windows.h>

// Most cameras registered at once.
constexpr unsigned kVcamMaxCameras = 16;
// Longest camera name kept, terminator included.
constexpr unsigned kVcamNameChars = 128;

// Class id of camera `number` (1 .. kVcamMaxCameras; 0 is the server's own
// class, registered by DllRegisterServer).
CLSID VcamClassId(unsigned number);
// The camera number of a class id of the family, or -1.
int VcamNumberOf(REFCLSID clsid);

// Exports of the server (plain names in both builds):
//   HRESULT VcamAddDevice(const WCHAR* friendlyName, const WCHAR* description)
//     registers one more camera; description may be NULL (then the camera
//     has no "Description" value). E_INVALIDARG for an empty name,
//     E_OUTOFMEMORY when all numbers are taken.
//   HRESULT VcamRemoveDevice(const WCHAR* friendlyName)
//     removes every camera of that name (case ignored); S_FALSE when none.
//   HRESULT VcamRemoveAllDevices(void)
//   DllRegisterServer / DllUnregisterServer / DllGetClassObject / DllCanUnloadNow
using VcamAddDeviceFn = HRESULT(WINAPI*)(const WCHAR* friendlyName, const WCHAR* description);
using VcamRemoveDeviceFn = HRESULT(WINAPI*)(const WCHAR* friendlyName);
using VcamRemoveAllDevicesFn = HRESULT(WINAPI*)();

// Counts live objects and server locks for DllCanUnloadNow.
void VcamModuleAddRef();
void VcamModuleRelease();
