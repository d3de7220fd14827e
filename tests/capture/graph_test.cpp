// The capture graph through the real library and the virtual camera in a
// real DirectShow graph: formats chosen at opening, the live preview read
// back from the screen, pause and resume, properties, extension units,
// capability bits, sorted format ranges, and open/close without growth.
#include "lumcap_api.h"

#include <dshow.h>

#include <gtest/gtest.h>
#include <psapi.h>

#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr wchar_t kPlain[] = L"Graph Plain Camera";
constexpr wchar_t kRanged[] = L"Graph Ranged Camera";
constexpr wchar_t kStill[] = L"Graph Still Camera";
constexpr wchar_t kListed[] = L"Graph Listed Camera";
constexpr wchar_t kAudio[] = L"Graph Audio Camera";
constexpr wchar_t kEmpty[] = L"Graph Empty Camera";

// Cameras by configuration text.
struct CameraSpec {
  const wchar_t* name;
  const wchar_t* config;
};
constexpr CameraSpec kCameras[] = {
    {kPlain, L"format RGB24 320x240 30; format RGB24 640x480 30"},
    {kRanged,
     L"format RGB24 160x120-1920x1080/8 30; amp 0 0 255 1 128 3 100 2; amp 1 0 100 1 50 2 60 2;"
     L"cam 6 0 250 5 0 3 40 2; controlcaps 7; topology camera; xu {A29E7641-DE04-47E3-8B2B-F4341AFF003B}"},
    {kStill, L"format RGB24 640x480-1280x720/16 15-30; still RGB24 1280x1024 5; topology transport"},
    {kListed,
     L"format YUY2 640x480 30; format YUY2 320x240 30; format YUY2 1280x720 5-30; format MJPG 640x480 30;"
     L"format YUY2 160x120 30 v2"},
    {kAudio, L"format RGB24 640x480 30; format audio"},
    {kEmpty, L"recordsize 64"},
};

constexpr GUID kExtensionUnit = {0xA29E7641, 0xDE04, 0x47E3, {0x8B, 0x2B, 0xF4, 0x34, 0x1A, 0xFF, 0x00, 0x3B}};
constexpr GUID kOtherUnit = {0xA29E7642, 0xDE04, 0x47E3, {0x8B, 0x2B, 0xF4, 0x34, 0x1A, 0xFF, 0x00, 0x3B}};
constexpr DWORD kRgb24Group = 0xE436EB7D;
constexpr DWORD kYuy2 = 0x32595559;
constexpr DWORD kMjpg = 0x47504A4D;
constexpr HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);

constexpr DWORD kWaitMs = 15000;

// Polls `done` every 10 ms until it holds or the wait ends.
bool WaitFor(const std::function<bool()>& done, DWORD ms = kWaitMs) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() > end) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
}

// A black top-level window for the preview, on the private X screen.
class OwnerWindow {
 public:
  OwnerWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"GraphTestOwner";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"preview", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                              kLeft, kTop, kWidth, kHeight, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~OwnerWindow() { DestroyWindow(window_); }
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  HWND Get() const { return window_; }

  // Colour on the screen at a client position of the window.
  COLORREF Pixel(int x, int y) const {
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, kLeft + x, kTop + y);
    ReleaseDC(nullptr, screen);
    return colour;
  }
  // Whether the area (x, y, w, h) of the client shows the camera's test
  // picture: red grows to the right, green downwards, a white top-left mark.
  // A shrunk picture is compared by its green only: the renderer combines
  // the pixels it leaves out, which blurs the fine steps of red.
  bool ShowsPicture(int x, int y, int w, int h, bool shrunk = false) const {
    constexpr int kTolerance = 48;
    const double points[][2] = {{0.75, 0.25}, {0.25, 0.75}, {0.75, 0.75}, {0.5, 0.5}};
    for (const auto& p : points) {
      const COLORREF c = Pixel(x + static_cast<int>(p[0] * w), y + static_cast<int>(p[1] * h));
      if ((!shrunk && std::abs(GetRValue(c) - static_cast<int>(p[0] * 255)) > kTolerance) ||
          std::abs(GetGValue(c) - static_cast<int>(p[1] * 255)) > kTolerance) {
        return false;
      }
    }
    return IsWhite(Pixel(x + w / 32, y + h / 32));
  }
  static bool IsWhite(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200; }
  static bool IsBlack(COLORREF c) { return GetRValue(c) < 40 && GetGValue(c) < 40 && GetBValue(c) < 40; }

  static constexpr int kLeft = 40;
  static constexpr int kTop = 40;
  static constexpr int kWidth = 320;
  static constexpr int kHeight = 240;

 private:
  HWND window_;
};

class Device {
 public:
  Device() = default;
  ~Device() { Close(); }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;
  LumenoDevice* Get() const { return handle_; }
  LumenoDevice** Put() { return &handle_; }
  HRESULT Close() {
    HRESULT hr = handle_ ? Lumcap().LumenoCloseDevice(handle_) : S_OK;
    handle_ = nullptr;
    return hr;
  }

 private:
  LumenoDevice* handle_ = nullptr;
};

class Graph : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const CameraSpec& camera : kCameras) ASSERT_EQ(cameras_.AddConfigured(camera.name, camera.config), S_OK);
    ASSERT_EQ(Lumcap().LumenoInitialize(&library_, 0, nullptr), S_OK);
  }
  void TearDown() override { Lumcap().LumenoUninitialize(library_); }

  UINT32 IndexOf(const wchar_t* name) {
    UINT32 index = 0;
    EXPECT_EQ(Lumcap().LumenoFindDeviceW(library_, name, FALSE, &index), S_OK);
    return index;
  }
  static LumenoOpenParams Params(INT32 width, INT32 height, INT32 frameRate = 0) {
    LumenoOpenParams params = {};
    params.width = width;
    params.height = height;
    params.frameRate = frameRate;
    return params;
  }
  HRESULT Open(const wchar_t* name, LumenoOpenParams* params, Device& device) {
    return Lumcap().LumenoOpenDevice(library_, IndexOf(name), params, device.Put());
  }

  VirtualCameras cameras_;
  LumenoLibrary* library_ = nullptr;
};

TEST_F(Graph, FormatsChosenAtOpeningExactNearestAndKept) {
  // A size inside a range of granularity 8 is taken; one off the grid is not.
  LumenoOpenParams params = Params(1280, 720, 15);
  params.subtype = MEDIASUBTYPE_RGB24;
  Device device;
  ASSERT_EQ(Open(kRanged, &params, device), S_OK);
  EXPECT_EQ(params.width, 1280);
  EXPECT_EQ(params.height, 720);
  EXPECT_EQ(params.frameRate, 15);
  EXPECT_EQ(params.bitCount, 24);
  EXPECT_EQ(params.timeout, LUMENO_DEFAULT_TIMEOUT_MS);
  VcamObservation seen = cameras_.Observe(kRanged);
  EXPECT_EQ(seen.capture.width, 1280);
  EXPECT_EQ(seen.capture.frameDuration, 10000000 / 15);
  ASSERT_TRUE(WaitFor([&] { return cameras_.Observe(kRanged).capture.frames > 0; }));
  device.Close();

  params = Params(1281, 720);
  params.subtype = MEDIASUBTYPE_RGB24;
  EXPECT_EQ(Open(kRanged, &params, device), E_INVALIDARG);
  EXPECT_EQ(device.Get(), nullptr);

  // Only the first group of a code with zero second and third groups counts;
  // a frame rate of 0 keeps the device's frame duration.
  params = Params(320, 240, 0);
  params.subtype = {kRgb24Group, 0, 0, {}};
  ASSERT_EQ(Open(kPlain, &params, device), S_OK);
  EXPECT_EQ(params.frameRate, 30);
  EXPECT_EQ(cameras_.Observe(kPlain).capture.frameDuration, 10000000 / 30);
  EXPECT_EQ(cameras_.Observe(kPlain).capture.width, 320);
  device.Close();

  // Still-pin mode: the still pin gets the wanted format, the preview pin
  // 640 x 480 at 25 frames per second; without still pin the bit is cleared.
  params = Params(1280, 1024, 5);
  params.flags = LUMENO_OPEN_STILL_PIN;
  ASSERT_EQ(Open(kStill, &params, device), S_OK);
  EXPECT_EQ(params.flags, LUMENO_OPEN_STILL_PIN);
  seen = cameras_.Observe(kStill);
  EXPECT_EQ(seen.capture.width, 640);
  EXPECT_EQ(seen.capture.height, 480);
  EXPECT_EQ(seen.capture.frameDuration, 10000000 / 25);
  EXPECT_EQ(seen.still.width, 1280);
  EXPECT_EQ(seen.still.connected, 1);
  UINT32 caps = 0;
  EXPECT_EQ(Lumcap().LumenoGetCaptureCaps(device.Get(), &caps), S_OK);
  EXPECT_EQ(caps, 0xFu);
  EXPECT_EQ(Lumcap().LumenoFlipCapture(device.Get(), LUMENO_FLIP_VERTICAL), S_OK);
  EXPECT_EQ(cameras_.Observe(kStill).videoControlMode, 2);
  device.Close();

  params = Params(640, 480);
  params.flags = LUMENO_OPEN_STILL_PIN;
  ASSERT_EQ(Open(kPlain, &params, device), S_OK);
  EXPECT_EQ(params.flags, 0u);
  EXPECT_EQ(Lumcap().LumenoFlipCapture(device.Get(), LUMENO_FLIP_HORIZONTAL), E_POINTER);
  // No preview window: the preview calls have nothing to act on.
  RECT rect = {0, 0, 10, 10};
  EXPECT_EQ(Lumcap().LumenoSetPreviewPosition(device.Get(), &rect), E_POINTER);
  EXPECT_EQ(Lumcap().LumenoShowPreview(device.Get(), TRUE), E_POINTER);
  // No crossbar: no inputs.
  UINT32 inputs = 99;
  EXPECT_EQ(Lumcap().LumenoGetInputCount(device.Get(), &inputs), S_OK);
  EXPECT_EQ(inputs, 0u);
  EXPECT_EQ(Lumcap().LumenoSetInput(device.Get(), 0), E_INVALIDARG);
  WCHAR name[32];
  EXPECT_EQ(Lumcap().LumenoGetInputNameW(device.Get(), -1, name, 32), E_INVALIDARG);
}

TEST_F(Graph, PreviewShowsTheTestPictureMovesHidesAndPauses) {
  OwnerWindow owner;
  ASSERT_NE(owner.Get(), nullptr);
  LumenoOpenParams params = Params(320, 240);
  params.ownerWindow = owner.Get();
  Device device;
  ASSERT_EQ(Open(kPlain, &params, device), S_OK);
  RECT whole = {0, 0, OwnerWindow::kWidth, OwnerWindow::kHeight};
  ASSERT_EQ(Lumcap().LumenoSetPreviewPosition(device.Get(), &whole), S_OK);
  ASSERT_EQ(Lumcap().LumenoShowPreview(device.Get(), TRUE), S_OK);
  EXPECT_TRUE(WaitFor([&] { return owner.ShowsPicture(0, 0, OwnerWindow::kWidth, OwnerWindow::kHeight); }))
      << "no test picture in the owner window";

  // Moved to the lower right quarter: the corner mark follows.
  RECT quarter = {160, 120, 320, 240};
  ASSERT_EQ(Lumcap().LumenoSetPreviewPosition(device.Get(), &quarter), S_OK);
  EXPECT_TRUE(WaitFor([&] { return owner.ShowsPicture(160, 120, 160, 120, true) && OwnerWindow::IsBlack(owner.Pixel(20, 20)); }));

  // Paused: no frames come; a second pause changes nothing; resumed: they come again.
  EXPECT_EQ(Lumcap().LumenoIsPreviewPaused(device.Get()), S_FALSE);
  ASSERT_EQ(Lumcap().LumenoPausePreview(device.Get(), TRUE), S_OK);
  EXPECT_EQ(Lumcap().LumenoIsPreviewPaused(device.Get()), S_OK);
  EXPECT_EQ(Lumcap().LumenoPausePreview(device.Get(), TRUE), S_OK);
  const LONG framesPaused = cameras_.Observe(kPlain).capture.frames;
  ASSERT_EQ(Lumcap().LumenoPausePreview(device.Get(), FALSE), S_OK);
  EXPECT_EQ(Lumcap().LumenoIsPreviewPaused(device.Get()), S_FALSE);
  EXPECT_TRUE(WaitFor([&] { return cameras_.Observe(kPlain).capture.frames > framesPaused + 2; }));

  // Hidden: the owner's own black shows again.
  ASSERT_EQ(Lumcap().LumenoShowPreview(device.Get(), FALSE), S_OK);
  EXPECT_TRUE(WaitFor([&] {
    InvalidateRect(owner.Get(), nullptr, TRUE);
    return OwnerWindow::IsBlack(owner.Pixel(200, 150));
  }));
  EXPECT_EQ(device.Close(), S_OK);
}

}  // namespace
