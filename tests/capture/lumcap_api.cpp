#include "lumcap_api.h"

#include "camera/capture_names.h"

#include <dbt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::wstring WindowsPath(const wchar_t* path) {
  std::wstring result(path);
  for (wchar_t& c : result) {
    if (c == L'/') c = L'\\';
  }
  return result;
}

template <class Fn>
Fn Bind(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Debug output arrives as an exception, ANSI on every system (the wide
// one, where there is one, is turned into it when nobody takes it).
constexpr DWORD kDebugPrintException = 0x40010006;  // DBG_PRINTEXCEPTION_C
constexpr char kTracePrefix[] = "lumcap:";
CRITICAL_SECTION g_traceLock;
std::string g_trace;

LONG CALLBACK CatchTrace(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  if (record->ExceptionCode == kDebugPrintException && record->NumberParameters >= 2) {
    const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    if (text && std::strncmp(text, kTracePrefix, sizeof kTracePrefix - 1) == 0) {
      EnterCriticalSection(&g_traceLock);
      g_trace += text;
      LeaveCriticalSection(&g_traceLock);
    }
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

TraceCapture::TraceCapture() {
  static const bool ready = [] {
    InitializeCriticalSection(&g_traceLock);
    return true;
  }();
  (void)ready;
  EnterCriticalSection(&g_traceLock);
  g_trace.clear();
  LeaveCriticalSection(&g_traceLock);
  handler_ = AddVectoredExceptionHandler(1, CatchTrace);
}

TraceCapture::~TraceCapture() { RemoveVectoredExceptionHandler(handler_); }

std::string TraceCapture::Text() const {
  EnterCriticalSection(&g_traceLock);
  std::string copy = g_trace;
  LeaveCriticalSection(&g_traceLock);
  return copy;
}

const GUID kCaptureCategory = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

std::wstring LumcapPath() { return WindowsPath(LUMCAP_PATH); }

const LumcapApi& Lumcap() {
  static const LumcapApi api = [] {
    LumcapApi result;
    result.module = LoadLibraryW(LumcapPath().c_str());
    if (!result.module) {
      std::fprintf(stderr, "cannot load %ls: error %lu\n", LumcapPath().c_str(), GetLastError());
      std::abort();
    }
    result.missing = BindLumcap(result.module, result);
    return result;
  }();
  return api;
}

VirtualCameras::VirtualCameras() {
  module_.Reset(LoadLibraryW(WindowsPath(VCAM_PATH).c_str()));
  if (!module_) {
    std::fprintf(stderr, "cannot load the virtual camera: error %lu\n", GetLastError());
    std::abort();
  }
  add_ = Bind<VcamAddDeviceFn>(module_.Get(), "VcamAddDevice");
  remove_ = Bind<VcamRemoveDeviceFn>(module_.Get(), "VcamRemoveDevice");
  removeAll_ = Bind<VcamRemoveAllDevicesFn>(module_.Get(), "VcamRemoveAllDevices");
  addConfigured_ = Bind<VcamAddDeviceExFn>(module_.Get(), "VcamAddDeviceEx");
  observe_ = Bind<VcamObserveFn>(module_.Get(), "VcamObserve");
  pressButton_ = Bind<VcamPressButtonFn>(module_.Get(), "VcamPressButton");
  unplug_ = Bind<VcamPlugFn>(module_.Get(), "VcamUnplugDevice");
  plug_ = Bind<VcamPlugFn>(module_.Get(), "VcamPlugDevice");
  if (!add_ || !remove_ || !removeAll_ || !addConfigured_ || !observe_ || !pressButton_ || !unplug_ || !plug_) {
    std::abort();
  }
  RemoveAll();
}

VirtualCameras::~VirtualCameras() { RemoveAll(); }

HRESULT VirtualCameras::Add(const wchar_t* friendlyName, const wchar_t* description) {
  return add_(friendlyName, description);
}

HRESULT VirtualCameras::AddConfigured(const wchar_t* friendlyName, const wchar_t* config) {
  return addConfigured_(friendlyName, nullptr, config);
}

VcamObservation VirtualCameras::Observe(const wchar_t* friendlyName) {
  VcamObservation observation = {};
  observe_(friendlyName, &observation);
  return observation;
}

HRESULT VirtualCameras::PressButton(const wchar_t* friendlyName) { return pressButton_(friendlyName); }
HRESULT VirtualCameras::Unplug(const wchar_t* friendlyName) { return unplug_(friendlyName); }
HRESULT VirtualCameras::Plug(const wchar_t* friendlyName) { return plug_(friendlyName); }

HRESULT VirtualCameras::Remove(const wchar_t* friendlyName) { return remove_(friendlyName); }

HRESULT VirtualCameras::RemoveAll() { return removeAll_(); }

InterfaceNotice::InterfaceNotice(const GUID& interfaceClass) : record() {
  record.dbcc_size = sizeof record;
  record.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  record.dbcc_classguid = interfaceClass;
}
