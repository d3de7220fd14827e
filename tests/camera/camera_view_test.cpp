// The camera view's handling of cameras against a capture library of
// fakes: two cameras with their own sizes (one listed twice, as drivers
// list a size once per picture format), the device closed while its
// preview's owner window still exists, and one pop-up menu at a time.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/settings.h"
#include "camera/camera_view.h"

namespace {

struct Opened {
  UINT32 index;
  INT32 width, height;
};

// What the fake library was asked.
struct FakeCameras {
  std::vector<Opened> opened;
  HWND owner = nullptr;  // of the device open now
  int closedWithoutOwner = 0;
  int closes = 0;
} g_fake;

LumenoDevice* const kDevice = reinterpret_cast<LumenoDevice*>(0x1000);

const char* const kNames[] = {"Desk Camera", "Wide Camera"};
// The sizes each camera lists: the first lists 640 x 480 twice.
const std::vector<std::pair<int, int>> kSizes[] = {{{640, 480}, {320, 240}, {640, 480}}, {{1280, 720}, {160, 120}}};

HRESULT LUMENO_CALL FakeCount(LumenoLibrary*, UINT32* count) {
  *count = 2;
  return S_OK;
}
HRESULT LUMENO_CALL FakeName(LumenoLibrary*, UINT32 index, char* buffer, UINT32 size) {
  std::snprintf(buffer, size, "%s", kNames[index]);
  return S_OK;
}
HRESULT LUMENO_CALL FakeNotifications(LumenoLibrary*, HWND) { return S_OK; }
HRESULT LUMENO_CALL FakeCaps(LumenoLibrary*, UINT32, UINT32* caps) {
  *caps = 0;
  return S_OK;
}
HRESULT LUMENO_CALL FakeResolutions(LumenoLibrary*, UINT32 index, UINT32, LumenoResolutionList* list, UINT32* size) {
  const auto& sizes = kSizes[index];
  const UINT32 needed = static_cast<UINT32>(sizeof(UINT32) + sizes.size() * sizeof(LumenoResolution));
  if (!list) {
    *size = needed;
    return S_OK;
  }
  if (*size < needed) return E_INVALIDARG;
  list->count = static_cast<UINT32>(sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    list->items[i] = LumenoResolution{};
    list->items[i].maxWidth = sizes[i].first;
    list->items[i].maxHeight = sizes[i].second;
  }
  return S_OK;
}
HRESULT LUMENO_CALL FakeOpen(LumenoLibrary*, UINT32 index, LumenoOpenParams* params, LumenoDevice** device) {
  g_fake.opened.push_back(Opened{index, params->width, params->height});
  g_fake.owner = params->ownerWindow;
  *device = kDevice;
  return S_OK;
}
HRESULT LUMENO_CALL FakeClose(LumenoDevice* device) {
  if (!device) return E_POINTER;
  ++g_fake.closes;
  if (!IsWindow(g_fake.owner)) ++g_fake.closedWithoutOwner;
  return S_OK;
}
HRESULT LUMENO_CALL FakeGetProperty(LumenoDevice*, UINT32, LumenoPropertyInfo*) { return E_NOTIMPL; }
HRESULT LUMENO_CALL FakeSetProperty(LumenoDevice*, UINT32, INT32, UINT32) { return E_NOTIMPL; }
HRESULT LUMENO_CALL FakeCaptureCaps(LumenoDevice*, UINT32* caps) {
  *caps = 0;
  return S_OK;
}
HRESULT LUMENO_CALL FakePosition(LumenoDevice*, const RECT*) { return S_OK; }
HRESULT LUMENO_CALL FakeShow(LumenoDevice*, BOOL) { return S_OK; }
HRESULT LUMENO_CALL FakeInputs(LumenoDevice*, UINT32* count) {
  *count = 0;
  return S_OK;
}
HRESULT LUMENO_CALL FakeSetInput(LumenoDevice*, INT32) { return S_OK; }

template <typename Fn>
void Bind(CaptureModule& capture, CaptureProcIndex index, Fn fn) {
  capture.procs[index] = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fn));
}

void BindFakes(CaptureModule& capture) {
  Bind(capture, kCaptureProc_LumenoGetDeviceCount, FakeCount);
  Bind(capture, kCaptureProc_LumenoGetDeviceNameA, FakeName);
  Bind(capture, kCaptureProc_LumenoEnableDeviceChangeNotifications, FakeNotifications);
  Bind(capture, kCaptureProc_LumenoGetDeviceCaps, FakeCaps);
  Bind(capture, kCaptureProc_LumenoGetDeviceResolutions, FakeResolutions);
  Bind(capture, kCaptureProc_LumenoOpenDevice, FakeOpen);
  Bind(capture, kCaptureProc_LumenoCloseDevice, FakeClose);
  Bind(capture, kCaptureProc_LumenoGetDeviceProperty, FakeGetProperty);
  Bind(capture, kCaptureProc_LumenoSetDeviceProperty, FakeSetProperty);
  Bind(capture, kCaptureProc_LumenoGetCaptureCaps, FakeCaptureCaps);
  Bind(capture, kCaptureProc_LumenoSetPreviewPosition, FakePosition);
  Bind(capture, kCaptureProc_LumenoShowPreview, FakeShow);
  Bind(capture, kCaptureProc_LumenoGetInputCount, FakeInputs);
  Bind(capture, kCaptureProc_LumenoSetInput, FakeSetInput);
}

std::vector<std::string> MenuTexts(HMENU menu) {
  std::vector<std::string> texts;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[64] = "";
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    texts.emplace_back(text);
  }
  return texts;
}

class CameraViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFileA(".\\camera_view_test.ini");
    SetSettingsPath(".\\camera_view_test.ini");
    LogSetPath("camera_view_test.pro");
    LogReset();
    LogSetLevel(1);
    main_ = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 900, 600, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(main_, nullptr);
    g_fake = FakeCameras{};
    BindFakes(capture_);
    host_.capture = &capture_;
    host_.main = main_;
    host_.instance = GetModuleHandleA(nullptr);
    host_.page = &page_;
    host_.record = &record_;
    host_.popupOpen = &popupOpen_;
  }
  void TearDown() override { DestroyWindow(main_); }

  HWND main_ = nullptr;
  CaptureModule capture_;
  CameraHost host_;
  DotPage page_{};
  DTM record_{};
  bool popupOpen_ = false;
};

// Asked from inside the menu loop of a first pop-up, as a tick or a
// command would: a second one, and the flag as it is meanwhile.
struct Nested {
  const CameraHost* host;
  int entry = -1;
  bool flagMeanwhile = false;
} g_nested;

void CALLBACK OpenSecondPopup(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  g_nested.entry = ViewPopup(*g_nested.host, POINT{200, 200}, true, PopupChecks{false, false});
  g_nested.flagMeanwhile = *g_nested.host->popupOpen;
  EndMenu();
}

}  // namespace

TEST_F(CameraViewTest, EachCameraOpensWithItsOwnSizesListedOnceAndCloses) {
  CameraView view;
  view.available = true;
  HMENU cameras = CreatePopupMenu(), resolutions = CreatePopupMenu();
  view.resolutionMenu = resolutions;
  ListCameras(view, host_, cameras);
  ASSERT_EQ(view.count, 2);
  ReadCameraCaps(view, host_);
  EXPECT_EQ(MenuTexts(resolutions), (std::vector<std::string>{"[  0]\t 640 *  480", "[  1]\t 320 *  240"}));

  CreateCam(view, host_);
  ASSERT_EQ(g_fake.opened.size(), 1u);
  EXPECT_EQ(g_fake.opened[0].index, 0u);
  EXPECT_EQ(g_fake.opened[0].width, 640);

  // The other camera: its own sizes in the menu, its first size opened.
  ChooseCamera(view, host_, 1);
  ASSERT_EQ(g_fake.opened.size(), 2u);
  EXPECT_EQ(g_fake.opened[1].index, 1u);
  EXPECT_EQ(g_fake.opened[1].width, 1280);
  EXPECT_EQ(g_fake.opened[1].height, 720);
  EXPECT_EQ(MenuTexts(resolutions), (std::vector<std::string>{"[  0]\t1280 *  720", "[  1]\t 160 *  120"}));
  const int width = ProfileGetInt("W", 0, "Wide Camera");
  EXPECT_GT(width, 0);
  EXPECT_EQ(ProfileGetInt("B", 0, "Wide Camera"), HeightForAspect(width, AspectPercent(1280, 720)));

  // Large and back: every close comes while the preview's owner exists.
  CreateBigCam(view, host_);
  CreateCam(view, host_);
  CloseCam(view, host_);
  EXPECT_EQ(g_fake.closes, 4);
  EXPECT_EQ(g_fake.closedWithoutOwner, 0);
  DestroyMenu(cameras);
  DestroyMenu(resolutions);
}

TEST_F(CameraViewTest, WhileAPopupIsOpenAnotherNeitherOpensNorClearsItsFlag) {
  HMENU popup = CreatePopupMenu();
  AppendMenuA(popup, MF_STRING, kPopupBigSmall, "Big/small");
  AppendMenuA(popup, MF_STRING, kPopupDynamic, "Dynamic");
  AppendMenuA(popup, MF_STRING, kPopupOutline, "Outline");
  host_.popupMenu = popup;
  g_nested = Nested{&host_};
  SetTimer(nullptr, 0, 100, OpenSecondPopup);
  EXPECT_EQ(ViewPopup(host_, POINT{100, 100}, true, PopupChecks{false, false}), 0);
  EXPECT_EQ(g_nested.entry, 0);
  EXPECT_TRUE(g_nested.flagMeanwhile) << "the open pop-up keeps the arrow keys";
  EXPECT_FALSE(popupOpen_) << "cleared by the pop-up that set it";
  // The screen view's pop-up greys the camera's own entries and checks
  // the modes in force.
  g_nested = Nested{&host_};
  SetTimer(nullptr, 0, 100, OpenSecondPopup);
  ViewPopup(host_, POINT{100, 100}, false, PopupChecks{true, true});
  EXPECT_NE(GetMenuState(popup, kPopupBigSmall, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_EQ(GetMenuState(popup, kPopupDynamic, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_NE(GetMenuState(popup, kPopupDynamic, MF_BYCOMMAND) & MF_CHECKED, 0u);
  EXPECT_NE(GetMenuState(popup, kPopupOutline, MF_BYCOMMAND) & MF_CHECKED, 0u);
  DestroyMenu(popup);
}
