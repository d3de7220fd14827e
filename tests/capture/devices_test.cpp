// Device list, names, search and change notices, with virtual cameras
// registered in the video input category of the test prefix.
#include "lumcap_api.h"

#include <dshow.h>
#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>
#include <thread>

namespace {

const wchar_t kPlainName[] = L"Relivo Test Camera";
const wchar_t kHiddenFriendlyName[] = L"Hidden Friendly Name";
const wchar_t kDescribedName[] = L"Relivo Test Camera 2";

// {53F5630D-B6BF-11D0-94F2-00A0C91EFB8B}: storage volumes.
constexpr GUID kVolumeInterfaces = {0x53F5630D, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

constexpr UINT32 kNameChars = 256;

class Library {
 public:
  Library() = default;
  ~Library() { Lumcap().LumenoUninitialize(handle_); }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  HRESULT Initialize(UINT32 flags = 0, UINT32* count = nullptr) {
    return Lumcap().LumenoInitialize(&handle_, flags, count);
  }
  LumenoLibrary* Get() const { return handle_; }

 private:
  LumenoLibrary* handle_ = nullptr;
};

class MessageWindow {
 public:
  MessageWindow()
      : window_(CreateWindowExW(0, L"STATIC", L"notices", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
  ~MessageWindow() {
    if (window_) DestroyWindow(window_);
  }
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
  HWND Get() const { return window_; }

 private:
  HWND window_;
};

std::wstring NameOf(LumenoLibrary* library, UINT32 index) {
  WCHAR name[kNameChars];
  HRESULT hr = Lumcap().LumenoGetDeviceNameW(library, index, name, kNameChars);
  return SUCCEEDED(hr) ? std::wstring(name) : std::wstring(L"<error>");
}

UINT32 CountOf(LumenoLibrary* library) {
  UINT32 count = 0xFFFF;
  EXPECT_EQ(Lumcap().LumenoGetDeviceCount(library, &count), S_OK);
  return count;
}

class Devices : public ::testing::Test {
 protected:
  VirtualCameras cameras_;
};

class TwoCameras : public Devices {
 protected:
  void SetUp() override {
    ASSERT_EQ(cameras_.Add(kPlainName), S_OK);
    ASSERT_EQ(cameras_.Add(kHiddenFriendlyName, kDescribedName), S_OK);
    UINT32 count = 0;
    ASSERT_EQ(library_.Initialize(0, &count), S_OK);
    ASSERT_EQ(count, 2u);
  }
  UINT32 IndexOf(const wchar_t* name) {
    UINT32 index = 0;
    EXPECT_EQ(Lumcap().LumenoFindDeviceW(library_.Get(), name, FALSE, &index), S_OK);
    return index;
  }
  Library library_;
};

}  // namespace

TEST_F(Devices, InitializeWithoutAnyDeviceFailsAndLeavesNoHandle) {
  LumenoLibrary* library = nullptr;
  UINT32 count = 77;
  EXPECT_EQ(Lumcap().LumenoInitialize(&library, 0, &count), E_FAIL);
  EXPECT_EQ(library, nullptr);
  EXPECT_EQ(count, 77u);
}

TEST_F(TwoCameras, CountsAndNamesBothCameras) {
  EXPECT_EQ(CountOf(library_.Get()), 2u);
  std::set<std::wstring> names = {NameOf(library_.Get(), 0), NameOf(library_.Get(), 1)};
  EXPECT_EQ(names, (std::set<std::wstring>{kPlainName, kDescribedName}));
  WCHAR name[kNameChars];
  EXPECT_EQ(Lumcap().LumenoGetDeviceNameW(library_.Get(), 2, name, kNameChars), E_INVALIDARG);
}

TEST_F(TwoCameras, DescriptionWinsOverFriendlyName) {
  UINT32 index = 0;
  EXPECT_EQ(Lumcap().LumenoFindDeviceW(library_.Get(), kHiddenFriendlyName, FALSE, &index), S_FALSE);
  EXPECT_EQ(NameOf(library_.Get(), IndexOf(kDescribedName)), kDescribedName);
}

TEST_F(TwoCameras, AnsiNamesConvert) {
  const UINT32 index = IndexOf(kDescribedName);
  char name[kNameChars];
  EXPECT_EQ(Lumcap().LumenoGetDeviceNameA(library_.Get(), index, name, kNameChars), S_OK);
  EXPECT_STREQ(name, "Relivo Test Camera 2");
  UINT32 found = 0;
  EXPECT_EQ(Lumcap().LumenoFindDeviceA(library_.Get(), "relivo test CAMERA 2", FALSE, &found), S_OK);
  EXPECT_EQ(found, index);
}

TEST_F(TwoCameras, ANameBufferOfFiveCharactersHoldsFour) {
  WCHAR wide[5];
  std::wmemset(wide, L'#', 5);
  EXPECT_EQ(Lumcap().LumenoGetDeviceNameW(library_.Get(), IndexOf(kPlainName), wide, 5), S_OK);
  EXPECT_STREQ(wide, L"Reli");
  char ansi[5];
  EXPECT_EQ(Lumcap().LumenoGetDeviceNameA(library_.Get(), IndexOf(kPlainName), ansi, 5),
            static_cast<HRESULT>(0x8007007A));
  EXPECT_EQ(ansi[0], '\0');
  EXPECT_EQ(Lumcap().LumenoGetDeviceNameW(library_.Get(), 0, wide, 0), E_INVALIDARG);
}

TEST_F(TwoCameras, FindWithPrefixWalksOnFromTheStartIndex) {
  const LumcapApi& api = Lumcap();
  UINT32 first = 0;
  ASSERT_EQ(api.LumenoFindDeviceW(library_.Get(), L"RELIVO test", TRUE, &first), S_OK);
  UINT32 second = first + 1;
  ASSERT_EQ(api.LumenoFindDeviceW(library_.Get(), L"RELIVO test", TRUE, &second), S_OK);
  EXPECT_GT(second, first);
  UINT32 third = second + 1;
  EXPECT_EQ(api.LumenoFindDeviceW(library_.Get(), L"RELIVO test", TRUE, &third), S_FALSE);
  EXPECT_EQ(third, second + 1);
  // Without the prefix flag the whole name must match.
  UINT32 index = 0;
  EXPECT_EQ(api.LumenoFindDeviceW(library_.Get(), L"Relivo Test", FALSE, &index), S_FALSE);
  EXPECT_EQ(index, 0u);
  EXPECT_EQ(api.LumenoFindDeviceW(library_.Get(), L"relivo test camera", FALSE, &index), S_OK);
  EXPECT_EQ(NameOf(library_.Get(), index), kPlainName);
  // A search name longer than the device name is no prefix of it.
  index = 0;
  EXPECT_EQ(api.LumenoFindDeviceW(library_.Get(), L"Relivo Test Camera 2 and more", TRUE, &index), S_FALSE);
}

TEST_F(TwoCameras, AStartIndexAtTheEndFindsNothing) {
  UINT32 index = 2;
  EXPECT_EQ(Lumcap().LumenoFindDeviceW(library_.Get(), L"", TRUE, &index), S_FALSE);
  EXPECT_EQ(index, 2u);
  index = 0xFFFFFFFF;
  EXPECT_EQ(Lumcap().LumenoFindDeviceW(library_.Get(), L"", TRUE, &index), S_FALSE);
  EXPECT_EQ(index, 0xFFFFFFFFu);
}

TEST_F(TwoCameras, ChecksAfterTheHandle) {
  const LumcapApi& api = Lumcap();
  UINT32 value = 0;
  EXPECT_EQ(api.LumenoFindDeviceW(library_.Get(), nullptr, FALSE, &value), E_INVALIDARG);
  EXPECT_EQ(api.LumenoFindDeviceW(library_.Get(), kPlainName, FALSE, nullptr), E_INVALIDARG);
  EXPECT_EQ(api.LumenoFindDeviceA(library_.Get(), "x", FALSE, nullptr), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetDeviceCaps(library_.Get(), 2, &value), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetDeviceResolutions(library_.Get(), 2, 0, nullptr, &value), E_INVALIDARG);
  LumenoOpenParams params = {};
  LumenoDevice* device = nullptr;
  EXPECT_EQ(api.LumenoOpenDevice(library_.Get(), 2, &params, &device), E_INVALIDARG);
  EXPECT_EQ(device, nullptr);
  // A library handle is no device handle.
  EXPECT_EQ(api.LumenoCloseDevice(reinterpret_cast<LumenoDevice*>(library_.Get())), E_HANDLE);
  EXPECT_EQ(api.LumenoGetDeviceIndex(reinterpret_cast<LumenoDevice*>(library_.Get()), &value), E_HANDLE);
  EXPECT_EQ(CountOf(library_.Get()), 2u);
}

TEST_F(TwoCameras, RemovalNoticeRebuildsTheList) {
  const LumcapApi& api = Lumcap();
  const InterfaceNotice capture(kCaptureCategory);
  ASSERT_EQ(cameras_.Remove(kPlainName), S_OK);
  EXPECT_EQ(CountOf(library_.Get()), 2u);  // nothing changes before the notice
  EXPECT_EQ(api.LumenoDeviceChange(library_.Get(), DBT_DEVICEREMOVECOMPLETE, capture.Param()), S_OK);
  EXPECT_EQ(CountOf(library_.Get()), 1u);
  EXPECT_EQ(NameOf(library_.Get(), 0), kDescribedName);

  ASSERT_EQ(cameras_.RemoveAll(), S_OK);
  EXPECT_EQ(api.LumenoDeviceChange(library_.Get(), DBT_DEVICEREMOVECOMPLETE, capture.Param()), E_FAIL);
  EXPECT_EQ(CountOf(library_.Get()), 0u);
  WCHAR name[kNameChars];
  EXPECT_EQ(api.LumenoGetDeviceNameW(library_.Get(), 0, name, kNameChars), E_INVALIDARG);

  ASSERT_EQ(cameras_.Add(L"Plugged Camera"), S_OK);
  EXPECT_EQ(api.LumenoDeviceChange(library_.Get(), DBT_DEVICEARRIVAL, capture.Param()), S_OK);
  EXPECT_EQ(CountOf(library_.Get()), 1u);
  EXPECT_EQ(NameOf(library_.Get(), 0), L"Plugged Camera");
}

TEST_F(TwoCameras, OtherNoticesLeaveTheListAlone) {
  const LumcapApi& api = Lumcap();
  ASSERT_EQ(cameras_.RemoveAll(), S_OK);
  const InterfaceNotice volume(kVolumeInterfaces);
  const InterfaceNotice capture(kCaptureCategory);
  EXPECT_EQ(api.LumenoDeviceChange(library_.Get(), DBT_DEVICEREMOVECOMPLETE, volume.Param()), S_FALSE);
  EXPECT_EQ(api.LumenoDeviceChange(library_.Get(), DBT_DEVICEARRIVAL, volume.Param()), S_FALSE);
  // Other events, even of the capture class.
  EXPECT_EQ(api.LumenoDeviceChange(library_.Get(), DBT_DEVICEQUERYREMOVE, capture.Param()), S_FALSE);
  EXPECT_EQ(api.LumenoDeviceChange(library_.Get(), DBT_DEVNODES_CHANGED, 0), S_FALSE);
  // Headers of another kind, or too short to hold a class.
  DEV_BROADCAST_HDR port = {sizeof port, DBT_DEVTYP_PORT, 0};
  EXPECT_EQ(api.LumenoDeviceChange(library_.Get(), DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&port)), S_FALSE);
  DEV_BROADCAST_HDR bare = {sizeof bare, DBT_DEVTYP_DEVICEINTERFACE, 0};
  EXPECT_EQ(api.LumenoDeviceChange(library_.Get(), DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&bare)), S_FALSE);
  EXPECT_EQ(api.LumenoDeviceChange(library_.Get(), DBT_DEVICEARRIVAL, 0), S_FALSE);
  EXPECT_EQ(CountOf(library_.Get()), 2u);
}

TEST_F(TwoCameras, NotificationRegistrationIsKeptOnce) {
  const LumcapApi& api = Lumcap();
  MessageWindow window;
  ASSERT_NE(window.Get(), nullptr);
  EXPECT_EQ(api.LumenoEnableDeviceChangeNotifications(library_.Get(), window.Get()), S_OK);
  EXPECT_EQ(api.LumenoEnableDeviceChangeNotifications(library_.Get(), window.Get()), S_OK);
  EXPECT_EQ(api.LumenoEnableDeviceChangeNotifications(library_.Get(), nullptr), S_OK);
  EXPECT_EQ(api.LumenoEnableDeviceChangeNotifications(library_.Get(), nullptr), S_OK);
  // A registration left in place is removed with the library.
  EXPECT_EQ(api.LumenoEnableDeviceChangeNotifications(library_.Get(), window.Get()), S_OK);
}

TEST_F(TwoCameras, NotificationsNeedALiveWindow) {
  HWND stale = nullptr;
  {
    MessageWindow shortLived;
    stale = shortLived.Get();
  }
  EXPECT_EQ(Lumcap().LumenoEnableDeviceChangeNotifications(library_.Get(), stale), E_INVALIDARG);
  MessageWindow window;
  EXPECT_EQ(Lumcap().LumenoEnableDeviceChangeNotifications(library_.Get(), window.Get()), S_OK);
}

TEST_F(TwoCameras, TwoContextsLiveSideBySide) {
  Library second;
  UINT32 count = 0;
  ASSERT_EQ(second.Initialize(0, &count), S_OK);
  EXPECT_EQ(count, 2u);
  ASSERT_EQ(cameras_.RemoveAll(), S_OK);
  const InterfaceNotice capture(kCaptureCategory);
  EXPECT_EQ(Lumcap().LumenoDeviceChange(second.Get(), DBT_DEVICEREMOVECOMPLETE, capture.Param()), E_FAIL);
  EXPECT_EQ(CountOf(second.Get()), 0u);
  EXPECT_EQ(CountOf(library_.Get()), 2u);
}

TEST_F(Devices, ComApartmentIsInitialisedAndBalanced) {
  ASSERT_EQ(cameras_.Add(kPlainName), S_OK);
  HRESULT inMta = S_OK, keepCom = E_FAIL, balanced = E_FAIL, alreadySta = E_FAIL, stillSta = E_FAIL;
  LumenoLibrary* refused = nullptr;
  std::thread([&] {
    // A thread in the multi-threaded apartment cannot be made single-threaded ...
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    inMta = Lumcap().LumenoInitialize(&refused, 0, nullptr);
    // ... unless the caller keeps COM to itself.
    LumenoLibrary* library = nullptr;
    keepCom = Lumcap().LumenoInitialize(&library, LUMENO_INIT_KEEP_COM, nullptr);
    Lumcap().LumenoUninitialize(library);
    CoUninitialize();
  }).join();
  std::thread([&] {
    LumenoLibrary* library = nullptr;
    if (SUCCEEDED(Lumcap().LumenoInitialize(&library, 0, nullptr))) Lumcap().LumenoUninitialize(library);
    // COM is gone from the thread again: any apartment can be entered.
    balanced = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CoUninitialize();
  }).join();
  std::thread([&] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    LumenoLibrary* library = nullptr;
    alreadySta = Lumcap().LumenoInitialize(&library, 0, nullptr);
    Lumcap().LumenoUninitialize(library);
    stillSta = CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // the caller's own initialisation stays
    if (SUCCEEDED(stillSta)) CoUninitialize();
    CoUninitialize();
  }).join();
  EXPECT_EQ(inMta, RPC_E_CHANGED_MODE);
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(keepCom, S_OK);
  EXPECT_EQ(balanced, S_OK);
  EXPECT_EQ(alreadySta, S_OK);
  EXPECT_EQ(stillSta, RPC_E_CHANGED_MODE);
}

TEST_F(Devices, VirtualCameraBindsToItsSourceFilter) {
  ASSERT_EQ(cameras_.Add(L"Bound Camera"), S_OK);
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  {
    ICreateDevEnum* devices = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                               reinterpret_cast<void**>(&devices)),
              S_OK);
    IEnumMoniker* monikers = nullptr;
    ASSERT_EQ(devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0), S_OK);
    IMoniker* moniker = nullptr;
    ASSERT_EQ(monikers->Next(1, &moniker, nullptr), S_OK);
    IBaseFilter* filter = nullptr;
    ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
    CLSID clsid = {};
    EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid.Data1, 0x7A3C0001u);  // the first camera of the family
    IEnumPins* pins = nullptr;
    ASSERT_EQ(filter->EnumPins(&pins), S_OK);
    IPin* pin = nullptr;
    ASSERT_EQ(pins->Next(1, &pin, nullptr), S_OK);  // the capture pin only
    pin->Release();
    EXPECT_EQ(pins->Next(1, &pin, nullptr), S_FALSE);
    pins->Release();
    FILTER_STATE state = State_Running;
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    filter->Release();
    moniker->Release();
    monikers->Release();
    devices->Release();
  }
  CoUninitialize();
}
