#include "capture/library.h"

#include "capture/model.h"
#include "capture/results.h"

#include <dbt.h>
#include <dshow.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>

namespace {

// Size of the device-interface filter record passed to the registration.
constexpr DWORD kInterfaceFilterSize = 32;
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == kInterfaceFilterSize, "filter record is 32 bytes");

// Bytes of a broadcast header up to the end of its interface class.
constexpr std::size_t kInterfaceHeaderMin = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_classguid) + sizeof(GUID);

// Largest list the library keeps.
constexpr std::size_t kMaxDevices = 0x10000;

std::uint32_t TagOf(const void* handle) {
  std::uint32_t tag = kFreedTag;
  std::memcpy(&tag, handle, sizeof tag);
  return tag;
}

HRESULT ReadText(IPropertyBag* bag, const WCHAR* property, Variant& value) {
  HRESULT hr = bag->Read(property, value.ForString(), nullptr);
  if (FAILED(hr)) return hr;
  if (value.Value().vt != VT_BSTR) {
    hr = VariantChangeType(value.Get(), value.Get(), 0, VT_BSTR);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

bool NameMatches(const WCHAR* name, const WCHAR* wanted, BOOL prefix) {
  const std::size_t wantedLength = std::wcslen(wanted);
  const std::size_t nameLength = std::wcslen(name);
  if (prefix) {
    if (nameLength < wantedLength) return false;
  } else if (nameLength != wantedLength) {
    return false;
  }
  if (wantedLength == 0) return true;
  return CompareStringOrdinal(name, static_cast<int>(wantedLength), wanted, static_cast<int>(wantedLength), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace

CDeviceList::~CDeviceList() {
  Clear();
  delete[] items_;
}

HRESULT CDeviceList::Append(IMoniker* moniker) {
  if (count_ == capacity_) {
    std::size_t capacity = 0;
    if (!NextCapacity(capacity_, count_ + 1, growthStep_, kMaxDevices, &capacity)) return E_OUTOFMEMORY;
    IMoniker** items = new (std::nothrow) IMoniker*[capacity];
    if (!items) return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < count_; ++i) items[i] = items_[i];
    delete[] items_;
    items_ = items;
    capacity_ = capacity;
  }
  moniker->AddRef();
  items_[count_++] = moniker;
  return S_OK;
}

void CDeviceList::Clear() {
  while (count_ > 0) {
    IMoniker* moniker = items_[--count_];
    items_[count_] = nullptr;
    moniker->Release();
  }
}

CDeviceNotification::~CDeviceNotification() { Unregister(); }

HRESULT CDeviceNotification::Register(HWND window) {
  if (!window || !IsWindow(window)) return E_INVALIDARG;
  if (handle_) return S_OK;
  DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
  filter.dbcc_size = kInterfaceFilterSize;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_reserved = 0;
  filter.dbcc_classguid = *interfaceClass_;
  SetLastError(0);
  HDEVNOTIFY handle = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (!handle) return LastErrorResult();
  handle_ = handle;
  return S_OK;
}

HRESULT CDeviceNotification::Unregister() {
  if (!handle_) return S_OK;
  SetLastError(0);
  if (!UnregisterDeviceNotification(handle_)) return LastErrorResult();
  handle_ = nullptr;
  return S_OK;
}

bool CDeviceNotification::Concerns(WPARAM event, LPARAM header) const {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return false;
  const auto* common = reinterpret_cast<const DEV_BROADCAST_HDR*>(header);
  if (!common || common->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return false;
  // The class sits behind the common part: read it only when the sender
  // says it is there.
  if (common->dbch_size < kInterfaceHeaderMin) return false;
  const auto* notice = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
  return IsEqualGUID(notice->dbcc_classguid, *interfaceClass_) != FALSE;
}

LumenoLibrary::~LumenoLibrary() {
  for (LumenoDevice* device : openDevices) device->library = nullptr;
  openDevices.clear();
  devices.Clear();
  if (comInitialised) CoUninitialize();
  comInitialised = FALSE;
  notification.Unregister();
  tag = kFreedTag;
}

LumenoLibrary* LibraryFromHandle(LumenoLibrary* handle) {
  if (!handle || TagOf(handle) != kLibraryTag) return nullptr;
  return handle;
}

LumenoDevice* DeviceFromHandle(LumenoDevice* handle) {
  if (!handle || TagOf(handle) != kDeviceTag) return nullptr;
  return handle;
}

void AttachDevice(LumenoLibrary& library, LumenoDevice* device) {
  library.openDevices.push_back(device);
  device->library = &library;
}

void DetachDevice(LumenoDevice* device) {
  LumenoLibrary* library = LibraryFromHandle(device->library);
  if (library) {
    auto& open = library->openDevices;
    open.erase(std::remove(open.begin(), open.end(), device), open.end());
  }
  device->library = nullptr;
}

void MarkUnlistedDevicesLost(LumenoLibrary& library) {
  for (LumenoDevice* device : library.openDevices) {
    bool listed = false;
    for (std::size_t i = 0; i < library.devices.Count() && !listed; ++i) {
      listed = device->moniker && device->moniker->IsEqual(library.devices.At(i)) == S_OK;
    }
    if (!listed && device->graph) device->graph->MarkLost();
  }
}

HRESULT EnumerateVideoInputDevices(CDeviceList& list) {
  ComPtr<ICreateDevEnum> enumerator;
  HRESULT hr =
      CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_SERVER, IID_ICreateDevEnum, enumerator.PutVoid());
  if (FAILED(hr)) return hr;
  ComPtr<IEnumMoniker> monikers;
  // S_FALSE means the category is empty: no video input device.
  if (enumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Put(), 0) != S_OK || !monikers) {
    return E_FAIL;
  }
  monikers->Reset();
  for (;;) {
    ComPtr<IMoniker> moniker;
    ULONG fetched = 0;
    if (monikers->Next(1, moniker.Put(), &fetched) != S_OK || fetched != 1 || !moniker) break;
    hr = list.Append(moniker.Get());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT ReadDeviceName(IMoniker* moniker, Bstr& name) {
  ComPtr<IPropertyBag> bag;
  HRESULT hr = moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid());
  if (FAILED(hr)) return hr;
  Variant value;
  hr = ReadText(bag.Get(), L"Description", value);
  if (FAILED(hr)) hr = ReadText(bag.Get(), L"FriendlyName", value);
  if (FAILED(hr)) return hr;
  name.Attach(value.DetachString());
  return S_OK;
}

HRESULT FindDevice(const LumenoLibrary& library, const WCHAR* name, BOOL prefix, UINT32* index) {
  for (std::size_t i = *index; i < library.devices.Count(); ++i) {
    Bstr deviceName;
    if (FAILED(ReadDeviceName(library.devices.At(i), deviceName))) continue;  // unreadable: skipped
    if (NameMatches(deviceName.Get(), name, prefix)) {
      *index = static_cast<UINT32>(i);
      return S_OK;
    }
  }
  return S_FALSE;
}
