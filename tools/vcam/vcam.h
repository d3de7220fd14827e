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
//   HRESULT VcamAddDeviceEx(const WCHAR* friendlyName, const WCHAR* description, const WCHAR* config)
//     as VcamAddDevice, with the camera's configuration text (formats, still
//     pin, properties, topology; see vcam_config.h). NULL: the default camera.
//   HRESULT VcamObserve(const WCHAR* friendlyName, VcamObservation* out)
//     what the filters of that camera were told and did, in this process or
//     in another one that has the server loaded at the same time;
//     S_FALSE when no filter of that camera was made yet.
//   HRESULT VcamPressButton(const WCHAR* friendlyName)
//     the camera's still button: one still frame from every live filter.
//   HRESULT VcamUnplugDevice(const WCHAR* friendlyName)
//     the camera is pulled out: it leaves the video input category, and its
//     live filters, in every process, stop sending frames and tell their
//     graph EC_DEVICE_LOST (second parameter 0). They stay dead.
//   HRESULT VcamPlugDevice(const WCHAR* friendlyName)
//     the camera is put back: listed again with its name, description and
//     configuration; the filters that lost it tell their graph
//     EC_DEVICE_LOST with 1 (the device is there again).
using VcamAddDeviceFn = HRESULT(WINAPI*)(const WCHAR* friendlyName, const WCHAR* description);
using VcamAddDeviceExFn = HRESULT(WINAPI*)(const WCHAR* friendlyName, const WCHAR* description, const WCHAR* config);
using VcamRemoveDeviceFn = HRESULT(WINAPI*)(const WCHAR* friendlyName);
using VcamRemoveAllDevicesFn = HRESULT(WINAPI*)();

// The side of the camera that tests check: the format in force on each pin,
// the requests the filter received and the frames it delivered. Plain
// values, the same layout in both builds.
struct VcamPinObservation {
  LONG width;
  LONG height;   // as in the format (negative: top-down)
  DWORD fourcc;  // first group of the subtype (3 for RGB24: its GUID's)
  WORD bitCount;
  WORD connected;          // 1 while the pin is connected
  LONGLONG frameDuration;  // 100 ns
  LONG formatsSet;         // successful SetFormat calls
  LONG frames;             // samples delivered
};
struct VcamObservation {
  LONG liveFilters;  // filters of the camera alive now
  LONG filtersMade;  // filters of the camera made so far
  VcamPinObservation capture;
  VcamPinObservation still;
  LONG triggers;          // still triggers received (video control and button)
  LONG videoControlMode;  // last mode set on the still pin
  LONG propertyClass;     // last property set: 1 picture, 2 camera
  LONG propertyId;
  LONG propertyValue;
  LONG propertyFlags;
  LONG propertySets;       // property sets so far
  LONG extensionSets;      // extension-unit controls written
  BYTE extensionData[16];  // last written extension-unit control data
  LONG crossbarInput;      // input the crossbar routes to its output
  LONG crossbarRoutes;     // routes set so far
};
using VcamObserveFn = HRESULT(WINAPI*)(const WCHAR* friendlyName, VcamObservation* observation);
using VcamPressButtonFn = HRESULT(WINAPI*)(const WCHAR* friendlyName);
using VcamPlugFn = HRESULT(WINAPI*)(const WCHAR* friendlyName);

// Counts live objects and server locks for DllCanUnloadNow.
void VcamModuleAddRef();
void VcamModuleRelease();

// Inside the server: the observations of every camera (shared by the
// processes that have the server loaded, written and read under
// VcamObservationLock), the
// camera's configuration text and the live filters for the still button.
VcamObservation* VcamObservationOf(unsigned number);
// Whether camera `number` is pulled out (shared by the processes too).
bool VcamIsUnplugged(unsigned number);
class VcamObservationLock {
 public:
  VcamObservationLock();
  ~VcamObservationLock();
  VcamObservationLock(const VcamObservationLock&) = delete;
  VcamObservationLock& operator=(const VcamObservationLock&) = delete;
};
class CVcamFilter;
void VcamFilterMade(CVcamFilter* filter, unsigned number);
void VcamFilterGone(CVcamFilter* filter, unsigned number);
// The configuration text of camera `number` into text (kVcamConfigChars);
// false when it has none.
constexpr unsigned kVcamConfigChars = 1024;
bool VcamReadConfigText(unsigned number, WCHAR (&text)[kVcamConfigChars]);
