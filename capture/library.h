// The two records behind the library's handles, the device list and the
// device-change registration.
#pragma once
#include "base/owners.h"
#include "capture/filter_graph.h"
#include "capture/lumcap.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// First 32 bits of every handle's record.
constexpr std::uint32_t kLibraryTag = 1;
constexpr std::uint32_t kDeviceTag = 2;
// What a freed record's tag is overwritten with.
constexpr std::uint32_t kFreedTag = 0;

// Device interfaces of the kernel-streaming capture category.
constexpr GUID kCaptureInterfaceClass = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// The video input devices in enumeration order, one counted reference each.
class CDeviceList {
 public:
  CDeviceList() = default;
  ~CDeviceList();
  CDeviceList(const CDeviceList&) = delete;
  CDeviceList& operator=(const CDeviceList&) = delete;

  std::size_t Count() const { return count_; }
  IMoniker* At(std::size_t index) const { return items_[index]; }
  // Takes a reference of its own; E_OUTOFMEMORY when the list cannot grow.
  HRESULT Append(IMoniker* moniker);
  // Releases every entry; the capacity stays.
  void Clear();
  // 0: grow by half the capacity or to the size needed, whichever is larger.
  void SetGrowthStep(std::size_t step) { growthStep_ = step; }

 private:
  IMoniker** items_ = nullptr;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
  std::size_t growthStep_ = 0;
};

// A window's registration for arrival and removal notices of one device
// interface class.
class CDeviceNotification {
 public:
  explicit CDeviceNotification(const GUID& interfaceClass) : interfaceClass_(&interfaceClass) {}
  ~CDeviceNotification();  // removes a registration that is still there
  CDeviceNotification(const CDeviceNotification&) = delete;
  CDeviceNotification& operator=(const CDeviceNotification&) = delete;

  // E_INVALIDARG when window is not a window; S_OK when already registered.
  HRESULT Register(HWND window);
  // S_OK when not registered; the Win32 error when removal fails (the
  // registration then stays).
  HRESULT Unregister();
  bool IsRegistered() const { return handle_ != nullptr; }
  // True for an arrival or removal-complete notice of the interface class.
  bool Concerns(WPARAM event, LPARAM header) const;

 private:
  HDEVNOTIFY handle_ = nullptr;
  const GUID* interfaceClass_;
};

struct LumenoDevice;

struct LumenoLibrary {
  LumenoLibrary() = default;
  ~LumenoLibrary();
  LumenoLibrary(const LumenoLibrary&) = delete;
  LumenoLibrary& operator=(const LumenoLibrary&) = delete;

  std::uint32_t tag = kLibraryTag;
  CDeviceNotification notification{kCaptureInterfaceClass};
  CDeviceList devices;
  BOOL comInitialised = FALSE;  // balanced by the destructor
  // The devices opened from this context and not closed yet: a removal
  // notice marks those it no longer lists as lost; the context's end
  // leaves them without a context.
  std::vector<LumenoDevice*> openDevices;
};

struct LumenoDevice {
  LumenoDevice() = default;
  ~LumenoDevice() { tag = kFreedTag; }
  LumenoDevice(const LumenoDevice&) = delete;
  LumenoDevice& operator=(const LumenoDevice&) = delete;

  std::uint32_t tag = kDeviceTag;
  LumenoLibrary* library = nullptr;  // not owned
  ComPtr<IMoniker> moniker;
  std::unique_ptr<CDefaultFilterGraph> graph;
  UINT32 notifyMessage = 0;
  UINT32 timeout = LUMENO_DEFAULT_TIMEOUT_MS;
};

// The record behind a handle, or nullptr when the handle is null or of the
// other kind.
LumenoLibrary* LibraryFromHandle(LumenoLibrary* handle);
LumenoDevice* DeviceFromHandle(LumenoDevice* handle);

// A device opened from the library joins its list of open devices; a
// closed one leaves it.
void AttachDevice(LumenoLibrary& library, LumenoDevice* device);
void DetachDevice(LumenoDevice* device);
// After the list was made anew: every open device that it no longer holds
// is lost.
void MarkUnlistedDevicesLost(LumenoLibrary& library);

// Fills the list with the video input devices; E_FAIL when there is none.
HRESULT EnumerateVideoInputDevices(CDeviceList& list);

// The display name: "Description", else "FriendlyName" of the property bag.
HRESULT ReadDeviceName(IMoniker* moniker, Bstr& name);

// Search of LumenoFindDevice*: S_OK and the index of the first match at or
// after *index, S_FALSE when none.
HRESULT FindDevice(const LumenoLibrary& library, const WCHAR* name, BOOL prefix, UINT32* index);
