// The capture graph through the real library and the virtual camera in a
// real DirectShow graph: formats chosen at opening, the live preview read
// back from the screen, pause and resume, properties, extension units,
// capability bits, sorted format ranges, and open/close without growth.
#include "lumcap_api.h"

#include <dshow.h>

#include <gtest/gtest.h>
#include <psapi.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kPlain[] = L"Graph Plain Camera";
constexpr wchar_t kRanged[] = L"Graph Ranged Camera";
constexpr wchar_t kStill[] = L"Graph Still Camera";
constexpr wchar_t kListed[] = L"Graph Listed Camera";
constexpr wchar_t kAudio[] = L"Graph Audio Camera";
constexpr wchar_t kYuy2Camera[] = L"Graph YUY2 Camera";
constexpr wchar_t kMjpgCamera[] = L"Graph MJPG Camera";
constexpr wchar_t kUyvyCamera[] = L"Graph UYVY Camera";
constexpr wchar_t kDvCamera[] = L"Graph DV Camera";
constexpr wchar_t kCamcorder[] = L"Graph DV Camcorder";
constexpr wchar_t kMute[] = L"Graph Mute Camera";
constexpr wchar_t kFailing[] = L"Graph Failing Camera";
constexpr wchar_t kTuner[] = L"Graph Crossbar Camera";
constexpr wchar_t kSmallRecords[] = L"Graph Small Record Camera";

// Cameras by configuration text.
struct CameraConfig {
  const wchar_t* name;
  const wchar_t* config;
};
constexpr CameraConfig kCameras[] = {
    {kPlain, L"format RGB24 320x240 30; format RGB24 640x480 30"},
    {kRanged,
     L"format RGB24 160x120-1920x1080/8 30; amp 0 0 255 1 128 3 100 2; amp 1 0 100 1 50 2 60 2;"
     L"cam 6 0 250 5 0 3 40 2; controlcaps 7; topology camera; xu {A29E7641-DE04-47E3-8B2B-F4341AFF003B}"},
    {kStill, L"format RGB24 640x480-1280x720/16 15-30; still RGB24 1280x1024 5; topology transport"},
    {kListed,
     L"format YUY2 640x480 30; format YUY2 320x240 30; format YUY2 1280x720 5-30; format MJPG 640x480 30;"
     L"format YUY2 160x120 30 v2"},
    {kAudio, L"format RGB24 640x480 30; format audio"},
    {kYuy2Camera, L"format YUY2 320x240 30"},
    {kMjpgCamera, L"format MJPG 320x240 30"},
    {kUyvyCamera, L"format UYVY 320x240 30"},
    {kDvCamera, L"format dvsd 720x480 30"},
    {kCamcorder, L"format dvsd 720x480 30 iavs"},
    {kMute, L"format RGB24 320x240 30; mute"},
    {kTuner, L"format RGB24 320x240 30; crossbar"},
    {kFailing, L"format RGB24 320x240 30; amp 0 0 255 1 128 3 100 2; failread"},
    {kSmallRecords, L"format RGB24 640x480 30; recordsize 64"},
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
    for (const CameraConfig& camera : kCameras) ASSERT_EQ(cameras_.AddConfigured(camera.name, camera.config), S_OK);
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
  // The still pin sends one frame per press of the button, into the grabber.
  ASSERT_EQ(cameras_.PressButton(kStill), S_OK);
  EXPECT_TRUE(WaitFor([&] { return cameras_.Observe(kStill).still.frames == 1; }));
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

// Wine's mixing renderers are created and cannot connect here (Direct3D
// without a 3D device): each is removed again, and the plain video
// renderer shows the preview.
TEST_F(Graph, PreviewShowsTheTestPictureMovesHidesAndPauses) {
  OwnerWindow owner;
  ASSERT_NE(owner.Get(), nullptr);
  LumenoOpenParams params = Params(320, 240);
  params.ownerWindow = owner.Get();
  Device device;
  TraceCapture trace;
  ASSERT_EQ(Open(kPlain, &params, device), S_OK);
  const std::string steps = trace.Text();
  EXPECT_NE(steps.find("cannot connect, removed again: VMR9"), std::string::npos) << steps;
  EXPECT_NE(steps.find("cannot connect, removed again: VMR7"), std::string::npos) << steps;
  EXPECT_NE(steps.find("preview through Video Renderer"), std::string::npos) << steps;
  RECT whole = {0, 0, OwnerWindow::kWidth, OwnerWindow::kHeight};
  ASSERT_EQ(Lumcap().LumenoSetPreviewPosition(device.Get(), &whole), S_OK);
  ASSERT_EQ(Lumcap().LumenoShowPreview(device.Get(), TRUE), S_OK);
  EXPECT_TRUE(WaitFor([&] { return owner.ShowsPicture(0, 0, OwnerWindow::kWidth, OwnerWindow::kHeight); }))
      << "no test picture in the owner window";

  // Moved to the lower right quarter: the corner mark follows.
  RECT quarter = {160, 120, 320, 240};
  ASSERT_EQ(Lumcap().LumenoSetPreviewPosition(device.Get(), &quarter), S_OK);
  EXPECT_TRUE(WaitFor(
      [&] { return owner.ShowsPicture(160, 120, 160, 120, true) && OwnerWindow::IsBlack(owner.Pixel(20, 20)); }));

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

// A system where neither mixing renderer can be created at all: the plain
// renderer is the first one tried. (Their classes answer nothing in this
// process while the test runs.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"  // a COM object, released through Release
TEST_F(Graph, WithoutMixingRenderersThePlainRendererShows) {
  struct Refusing : IClassFactory {
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
      *object = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory) ? this : nullptr;
      return *object ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID, void** object) override {
      *object = nullptr;
      return REGDB_E_CLASSNOTREG;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
  } refusing;
  DWORD cookies[2] = {};
  const CLSID* classes[] = {&CLSID_VideoMixingRenderer9, &CLSID_VideoMixingRenderer};
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(CoRegisterClassObject(*classes[i], &refusing, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookies[i]),
              S_OK);
  }
  OwnerWindow owner;
  LumenoOpenParams params = Params(320, 240);
  params.ownerWindow = owner.Get();
  Device device;
  TraceCapture trace;
  EXPECT_EQ(Open(kPlain, &params, device), S_OK);
  for (DWORD cookie : cookies) CoRevokeClassObject(cookie);
  const std::string steps = trace.Text();
  EXPECT_NE(steps.find("cannot be created: VMR9"), std::string::npos) << steps;
  EXPECT_EQ(steps.find("cannot connect"), std::string::npos) << steps;
  EXPECT_NE(steps.find("preview through Video Renderer"), std::string::npos) << steps;
  EXPECT_TRUE(WaitFor([&] { return owner.ShowsPicture(0, 0, OwnerWindow::kWidth, OwnerWindow::kHeight); }))
      << "the preview fills the owner window from the start";
}
#pragma GCC diagnostic pop

// YUY2 and MJPG cameras preview through Wine's AVI decompressor with the
// camera's own codec, which the library's decompressor lookup finds too. A
// code no decompressor takes cannot be opened; a DV camera needs the DV
// decoder, which this system lacks, and leaves nothing behind.
TEST_F(Graph, CompressedCamerasPreviewThroughTheirDecompressor) {
  for (const wchar_t* camera : {kYuy2Camera, kMjpgCamera}) {
    OwnerWindow owner;
    LumenoOpenParams params = Params(320, 240);
    params.ownerWindow = owner.Get();
    Device device;
    ASSERT_EQ(Open(camera, &params, device), S_OK) << camera;
    RECT whole = {0, 0, OwnerWindow::kWidth, OwnerWindow::kHeight};
    ASSERT_EQ(Lumcap().LumenoSetPreviewPosition(device.Get(), &whole), S_OK);
    ASSERT_EQ(Lumcap().LumenoShowPreview(device.Get(), TRUE), S_OK);
    EXPECT_TRUE(WaitFor([&] { return owner.ShowsPicture(0, 0, OwnerWindow::kWidth, OwnerWindow::kHeight); })) << camera;
  }
  LumenoOpenParams params = Params(320, 240);
  Device device;
  EXPECT_EQ(Open(kUyvyCamera, &params, device), VFW_E_CANNOT_CONNECT);
  EXPECT_EQ(Open(kDvCamera, &params, device), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(device.Get(), nullptr);
  EXPECT_EQ(cameras_.Observe(kDvCamera).liveFilters, 0);
  // A camcorder's interleaved pin is found (its capabilities are read), and
  // its opening fails cleanly where the DV decoder is missing.
  UINT32 caps = 99;
  EXPECT_EQ(Lumcap().LumenoGetDeviceCaps(library_, IndexOf(kCamcorder), &caps), S_OK);
  EXPECT_EQ(caps, 0u);
  TraceCapture trace;
  EXPECT_EQ(Open(kCamcorder, &params, device), REGDB_E_CLASSNOTREG);
  EXPECT_NE(trace.Text().find("interleaved DV stream: no decoder"), std::string::npos) << trace.Text();
  EXPECT_EQ(device.Get(), nullptr);
  EXPECT_EQ(cameras_.Observe(kCamcorder).liveFilters, 0);
}

// A camera behind a crossbar: its inputs are found through the capture
// graph builder, named by connector, and routed.
TEST_F(Graph, InputsOfACrossbarAreNamedAndRouted) {
  LumenoOpenParams params = Params(320, 240);
  Device device;
  ASSERT_EQ(Open(kTuner, &params, device), S_OK);
  UINT32 inputs = 0;
  ASSERT_EQ(Lumcap().LumenoGetInputCount(device.Get(), &inputs), S_OK);
  ASSERT_EQ(inputs, 2u);
  char ansi[32];
  WCHAR name[32];
  ASSERT_EQ(Lumcap().LumenoGetInputNameA(device.Get(), -1, ansi, sizeof ansi), S_OK);
  EXPECT_STREQ(ansi, "Composite");
  ASSERT_EQ(Lumcap().LumenoSetInput(device.Get(), 1), S_OK);
  EXPECT_EQ(cameras_.Observe(kTuner).crossbarInput, 1);
  ASSERT_EQ(Lumcap().LumenoGetInputNameW(device.Get(), -1, name, 32), S_OK);
  EXPECT_STREQ(name, L"S-Video");
  EXPECT_EQ(Lumcap().LumenoSetInput(device.Get(), 2), E_INVALIDARG);
  EXPECT_EQ(Lumcap().LumenoGetInputNameW(device.Get(), 2, name, 32), E_INVALIDARG);
  EXPECT_EQ(device.Close(), S_OK);
  EXPECT_EQ(cameras_.Observe(kTuner).liveFilters, 0);
}

TEST_F(Graph, CapabilityBitsAndSortedRanges) {
  UINT32 caps = 99;
  EXPECT_EQ(Lumcap().LumenoGetDeviceCaps(library_, IndexOf(kPlain), &caps), S_OK);
  EXPECT_EQ(caps, 0u);
  EXPECT_EQ(Lumcap().LumenoGetDeviceCaps(library_, IndexOf(kRanged), &caps), S_OK);
  EXPECT_EQ(caps, LUMENO_CAPS_CAMERA_TERMINAL);
  EXPECT_EQ(Lumcap().LumenoGetDeviceCaps(library_, IndexOf(kStill), &caps), S_OK);
  EXPECT_EQ(caps, LUMENO_CAPS_STILL_PIN | LUMENO_CAPS_CAMERA_TERMINAL);

  // YUY2, MJPG, YUY2 again: three groups; 640, 320, 1280 sorted by size.
  UINT32 size = 0;
  ASSERT_EQ(Lumcap().LumenoGetDeviceResolutions(library_, IndexOf(kListed), 0, nullptr, &size), S_OK);
  ASSERT_EQ(size, 4u + 52u * 5u);
  std::vector<BYTE> buffer(size);
  auto* list = reinterpret_cast<LumenoResolutionList*>(buffer.data());
  UINT32 small = size - 1;
  EXPECT_EQ(Lumcap().LumenoGetDeviceResolutions(library_, IndexOf(kListed), 0, list, &small),
            HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(small, size);
  ASSERT_EQ(Lumcap().LumenoGetDeviceResolutions(library_, IndexOf(kListed), 0, list, &size), S_OK);
  ASSERT_EQ(list->count, 5u);
  const LumenoResolution* r = list->items;
  const INT32 widths[] = {320, 640, 1280, 640, 160};
  const DWORD codes[] = {kYuy2, kYuy2, kYuy2, kMjpg, kYuy2};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(r[i].minWidth, widths[i]) << i;
    EXPECT_EQ(r[i].subtype.Data1, codes[i]) << i;
  }
  EXPECT_EQ(r[0].bitCount, 16);
  EXPECT_EQ(r[3].bitCount, 24);
  EXPECT_EQ(r[2].minFrameRate, 5);
  EXPECT_EQ(r[2].maxFrameRate, 30);

  // The still pin's ranges on request; a range with granularity.
  ASSERT_EQ(
      Lumcap().LumenoGetDeviceResolutions(library_, IndexOf(kStill), LUMENO_RESOLUTIONS_STILL_PIN, nullptr, &size),
      S_OK);
  ASSERT_EQ(size, 4u + 52u);
  ASSERT_EQ(Lumcap().LumenoGetDeviceResolutions(library_, IndexOf(kStill), LUMENO_RESOLUTIONS_STILL_PIN, list, &size),
            S_OK);
  EXPECT_EQ(list->items[0].maxWidth, 1280);
  ASSERT_EQ(Lumcap().LumenoGetDeviceResolutions(library_, IndexOf(kRanged), 0, list, &size), S_OK);
  EXPECT_EQ(list->items[0].maxWidth, 1920);
  EXPECT_EQ(list->items[0].widthGranularity, 8);

  // A capability that is not video spoils the whole list; records too small fail.
  EXPECT_EQ(Lumcap().LumenoGetDeviceResolutions(library_, IndexOf(kAudio), 0, nullptr, &size), VFW_E_INVALIDMEDIATYPE);
  EXPECT_EQ(Lumcap().LumenoGetDeviceResolutions(library_, IndexOf(kSmallRecords), 0, nullptr, &size), E_FAIL);
}

TEST_F(Graph, PropertiesAndExtensionUnitsOnTheDevice) {
  LumenoOpenParams params = Params(640, 480);
  Device ranged;
  ASSERT_EQ(Open(kRanged, &params, ranged), S_OK);
  LumenoPropertyInfo info = {};
  ASSERT_EQ(Lumcap().LumenoGetDeviceProperty(ranged.Get(), LUMENO_PROPERTY_VIDEO_PROC_AMP | 0, &info), S_OK);
  const LumenoPropertyInfo brightness = {100, 2, 0, 255, 1, 128, 3};
  EXPECT_EQ(std::memcmp(&info, &brightness, sizeof info), 0);
  // Zoom is missing from the camera control: S_OK and nothing written.
  LumenoPropertyInfo untouched = {-1, -1, -1, -1, -1, -1, -1};
  info = untouched;
  EXPECT_EQ(Lumcap().LumenoGetDeviceProperty(ranged.Get(), LUMENO_PROPERTY_CAMERA_CONTROL | 3, &info), S_OK);
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
  EXPECT_EQ(Lumcap().LumenoGetDeviceProperty(ranged.Get(), 0x00030000, &info), S_OK);
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
  EXPECT_EQ(Lumcap().LumenoSetDeviceProperty(ranged.Get(), 0x00030000, 1, 2), E_INVALIDARG);
  EXPECT_EQ(Lumcap().LumenoSetDeviceProperty(ranged.Get(), LUMENO_PROPERTY_CAMERA_CONTROL | 3, 1, 2), kNotFound);

  // Automatic focus reaches the device with its flags.
  ASSERT_EQ(
      Lumcap().LumenoSetDeviceProperty(ranged.Get(), LUMENO_PROPERTY_CAMERA_CONTROL | 6, 0, LUMENO_PROPERTY_FLAGS_AUTO),
      S_OK);
  VcamObservation seen = cameras_.Observe(kRanged);
  EXPECT_EQ(seen.propertyClass, 2);
  EXPECT_EQ(seen.propertyId, 6);
  EXPECT_EQ(seen.propertyFlags, LUMENO_PROPERTY_FLAGS_AUTO);
  ASSERT_EQ(Lumcap().LumenoGetDeviceProperty(ranged.Get(), LUMENO_PROPERTY_CAMERA_CONTROL | 6, &info), S_OK);
  EXPECT_EQ(info.flags, LUMENO_PROPERTY_FLAGS_AUTO);

  // The capture pin's capabilities without the external trigger.
  UINT32 caps = 0;
  EXPECT_EQ(Lumcap().LumenoGetCaptureCaps(ranged.Get(), &caps), S_OK);
  EXPECT_EQ(caps, 3u);

  // Extension unit: written, read back, a control that answers short, a set
  // no node knows.
  BYTE data[4] = {1, 2, 3, 4};
  ASSERT_EQ(Lumcap().LumenoSetUvcProperty(ranged.Get(), &kExtensionUnit, 1, data, 4), S_OK);
  EXPECT_EQ(cameras_.Observe(kRanged).extensionSets, 1);
  BYTE back[4] = {};
  ASSERT_EQ(Lumcap().LumenoGetUvcProperty(ranged.Get(), &kExtensionUnit, 1, back, 4), S_OK);
  EXPECT_EQ(std::memcmp(back, data, 4), 0);
  EXPECT_EQ(Lumcap().LumenoGetUvcProperty(ranged.Get(), &kExtensionUnit, 4, back, 4), E_FAIL);
  EXPECT_EQ(Lumcap().LumenoGetUvcProperty(ranged.Get(), &kOtherUnit, 1, back, 4), S_FALSE);

  // A camera without picture or camera control and without topology.
  Device plain;
  params = Params(640, 480);
  ASSERT_EQ(Open(kPlain, &params, plain), S_OK);
  info = untouched;
  EXPECT_EQ(Lumcap().LumenoGetDeviceProperty(plain.Get(), LUMENO_PROPERTY_VIDEO_PROC_AMP | 0, &info), S_FALSE);
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
  EXPECT_EQ(Lumcap().LumenoSetDeviceProperty(plain.Get(), LUMENO_PROPERTY_CAMERA_CONTROL | 6, 0, 1), E_POINTER);
  EXPECT_EQ(Lumcap().LumenoGetUvcProperty(plain.Get(), &kExtensionUnit, 1, back, 4), E_NOINTERFACE);

  // A device that fails to read: the error is swallowed, nothing written.
  Device failing;
  params = Params(320, 240);
  ASSERT_EQ(Open(kFailing, &params, failing), S_OK);
  info = untouched;
  EXPECT_EQ(Lumcap().LumenoGetDeviceProperty(failing.Get(), LUMENO_PROPERTY_VIDEO_PROC_AMP | 0, &info), S_OK);
  EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
}

// A camera pulled out while open: the graph's event stops it, a waiting
// trigger ends at once, every call on it says so, the removal notice takes
// it off the list; put back, it is listed and opens again.
TEST_F(Graph, ACameraPulledOutIsLostAtOnceAndOpensAgainWhenBack) {
  LumenoOpenParams params = Params(320, 240);
  params.timeout = 30000;
  Device device;
  ASSERT_EQ(Open(kMute, &params, device), S_OK);
  const ULONGLONG start = GetTickCount64();
  std::thread unplug([&] {
    Sleep(500);
    cameras_.Unplug(kMute);
  });
  EXPECT_EQ(Lumcap().LumenoTrigger(device.Get()), LUMENO_E_DEVICE_LOST);
  unplug.join();
  EXPECT_LT(GetTickCount64() - start, 10000u) << "not the 30 s time-out";
  EXPECT_EQ(Lumcap().LumenoPausePreview(device.Get(), TRUE), LUMENO_E_DEVICE_LOST);
  UINT32 caps = 0;
  EXPECT_EQ(Lumcap().LumenoGetCaptureCaps(device.Get(), &caps), LUMENO_E_DEVICE_LOST);
  UINT32 count = 0, before = 0;
  Lumcap().LumenoGetDeviceCount(library_, &before);
  InterfaceNotice notice(kCaptureCategory);
  EXPECT_EQ(Lumcap().LumenoDeviceChange(library_, DBT_DEVICEREMOVECOMPLETE, notice.Param()), S_OK);
  Lumcap().LumenoGetDeviceCount(library_, &count);
  EXPECT_EQ(count, before - 1);
  UINT32 index = 0;
  EXPECT_EQ(Lumcap().LumenoGetDeviceIndex(device.Get(), &index), S_FALSE);
  EXPECT_EQ(device.Close(), S_OK);

  ASSERT_EQ(cameras_.Plug(kMute), S_OK);
  EXPECT_EQ(Lumcap().LumenoDeviceChange(library_, DBT_DEVICEARRIVAL, notice.Param()), S_OK);
  ASSERT_EQ(Open(kMute, &params, device), S_OK);
  EXPECT_EQ(Lumcap().LumenoPausePreview(device.Get(), TRUE), S_OK);
  device.Close();

  // Taken off the list without a word from the graph (as by a removal
  // notice that comes first): lost as well.
  ASSERT_EQ(Open(kPlain, &params, device), S_OK);
  ASSERT_EQ(cameras_.Remove(kPlain), S_OK);
  EXPECT_EQ(Lumcap().LumenoDeviceChange(library_, DBT_DEVICEREMOVECOMPLETE, notice.Param()), S_OK);
  EXPECT_EQ(Lumcap().LumenoTrigger(device.Get()), LUMENO_E_DEVICE_LOST);
  EXPECT_EQ(device.Close(), S_OK);
}

TEST_F(Graph, OpenCloseWithoutGrowth) {
  auto cycle = [&] {
    LumenoOpenParams p = Params(640, 480);
    Device d;
    return Open(kRanged, &p, d) == S_OK && d.Close() == S_OK;
  };
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(cycle());
  DWORD handlesBefore = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
  PROCESS_MEMORY_COUNTERS_EX before = {};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&before), sizeof before);
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(cycle()) << i;
  DWORD handlesAfter = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
  PROCESS_MEMORY_COUNTERS_EX after = {};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&after), sizeof after);
  EXPECT_LE(handlesAfter, handlesBefore + 4);
  // Less than 2 KB per opening: a leaked graph, filter or picture is far more.
  EXPECT_LT(static_cast<long long>(after.PrivateUsage) - static_cast<long long>(before.PrivateUsage), 400 * 1024);
  EXPECT_EQ(cameras_.Observe(kRanged).liveFilters, 0);
}

}  // namespace
