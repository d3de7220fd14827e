// The COM server of the virtual camera: class objects for the camera
// family, and the registration of cameras in the video input category.
#include "vcam.h"

#include "base/owners.h"
#include "vcam_codec.h"
#include "vcam_config.h"
#include "vcam_filter.h"
#include "vcam_object.h"

#include <dshow.h>
#include <strsafe.h>

#include <atomic>
#include <new>

namespace {

// The family: the first group is kFamilyBase + camera number.
constexpr CLSID kFamily = {0x7A3C0000, 0x4E2B, 0x4C61, {0x9F, 0x1D, 0x52, 0xA6, 0xC3, 0xE0, 0xB7, 0xD4}};
constexpr unsigned kServerNumber = 0;
constexpr int kGuidChars = 39;
// "CLSID\\" and a braced class id, with room to spare.
constexpr int kClassPathChars = 64;

const WCHAR kClassTitle[] = L"Relivo virtual camera";
const WCHAR kCameraValue[] = L"Camera";
const WCHAR kConfigValue[] = L"Config";
const WCHAR kDescriptionValue[] = L"Description";
const WCHAR kDescriptionProperty[] = L"Description";
const WCHAR kThreadingModel[] = L"Both";

HINSTANCE moduleInstance = nullptr;
std::atomic<long> moduleRefs{0};

// What the tests observe, per camera number, and the live filters. The
// observations lie in a named shared section, so that a test sees what a
// camera did in another process (a program it drives) while both have the
// server loaded; the process's own table stands in when the section cannot
// be made.
constexpr unsigned kMaxLiveFilters = 64;
constexpr WCHAR kSharedObservations[] = L"Local\\RelivoVcamObservations";
constexpr WCHAR kSharedObservationLock[] = L"Local\\RelivoVcamObservationLock";
CRITICAL_SECTION observationLock;
HANDLE sharedLock = nullptr;
HANDLE sharedSection = nullptr;
// What the processes share per camera number: the observations, and
// whether the camera is pulled out.
struct VcamShared {
  VcamObservation observations[kVcamMaxCameras + 1];
  LONG unplugged[kVcamMaxCameras + 1];
};
VcamShared ownShared;
VcamShared* shared = &ownShared;
struct LiveFilter {
  CVcamFilter* filter;
  unsigned number;
};
LiveFilter liveFilters[kMaxLiveFilters];

class CVcamFactory final : public VcamObject<IClassFactory> {
 public:
  CVcamFactory(REFCLSID clsid, unsigned number) : VcamObject(IID_IClassFactory), clsid_(clsid), number_(number) {}
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    CVcamFilter* filter = new (std::nothrow) CVcamFilter(clsid_, number_);
    if (!filter) return E_OUTOFMEMORY;
    HRESULT hr = filter->QueryInterface(riid, object);
    filter->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) {
      VcamModuleAddRef();
    } else {
      VcamModuleRelease();
    }
    return S_OK;
  }

 private:
  ~CVcamFactory() override = default;

  CLSID clsid_;
  unsigned number_;
};

void ClassKeyPath(unsigned number, WCHAR (&path)[kClassPathChars]) {
  WCHAR guid[kGuidChars];
  StringFromGUID2(VcamClassId(number), guid, kGuidChars);
  StringCchCopyW(path, kClassPathChars, L"CLSID\\");
  StringCchCatW(path, kClassPathChars, guid);
}

bool CameraRegistered(unsigned number) {
  WCHAR path[kClassPathChars];
  ClassKeyPath(number, path);
  RegKey key;
  return RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

HRESULT SetText(HKEY key, const WCHAR* name, const WCHAR* value) {
  const DWORD bytes = static_cast<DWORD>((lstrlenW(value) + 1) * sizeof(WCHAR));
  LSTATUS status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
  return HRESULT_FROM_WIN32(status);
}

// The class key of one number: title, camera name, in-process server.
HRESULT RegisterClassKey(unsigned number, const WCHAR* cameraName) {
  WCHAR path[kClassPathChars];
  ClassKeyPath(number, path);
  WCHAR module[MAX_PATH];
  DWORD length = GetModuleFileNameW(moduleInstance, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  RegKey classKey;
  LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_WRITE, nullptr, classKey.Put(), nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  HRESULT hr = SetText(classKey.Get(), nullptr, kClassTitle);
  if (SUCCEEDED(hr) && cameraName) hr = SetText(classKey.Get(), kCameraValue, cameraName);
  if (FAILED(hr)) return hr;
  RegKey serverKey;
  status =
      RegCreateKeyExW(classKey.Get(), L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, serverKey.Put(), nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  hr = SetText(serverKey.Get(), nullptr, module);
  if (SUCCEEDED(hr)) hr = SetText(serverKey.Get(), L"ThreadingModel", kThreadingModel);
  return hr;
}

HRESULT SetDescription(unsigned number, const WCHAR* description) {
  WCHAR path[kClassPathChars];
  ClassKeyPath(number, path);
  RegKey key;
  LSTATUS status = RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_WRITE, key.Put());
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  return SetText(key.Get(), kDescriptionValue, description);
}

// A text value of camera `number`'s class key, cut to the buffer.
template <unsigned kChars>
bool ReadClassText(unsigned number, const WCHAR* value, WCHAR (&text)[kChars]) {
  WCHAR path[kClassPathChars];
  ClassKeyPath(number, path);
  DWORD bytes = sizeof text - sizeof(WCHAR);
  text[0] = L'\0';
  if (RegGetValueW(HKEY_CLASSES_ROOT, path, value, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS) {
    return false;
  }
  text[kChars - 1] = L'\0';
  return true;
}

bool ReadCameraName(unsigned number, WCHAR (&name)[kVcamNameChars]) {
  return ReadClassText(number, kCameraValue, name);
}

HRESULT WriteConfig(unsigned number, const WCHAR* config) {
  WCHAR path[kClassPathChars];
  ClassKeyPath(number, path);
  RegKey key;
  LSTATUS status = RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_WRITE, key.Put());
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  return SetText(key.Get(), kConfigValue, config);
}

// Number of the first camera of that name, or 0.
unsigned CameraNumber(const WCHAR* friendlyName) {
  for (unsigned number = 1; number <= kVcamMaxCameras; ++number) {
    WCHAR name[kVcamNameChars];
    if (ReadCameraName(number, name) && CompareStringOrdinal(name, -1, friendlyName, -1, TRUE) == CSTR_EQUAL) {
      return number;
    }
  }
  return 0;
}

// Takes camera `number` out of the video input category.
HRESULT UnlistCamera(unsigned number) {
  const CLSID clsid = VcamClassId(number);
  WCHAR instance[kGuidChars];
  StringFromGUID2(clsid, instance, kGuidChars);
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr =
      CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2, mapper.PutVoid());
  if (SUCCEEDED(hr)) hr = mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, instance, clsid);
  return hr;
}

// Takes camera `number` out of the category and removes its class key.
HRESULT UnregisterCamera(unsigned number) {
  HRESULT hr = UnlistCamera(number);
  WCHAR path[kClassPathChars];
  ClassKeyPath(number, path);
  LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(status);
  return SUCCEEDED(hr) ? S_OK : hr;
}

// Lists camera `number` in the video input category under the name and
// description its class key holds.
HRESULT ListCamera(unsigned number) {
  WCHAR friendlyName[kVcamNameChars];
  if (!ReadCameraName(number, friendlyName)) return E_INVALIDARG;
  WCHAR description[kVcamNameChars];
  const bool described = ReadClassText(number, kDescriptionValue, description);
  const CLSID clsid = VcamClassId(number);
  WCHAR instance[kGuidChars];
  StringFromGUID2(clsid, instance, kGuidChars);
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr =
      CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2, mapper.PutVoid());
  if (FAILED(hr)) return hr;
  // One video output pin; its formats come from the pin itself.
  REGPINTYPES type = {&MEDIATYPE_Video, &MEDIASUBTYPE_NULL};
  REGFILTERPINS pin = {};
  pin.strName = const_cast<LPWSTR>(L"Capture");
  pin.bOutput = TRUE;
  pin.nMediaTypes = 1;
  pin.lpMediaType = &type;
  REGFILTER2 filter = {};
  filter.dwVersion = 1;
  filter.dwMerit = MERIT_DO_NOT_USE;
  filter.cPins = 1;
  filter.rgPins = &pin;
  ComPtr<IMoniker> moniker;
  hr = mapper->RegisterFilter(clsid, friendlyName, moniker.Put(), &CLSID_VideoInputDeviceCategory, instance, &filter);
  if (FAILED(hr) || !described) return hr;
  if (!moniker.Get()) return E_FAIL;
  ComPtr<IPropertyBag> bag;
  hr = moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid());
  if (FAILED(hr)) return hr;
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(description);
  if (!value.bstrVal) return E_OUTOFMEMORY;
  hr = bag->Write(kDescriptionProperty, &value);
  VariantClear(&value);
  return hr;
}

HRESULT RegisterCamera(unsigned number, const WCHAR* friendlyName, const WCHAR* description) {
  HRESULT hr = RegisterClassKey(number, friendlyName);
  if (SUCCEEDED(hr) && description) hr = SetDescription(number, description);
  if (FAILED(hr)) return hr;
  return ListCamera(number);
}

void SetUnplugged(unsigned number, bool unplugged) {
  VcamObservationLock lock;
  shared->unplugged[number <= kVcamMaxCameras ? number : 0] = unplugged ? 1 : 0;
}

}  // namespace

CLSID VcamClassId(unsigned number) {
  CLSID clsid = kFamily;
  clsid.Data1 += number;
  return clsid;
}

int VcamNumberOf(REFCLSID clsid) {
  CLSID base = clsid;
  const unsigned long number = clsid.Data1 - kFamily.Data1;
  base.Data1 = kFamily.Data1;
  if (!IsEqualCLSID(base, kFamily) || clsid.Data1 < kFamily.Data1 || number > kVcamMaxCameras) return -1;
  return static_cast<int>(number);
}

bool VcamReadConfigText(unsigned number, WCHAR (&text)[kVcamConfigChars]) {
  return ReadClassText(number, kConfigValue, text);
}

VcamObservation* VcamObservationOf(unsigned number) {
  return &shared->observations[number <= kVcamMaxCameras ? number : 0];
}

bool VcamIsUnplugged(unsigned number) {
  VcamObservationLock lock;
  return number <= kVcamMaxCameras && shared->unplugged[number] != 0;
}

VcamObservationLock::VcamObservationLock() {
  EnterCriticalSection(&observationLock);
  if (sharedLock) WaitForSingleObject(sharedLock, INFINITE);
}
VcamObservationLock::~VcamObservationLock() {
  if (sharedLock) ReleaseMutex(sharedLock);
  LeaveCriticalSection(&observationLock);
}

namespace {

// A new section starts zeroed: no camera has done anything yet.
void OpenSharedObservations() {
  sharedLock = CreateMutexW(nullptr, FALSE, kSharedObservationLock);
  sharedSection =
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof ownShared, kSharedObservations);
  void* view = sharedSection ? MapViewOfFile(sharedSection, FILE_MAP_ALL_ACCESS, 0, 0, sizeof ownShared) : nullptr;
  if (view) shared = static_cast<VcamShared*>(view);
}

void CloseSharedObservations() {
  if (shared != &ownShared) UnmapViewOfFile(shared);
  shared = &ownShared;
  if (sharedSection) CloseHandle(sharedSection);
  if (sharedLock) CloseHandle(sharedLock);
  sharedSection = sharedLock = nullptr;
}

}  // namespace

void VcamFilterMade(CVcamFilter* filter, unsigned number) {
  VcamObservationLock lock;
  VcamObservation* o = VcamObservationOf(number);
  ++o->liveFilters;
  ++o->filtersMade;
  for (LiveFilter& live : liveFilters) {
    if (!live.filter) {
      live = {filter, number};
      break;
    }
  }
}

void VcamFilterGone(CVcamFilter* filter, unsigned number) {
  VcamObservationLock lock;
  --VcamObservationOf(number)->liveFilters;
  for (LiveFilter& live : liveFilters) {
    if (live.filter == filter) live = {nullptr, 0};
  }
}

void VcamModuleAddRef() { ++moduleRefs; }
void VcamModuleRelease() { --moduleRefs; }

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    moduleInstance = instance;
    InitializeCriticalSection(&observationLock);
    OpenSharedObservations();
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && !reserved) {
    // Unloaded by FreeLibrary; at process exit the system closes them.
    CloseSharedObservations();
  }
  return TRUE;
}

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  const int number = VcamNumberOf(clsid);
  if (number < 0) return CLASS_E_CLASSNOTAVAILABLE;
  CVcamFactory* factory = new (std::nothrow) CVcamFactory(clsid, static_cast<unsigned>(number));
  if (!factory) return E_OUTOFMEMORY;
  HRESULT hr = factory->QueryInterface(riid, object);
  factory->Release();
  return hr;
}

HRESULT WINAPI DllCanUnloadNow() { return moduleRefs == 0 ? S_OK : S_FALSE; }

HRESULT WINAPI VcamRemoveAllDevices() {
  ComInit com;
  if (FAILED(com.Result())) return com.Result();
  HRESULT result = S_OK;
  for (unsigned number = 1; number <= kVcamMaxCameras; ++number) {
    if (!CameraRegistered(number)) continue;
    HRESULT hr = UnregisterCamera(number);
    if (FAILED(hr)) result = hr;
  }
  return result;
}

// The server's own class, its codec, and a clean category: cameras of an earlier run
// are removed.
HRESULT WINAPI DllRegisterServer() {
  HRESULT hr = VcamRemoveAllDevices();
  if (FAILED(hr)) return hr;
  WCHAR module[MAX_PATH];
  DWORD length = GetModuleFileNameW(moduleInstance, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  hr = VcamRegisterCodec(module);
  if (FAILED(hr)) return hr;
  return RegisterClassKey(kServerNumber, nullptr);
}

HRESULT WINAPI DllUnregisterServer() {
  HRESULT hr = VcamRemoveAllDevices();
  HRESULT codec = VcamUnregisterCodec();
  if (SUCCEEDED(hr)) hr = codec;
  WCHAR path[kClassPathChars];
  ClassKeyPath(kServerNumber, path);
  LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(status);
  return hr;
}

HRESULT WINAPI VcamAddDeviceEx(const WCHAR* friendlyName, const WCHAR* description, const WCHAR* config) {
  if (config && lstrlenW(config) >= static_cast<int>(kVcamConfigChars)) return E_INVALIDARG;
  VcamConfig parsed;
  if (config && !VcamParseConfig(config, &parsed)) return E_INVALIDARG;
  if (!friendlyName || friendlyName[0] == L'\0' || lstrlenW(friendlyName) >= static_cast<int>(kVcamNameChars)) {
    return E_INVALIDARG;
  }
  ComInit com;
  if (FAILED(com.Result())) return com.Result();
  for (unsigned number = 1; number <= kVcamMaxCameras; ++number) {
    if (CameraRegistered(number)) continue;
    HRESULT hr = RegisterCamera(number, friendlyName, description);
    if (SUCCEEDED(hr) && config) hr = WriteConfig(number, config);
    if (FAILED(hr)) {
      UnregisterCamera(number);
    } else {
      VcamObservationLock lock;
      *VcamObservationOf(number) = VcamObservation{};
      shared->unplugged[number] = 0;
    }
    return hr;
  }
  return E_OUTOFMEMORY;
}

HRESULT WINAPI VcamObserve(const WCHAR* friendlyName, VcamObservation* observation) {
  if (!friendlyName || !observation) return E_INVALIDARG;
  const unsigned number = CameraNumber(friendlyName);
  if (number == 0) return E_INVALIDARG;
  VcamObservationLock lock;
  *observation = *VcamObservationOf(number);
  return observation->filtersMade > 0 ? S_OK : S_FALSE;
}

HRESULT WINAPI VcamPressButton(const WCHAR* friendlyName) {
  if (!friendlyName) return E_INVALIDARG;
  const unsigned number = CameraNumber(friendlyName);
  if (number == 0) return E_INVALIDARG;
  VcamObservationLock lock;
  HRESULT result = S_FALSE;
  for (LiveFilter& live : liveFilters) {
    if (live.filter && live.number == number) {
      live.filter->PressButton();
      result = S_OK;
    }
  }
  return result;
}

HRESULT WINAPI VcamUnplugDevice(const WCHAR* friendlyName) {
  if (!friendlyName) return E_INVALIDARG;
  const unsigned number = CameraNumber(friendlyName);
  if (number == 0) return E_INVALIDARG;
  ComInit com;
  if (FAILED(com.Result())) return com.Result();
  SetUnplugged(number, true);
  return UnlistCamera(number);
}

HRESULT WINAPI VcamPlugDevice(const WCHAR* friendlyName) {
  if (!friendlyName) return E_INVALIDARG;
  const unsigned number = CameraNumber(friendlyName);
  if (number == 0) return E_INVALIDARG;
  ComInit com;
  if (FAILED(com.Result())) return com.Result();
  const HRESULT hr = ListCamera(number);
  if (SUCCEEDED(hr)) SetUnplugged(number, false);
  return hr;
}

HRESULT WINAPI VcamAddDevice(const WCHAR* friendlyName, const WCHAR* description) {
  return VcamAddDeviceEx(friendlyName, description, nullptr);
}

HRESULT WINAPI VcamRemoveDevice(const WCHAR* friendlyName) {
  if (!friendlyName) return E_INVALIDARG;
  ComInit com;
  if (FAILED(com.Result())) return com.Result();
  HRESULT result = S_FALSE;
  for (unsigned number = 1; number <= kVcamMaxCameras; ++number) {
    WCHAR name[kVcamNameChars];
    if (!ReadCameraName(number, name)) continue;
    if (CompareStringOrdinal(name, -1, friendlyName, -1, TRUE) != CSTR_EQUAL) continue;
    HRESULT hr = UnregisterCamera(number);
    if (FAILED(hr)) return hr;
    result = S_OK;
  }
  return result;
}

}  // extern "C"
