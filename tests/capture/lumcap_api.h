// Test-side binding of the capture library and the virtual camera: both
// are loaded by path at run time, as the main program loads the library,
// and every function is found by its exported name.
#pragma once
#include "base/owners.h"
#include "tools/lumcap-snap/lumcap_binding.h"
#include "tools/vcam/vcam.h"

#include <dbt.h>

#include <string>

struct LumcapApi : LumcapFunctions {
  HMODULE module = nullptr;
  int missing = 0;  // names that were not found
};

// The library of this build, loaded once for the test program.
const LumcapApi& Lumcap();

// Path of the library file of this build (backslashes).
std::wstring LumcapPath();

// The cameras registered in the video input category while a test runs.
// Starts and ends with none.
class VirtualCameras {
 public:
  VirtualCameras();
  ~VirtualCameras();
  VirtualCameras(const VirtualCameras&) = delete;
  VirtualCameras& operator=(const VirtualCameras&) = delete;

  HRESULT Add(const wchar_t* friendlyName, const wchar_t* description = nullptr);
  // A camera with its configuration text (tools/vcam/vcam_config.h).
  HRESULT AddConfigured(const wchar_t* friendlyName, const wchar_t* config);
  // What the camera's filters were told and did in this process.
  VcamObservation Observe(const wchar_t* friendlyName);
  // The camera's still button.
  HRESULT PressButton(const wchar_t* friendlyName);
  // The camera pulled out while in use, and put back.
  HRESULT Unplug(const wchar_t* friendlyName);
  HRESULT Plug(const wchar_t* friendlyName);
  HRESULT Remove(const wchar_t* friendlyName);
  HRESULT RemoveAll();

 private:
  ModuleHandle module_;
  VcamAddDeviceFn add_ = nullptr;
  VcamRemoveDeviceFn remove_ = nullptr;
  VcamRemoveAllDevicesFn removeAll_ = nullptr;
  VcamAddDeviceExFn addConfigured_ = nullptr;
  VcamObserveFn observe_ = nullptr;
  VcamPressButtonFn pressButton_ = nullptr;
  VcamPlugFn unplug_ = nullptr;
  VcamPlugFn plug_ = nullptr;
};

// The library's trace lines ("lumcap: ...") written to the debug output
// of this process while the capture lives.
class TraceCapture {
 public:
  TraceCapture();
  ~TraceCapture();
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;
  std::string Text() const;

 private:
  void* handler_;
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
