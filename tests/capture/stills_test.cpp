// Still pictures through the real library, a real DirectShow graph and the
// streaming virtual camera: software and still-pin triggers with the
// camera's test picture (flips included), every way of taking the
// picture, message mode, the time-out with a mute camera, short samples,
// the snapshot tool, and a trigger every frame while the preview runs.
#include "lumcap_api.h"
#include "tools/vcam/vcam_picture.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kPlain[] = L"Stills Plain Camera";
constexpr wchar_t kStill[] = L"Stills Still-Pin Camera";
constexpr wchar_t kMute[] = L"Stills Mute Camera";
constexpr wchar_t kShort[] = L"Stills Short Camera";
constexpr wchar_t kYuy2[] = L"Stills YUY2 Camera";
constexpr wchar_t kMjpg[] = L"Stills MJPG Camera";
constexpr wchar_t kOffersUyvy[] = L"Stills Camera Offering UYVY First";
constexpr struct {
  const wchar_t* name;
  const wchar_t* config;
} kCameras[] = {
    {kPlain, L"format RGB24 320x240 30"},
    {kStill, L"format RGB24 320x240 30; still RGB24 320x240 5"},
    {kMute, L"format RGB24 320x240 30; mute"},
    {kShort, L"format RGB24 320x240 30; short"},
    {kYuy2, L"format YUY2 320x240 30"},
    {kMjpg, L"format MJPG 320x240 30"},
    // Its current format is YUY2, which a decompressor takes, but it offers
    // UYVY first, which none takes.
    {kOffersUyvy, L"format YUY2 320x240 30; format UYVY 320x240 30; fixedformat; offer 2"},
};

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr UINT32 kTimeoutMs = 5000;
constexpr UINT32 kMuteTimeoutMs = 300;
constexpr UINT kStillMessage = WM_APP + 1;
constexpr DWORD kStressSeconds = 30;

// The picture of a bitmap as top-down 24-bit rows.
std::vector<BYTE> Pixels(HBITMAP bitmap) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  std::vector<BYTE> rows(kWidth * 3 * kHeight);
  HDC dc = GetDC(nullptr);
  int got = GetDIBits(dc, bitmap, 0, kHeight, rows.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (got != kHeight) rows.clear();
  return rows;
}

// Red and green of every checked pixel as the camera draws them (blue
// counts frames); flip: 1 mirrored left-right, 2 top-bottom; a tolerance
// for pictures that went through YUV or JPEG.
void ExpectTestPicture(const std::vector<BYTE>& rows, unsigned flip = 0, int tolerance = 0) {
  ASSERT_EQ(rows.size(), static_cast<size_t>(kWidth * 3 * kHeight));
  for (POINT p : {POINT{0, 0}, POINT{5, 200}, POINT{100, 7}, POINT{319, 239}, POINT{160, 120}, POINT{300, 10}}) {
    const LONG sx = (flip & 1) ? kWidth - 1 - p.x : p.x;
    const LONG sy = (flip & 2) ? kHeight - 1 - p.y : p.y;
    const VcamRgb want = VcamPicturePixel(sx, sy, kWidth, kHeight, 0);
    const BYTE* got = &rows[(p.y * kWidth + p.x) * 3];
    EXPECT_NEAR(got[2], want.r, tolerance) << p.x << "," << p.y << " flip " << flip;
    EXPECT_NEAR(got[1], want.g, tolerance) << p.x << "," << p.y << " flip " << flip;
  }
}

std::wstring TempPath(const wchar_t* name) {
  WCHAR folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

std::string FileStart(const std::wstring& path) {
  char bytes[4] = {};
  DWORD read = 0;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  ReadFile(file, bytes, sizeof bytes, &read, nullptr);
  CloseHandle(file);
  return std::string(bytes, read);
}

// A top-level window for the preview and the still message.
class OwnerWindow {
 public:
  OwnerWindow() {
    window_ = CreateWindowExW(0, L"STATIC", L"stills", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, kWidth, kHeight,
                              nullptr, nullptr, nullptr, nullptr);
  }
  ~OwnerWindow() { DestroyWindow(window_); }
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  HWND Get() const { return window_; }

  // Pumps messages until the still message arrives; its first parameter,
  // or -1 when none came in time.
  LONG_PTR WaitForStill(DWORD ms = kTimeoutMs) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.hwnd == window_ && msg.message == kStillMessage) return static_cast<LONG_PTR>(msg.wParam);
        DispatchMessageW(&msg);
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return -1;
  }

 private:
  HWND window_;
};

#define EXPECT_FAILED(expression) EXPECT_LT((expression), 0)

// Another program's hold on the clipboard (with text of the user's on it)
// from a thread of its own, for as long as the holder lives.
class ClipboardHolder {
 public:
  ClipboardHolder() {
    ready_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    done_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    thread_ = std::thread([this] {
      HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
      if (OpenClipboard(window)) {
        EmptyClipboard();
        HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, sizeof L"mine");
        std::memcpy(GlobalLock(text), L"mine", sizeof L"mine");
        GlobalUnlock(text);
        SetClipboardData(CF_UNICODETEXT, text);
      }
      SetEvent(ready_.Get());
      WaitForSingleObject(done_.Get(), INFINITE);
      CloseClipboard();
      DestroyWindow(window);
    });
    WaitForSingleObject(ready_.Get(), INFINITE);
  }
  ~ClipboardHolder() {
    SetEvent(done_.Get());
    thread_.join();
  }
  ClipboardHolder(const ClipboardHolder&) = delete;
  ClipboardHolder& operator=(const ClipboardHolder&) = delete;

 private:
  KernelHandle ready_, done_;
  std::thread thread_;
};

class Stills : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& camera : kCameras) ASSERT_EQ(cameras_.AddConfigured(camera.name, camera.config), S_OK);
    ASSERT_EQ(api.LumenoInitialize(&library_, 0, nullptr), S_OK);
  }
  void TearDown() override {
    if (device_) api.LumenoCloseDevice(device_);
    api.LumenoUninitialize(library_);
  }
  HRESULT Open(const wchar_t* name, UINT32 flags = 0, HWND owner = nullptr, UINT message = 0,
               UINT32 timeout = kTimeoutMs) {
    UINT32 index = 0;
    EXPECT_EQ(api.LumenoFindDeviceW(library_, name, FALSE, &index), S_OK);
    LumenoOpenParams params = {};
    params.ownerWindow = owner;
    params.notifyMessage = message;
    params.flags = flags;
    params.timeout = timeout;
    params.width = kWidth;
    params.height = kHeight;
    return api.LumenoOpenDevice(library_, index, &params, &device_);
  }

  const LumcapApi& api = Lumcap();
  VirtualCameras cameras_;
  LumenoLibrary* library_ = nullptr;
  LumenoDevice* device_ = nullptr;
};

}  // namespace

TEST_F(Stills, SoftwareTriggerDeliversTheTestPictureEveryWay) {
  ASSERT_EQ(Open(kPlain), S_OK);
  EXPECT_EQ(api.LumenoWaitForTrigger(device_), E_FAIL) << "nothing armed";
  EXPECT_EQ(api.LumenoSaveSampleToFileW(device_, TempPath(L"none.png").c_str(), -1), E_HANDLE);

  HBITMAP first = nullptr, second = nullptr;
  ASSERT_EQ(api.LumenoGetSample(device_, &first), S_OK);
  ASSERT_EQ(api.LumenoGetSample(device_, &second), S_OK);
  EXPECT_NE(first, second);
  ExpectTestPicture(Pixels(first));
  ExpectTestPicture(Pixels(second));
  DeleteObject(first);
  DeleteObject(second);

  HGLOBAL dib = nullptr;
  ASSERT_EQ(api.LumenoGetSampleAsDIB(device_, &dib), S_OK);
  EXPECT_GE(GlobalSize(dib), sizeof(BITMAPINFOHEADER) + kWidth * 3 * kHeight);
  const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
  EXPECT_EQ(header->biWidth, kWidth);
  EXPECT_EQ(header->biBitCount, 24);
  GlobalUnlock(dib);
  GlobalFree(dib);

  // Trigger, then take once as a file. A bad quality, an extension no
  // encoder knows and a folder that is not there keep the picture.
  const std::wstring png = TempPath(L"lumcap_still.png");
  ASSERT_EQ(api.LumenoTrigger(device_), S_OK);
  EXPECT_EQ(api.LumenoSaveSampleToFileW(device_, png.c_str(), 101), E_INVALIDARG);
  EXPECT_EQ(api.LumenoSaveSampleToFileW(device_, TempPath(L"lumcap_still.pgn").c_str(), -1), E_INVALIDARG);
  EXPECT_FAILED(api.LumenoSaveSampleToFileW(device_, TempPath(L"no such folder\\still.png").c_str(), -1));
  EXPECT_EQ(api.LumenoSaveSampleToFileW(device_, png.c_str(), -1), S_OK);
  EXPECT_EQ(FileStart(png), "\x89PNG");
  EXPECT_EQ(api.LumenoSaveSampleToFileW(device_, png.c_str(), -1), E_HANDLE) << "taken once";
  DeleteFileW(png.c_str());

  // While another program holds the clipboard the copy fails with the
  // system's reason, the user's clipboard is as it was and the picture is
  // kept for the next try.
  ASSERT_EQ(api.LumenoTrigger(device_), S_OK);
  {
    ClipboardHolder holder;
    EXPECT_EQ(api.LumenoCopySampleToClipboard(device_), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
  }
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  ASSERT_EQ(api.LumenoCopySampleToClipboard(device_), S_OK);
  HBITMAP pasted = nullptr;
  ASSERT_EQ(api.LumenoGetBitmapFromClipboard(&pasted), S_OK);
  ExpectTestPicture(Pixels(pasted));
  DeleteObject(pasted);
}

TEST_F(Stills, StillPinTriggersFlipsAndTheButton) {
  ASSERT_EQ(Open(kStill, LUMENO_OPEN_STILL_PIN), S_OK);
  HBITMAP bitmap = nullptr;
  ASSERT_EQ(api.LumenoGetSample(device_, &bitmap), S_OK);
  ExpectTestPicture(Pixels(bitmap));
  DeleteObject(bitmap);
  for (unsigned flip : {LUMENO_FLIP_HORIZONTAL, LUMENO_FLIP_VERTICAL}) {
    ASSERT_EQ(api.LumenoFlipCapture(device_, flip), S_OK);
    ASSERT_EQ(api.LumenoGetSample(device_, &bitmap), S_OK);
    ExpectTestPicture(Pixels(bitmap), flip);
    DeleteObject(bitmap);
  }
  EXPECT_GE(cameras_.Observe(kStill).triggers, 3);
  // A still the device's button sent is converted too.
  ASSERT_EQ(cameras_.PressButton(kStill), S_OK);
  EXPECT_EQ(api.LumenoWaitForTrigger(device_), S_OK);
  ASSERT_EQ(api.LumenoCopySampleToClipboard(device_), S_OK);
}

// Compressed frames reach the library as they are and are decompressed
// by the codec that the library finds for them.
TEST_F(Stills, Yuy2AndMjpgFramesBecomeTheTestPicture) {
  for (const wchar_t* camera : {kYuy2, kMjpg}) {
    ASSERT_EQ(Open(camera), S_OK) << camera;
    HBITMAP bitmap = nullptr;
    ASSERT_EQ(api.LumenoGetSample(device_, &bitmap), S_OK) << camera;
    BITMAP b = {};
    GetObjectW(bitmap, sizeof b, &b);
    EXPECT_GE(b.bmBitsPixel, 24);
    ExpectTestPicture(Pixels(bitmap), 0, camera == kYuy2 ? 4 : 24);
    DeleteObject(bitmap);
    api.LumenoCloseDevice(device_);
    device_ = nullptr;
  }
}

// While a trigger waits for a mute camera, the preview's owner window
// still answers a message sent from another thread: the wait handles the
// messages sent to the caller's windows.
TEST_F(Stills, AMuteCameraTimesOutWhileTheOwnerWindowAnswersAndShortSamplesFail) {
  OwnerWindow owner;
  ASSERT_EQ(Open(kMute, 0, owner.Get(), 0, kMuteTimeoutMs), S_OK);
  LRESULT answer = 0;
  LRESULT sent = 0;
  std::thread other([&] {
    Sleep(kMuteTimeoutMs / 4);
    sent = SendMessageTimeoutW(owner.Get(), WM_GETTEXTLENGTH, 0, 0, SMTO_BLOCK, kMuteTimeoutMs / 2,
                               reinterpret_cast<DWORD_PTR*>(&answer));
  });
  EXPECT_EQ(api.LumenoTrigger(device_), LUMENO_E_TIMEOUT);
  other.join();
  EXPECT_NE(sent, 0) << "the owner window did not answer while the trigger waited";
  EXPECT_EQ(answer, 6) << "the length of its title";
  HBITMAP bitmap = nullptr;
  EXPECT_EQ(api.LumenoGetSample(device_, &bitmap), LUMENO_E_TIMEOUT);
  EXPECT_EQ(bitmap, nullptr);
  api.LumenoCloseDevice(device_);
  device_ = nullptr;

  ASSERT_EQ(Open(kShort), S_OK);
  EXPECT_EQ(api.LumenoTrigger(device_), E_FAIL);
  EXPECT_EQ(api.LumenoSaveSampleToFileW(device_, TempPath(L"short.png").c_str(), -1), E_HANDLE);
}

// The type the connection settles on decides whether the library can
// decompress the frames itself: this camera's current format (YUY2) says
// yes, its connection (UYVY) says no, so it is grabbed as RGB24.
TEST_F(Stills, FramesNoDecompressorTakesAreGrabbedAsRgb) {
  TraceCapture trace;
  ASSERT_EQ(Open(kOffersUyvy), S_OK) << trace.Text();
  EXPECT_NE(trace.Text().find("cannot be decompressed here: grabbing RGB24"), std::string::npos) << trace.Text();
  HBITMAP bitmap = nullptr;
  ASSERT_EQ(api.LumenoGetSample(device_, &bitmap), S_OK);
  ExpectTestPicture(Pixels(bitmap), 0, 4);
  DeleteObject(bitmap);
}

// The newest frame at once, without a trigger: the header first, a short
// buffer refused, then the test picture as 24-bit rows from the bottom;
// frames the library decompresses itself come the same way; a camera that
// sends nothing has no frame.
TEST_F(Stills, TheNewestFrameIsCopiedAtOnce) {
  BITMAPINFOHEADER header = {};
  EXPECT_EQ(api.LumenoCopyNewestFrame(device_, nullptr, nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(api.LumenoCopyNewestFrame(nullptr, &header, nullptr, 0), E_HANDLE);
  for (const wchar_t* camera : {kPlain, kYuy2}) {
    ASSERT_EQ(Open(camera), S_OK);
    HRESULT hr = S_FALSE;
    for (int i = 0; i < 200 && hr == S_FALSE; ++i, Sleep(10)) {
      hr = api.LumenoCopyNewestFrame(device_, &header, nullptr, 0);
    }
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(header.biWidth, kWidth);
    EXPECT_EQ(header.biHeight, kHeight);
    EXPECT_EQ(header.biBitCount, 24);
    ASSERT_EQ(header.biSizeImage, static_cast<DWORD>(kWidth * 3 * kHeight));
    std::vector<BYTE> rows(header.biSizeImage);
    EXPECT_EQ(api.LumenoCopyNewestFrame(device_, &header, rows.data(), header.biSizeImage - 1),
              HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_EQ(api.LumenoCopyNewestFrame(device_, &header, rows.data(), header.biSizeImage), S_OK);
    ExpectTestPicture(rows, 2, camera == kPlain ? 0 : 4);  // rows from the bottom
    api.LumenoCloseDevice(device_);
    device_ = nullptr;
  }
  ASSERT_EQ(Open(kMute), S_OK);
  EXPECT_EQ(api.LumenoCopyNewestFrame(device_, &header, nullptr, 0), S_FALSE);
  EXPECT_EQ(header.biWidth, 0);
}

TEST_F(Stills, MessageModePostsOneMessagePerStill) {
  OwnerWindow owner;
  ASSERT_EQ(Open(kPlain, 0, owner.Get(), kStillMessage), S_OK);
  HBITMAP bitmap = nullptr;
  EXPECT_EQ(api.LumenoGetSample(device_, &bitmap), E_POINTER);
  ASSERT_EQ(api.LumenoTrigger(device_), S_OK);  // returns at once
  EXPECT_EQ(api.LumenoWaitForTrigger(device_), E_POINTER) << "armed, but there is no event";
  ASSERT_EQ(owner.WaitForStill(), 0);
  const std::wstring bmp = TempPath(L"lumcap_message.bmp");
  EXPECT_EQ(api.LumenoSaveSampleToFileW(device_, bmp.c_str(), -1), S_OK);
  EXPECT_EQ(FileStart(bmp).substr(0, 2), "BM");
  EXPECT_EQ(api.LumenoSaveSampleToFileW(device_, bmp.c_str(), -1), E_HANDLE);
  DeleteFileW(bmp.c_str());
  // A second trigger while one is pending: one picture, no hang.
  ASSERT_EQ(api.LumenoTrigger(device_), S_OK);
  ASSERT_EQ(api.LumenoTrigger(device_), S_OK);
  ASSERT_EQ(owner.WaitForStill(), 0);
  EXPECT_EQ(api.LumenoCopySampleToClipboard(device_), S_OK);
}

TEST_F(Stills, TheSnapshotToolSavesAPicture) {
  WCHAR program[MAX_PATH];
  GetModuleFileNameW(Lumcap().module, program, MAX_PATH);
  std::wstring tool(program);
  tool = tool.substr(0, tool.rfind(L'\\') + 1) + L"lumcap-snap.exe";
  const std::wstring jpeg = TempPath(L"lumcap_snap.jpg");
  DeleteFileW(jpeg.c_str());
  std::wstring command =
      L"\"" + tool + L"\" snap \"" + jpeg + L"\" --camera \"Stills Plain\" --size 320x240 --quality 90";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
  DWORD status = 99;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(FileStart(jpeg).substr(0, 2), "\xFF\xD8");
  DeleteFileW(jpeg.c_str());
}

// A trigger every frame while the preview runs: no deadlock, no lost
// picture, and the process's handles, GDI objects and memory stay flat.
TEST_F(Stills, ATriggerEveryFrameWhileThePreviewRuns) {
  OwnerWindow owner;
  ASSERT_EQ(Open(kPlain, 0, owner.Get()), S_OK);
  auto counts = [] {
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    PROCESS_MEMORY_COUNTERS memory = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return std::vector<SIZE_T>{handles, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), memory.PagefileUsage};
  };
  auto takeOne = [&] {
    HBITMAP bitmap = nullptr;
    HRESULT hr = api.LumenoGetSample(device_, &bitmap);
    if (SUCCEEDED(hr)) DeleteObject(bitmap);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    return hr;
  };
  for (int i = 0; i < 30; ++i) ASSERT_EQ(takeOne(), S_OK);  // warm-up
  const std::vector<SIZE_T> before = counts();
  const ULONGLONG end = GetTickCount64() + kStressSeconds * 1000;
  int stills = 0;
  while (GetTickCount64() < end) {
    ASSERT_EQ(takeOne(), S_OK) << "still " << stills;
    ++stills;
  }
  const std::vector<SIZE_T> after = counts();
  // How many stills a second the library gives is a figure of capture_still_bench_run.
  EXPECT_LE(after[0], before[0] + 8) << "handles";
  EXPECT_LE(after[1], before[1] + 4) << "GDI objects";
  EXPECT_LE(after[2], before[2] + 8 * 1024 * 1024) << "memory";
  std::printf("%d stills in %lu s\n", stills, static_cast<unsigned long>(kStressSeconds));
}
