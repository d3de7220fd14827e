// The screen view through the real program: a black bar on a white window
// of this test, under the fly window, reaches the simulated device as
// exactly its pins; the pointer moves the picture and the wheel changes
// the factor, which is stored when the view stops. Over the window of a
// program that Wine does not run, which sends the program no mouse message
// at all, the picture follows the pointer too. In the outline mode the bar
// raises its edge and not its inside.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "base/commands.h"
#include "tests/app/app_driver.h"
#include "tests/app/sim_log.h"
#include "tests/host_louis.h"

namespace {

// The bar in screen coordinates; its edges lie on the pin grid for the
// factors 5 and 6 at the pointer positions used (multiples of 30 from it).
constexpr RECT kBar = {340, 270, 460, 330};
constexpr RECT kPaper = {100, 100, 700, 500};
// A black window of another program over the paper, and where the pointer
// goes over it (its edges lie on the pin grid for factor 6 from there).
constexpr RECT kOther = {412, 300, 532, 360};
constexpr POINT kOverOther = {442, 312};

LRESULT CALLBACK PaperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT bar = {kBar.left - kPaper.left, kBar.top - kPaper.top, kBar.right - kPaper.left, kBar.bottom - kPaper.top};
    FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(window, &ps);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND ShowPaper() {
  WNDCLASSA cls = {};
  cls.lpfnWndProc = PaperProc;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.lpszClassName = "ScreenTestPaper";
  RegisterClassA(&cls);
  HWND paper =
      CreateWindowExA(WS_EX_TOOLWINDOW, cls.lpszClassName, "", WS_POPUP | WS_VISIBLE, kPaper.left, kPaper.top,
                      kPaper.right - kPaper.left, kPaper.bottom - kPaper.top, nullptr, nullptr, cls.hInstance, nullptr);
  UpdateWindow(paper);
  return paper;
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// The graphic the device should get with the pointer at p and factor k:
// pin (x, y) shows the k x k block at (p.x - 30k + x k, p.y - 20k + y k).
Frame Expected(POINT p, int k, std::initializer_list<RECT> black = {kBar}) {
  unsigned char graphic[300] = {};
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) {
      const POINT centre = {p.x - 30 * k + x * k + k / 2, p.y - 20 * k + y * k + k / 2};
      bool dark = false;
      for (const RECT& r : black) dark = dark || PtInRect(&r, centre);
      if (dark) graphic[x / 2 + (y / 4) * 30] |= static_cast<unsigned char>(1 << (y % 4 + 4 * (x % 2)));
    }
  return GraphicFrame(graphic);
}

// The outline of a black rectangle with the pointer at p and factor k: the
// pins inside it with a neighbour outside.
Frame ExpectedOutline(POINT p, int k, const RECT& black) {
  auto dark = [&](int x, int y) {
    const POINT centre = {p.x - 30 * k + x * k + k / 2, p.y - 20 * k + y * k + k / 2};
    return PtInRect(&black, centre) != FALSE;
  };
  unsigned char graphic[300] = {};
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x)
      if (dark(x, y) && (!dark(x - 1, y) || !dark(x + 1, y) || !dark(x, y - 1) || !dark(x, y + 1)))
        graphic[x / 2 + (y / 4) * 30] |= static_cast<unsigned char>(1 << (y % 4 + 4 * (x % 2)));
  return GraphicFrame(graphic);
}

// Waits, painting the paper meanwhile, until the device has got `frame`.
bool WaitForGraphic(const Frame& frame, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    Pump();
    for (const Frame& f : ReceivedFrames())
      if (f == frame) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

// A window of a program that Wine does not run: an X client, all black
// (the pid goes into a file, to end exactly that process).
class OtherProgramWindow {
 public:
  explicit OtherProgramWindow(const RECT& r) {
    const std::string geometry = std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + "+" +
                                 std::to_string(r.left) + "+" + std::to_string(r.top);
    shown_ = RunHostCommand("/usr/bin/xmessage -geometry " + geometry +
                            " -bw 0 -xrm '*background: black' -xrm '*foreground: black' -xrm '*borderWidth: 0'"
                            " -timeout 120 ' ' >/dev/null 2>&1 & echo $! >" +
                            HostPath(pidFile_)) &&
             RunHostCommand("/usr/bin/xdotool search --sync --onlyvisible --class Xmessage");
  }
  ~OtherProgramWindow() {
    if (shown_) RunHostCommand("kill $(cat " + HostPath(pidFile_) + ")");
    DeleteFileA(pidFile_.c_str());
  }
  OtherProgramWindow(const OtherProgramWindow&) = delete;
  OtherProgramWindow& operator=(const OtherProgramWindow&) = delete;
  bool Shown() const { return shown_; }

 private:
  std::string pidFile_ = HostTempFile(".pid");
  bool shown_ = false;
};

}  // namespace

TEST(AppScreen, TheAreaUnderThePointerReachesThePinsAndFollowsPointerAndWheel) {
  ASSERT_FALSE(SimLog().empty());
  HWND paper = ShowPaper();
  ASSERT_NE(paper, nullptr);
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder("[Def]\r\nSound=0\r\nDebug=1\r\n[Device]\r\nCOM=3\r\nautostart=1\r\n")));
  ASSERT_TRUE(WaitForText(run.LogPath(), "Name:[Relivo Sim]", 20000)) << ReadFileText(run.LogPath());

  POINT pointer = {400, 300};
  SetCursorPos(pointer.x, pointer.y);
  PostMessageA(run.main, WM_HOTKEY, CMD_FLY, 0);
  EXPECT_TRUE(WaitForGraphic(Expected(pointer, 5), 15000)) << ReadFileText(run.LogPath());
  EXPECT_FALSE(IsWindowVisible(run.main));

  pointer.x += 30;
  SetCursorPos(pointer.x, pointer.y);
  EXPECT_TRUE(WaitForGraphic(Expected(pointer, 5), 10000)) << "the picture follows the pointer";

  // A wheel turn towards the user makes the fly window larger by one step.
  PostMessageA(run.main, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
               MAKELPARAM(pointer.x, pointer.y));
  EXPECT_TRUE(WaitForGraphic(Expected(pointer, 6), 10000)) << ReadFileText(run.LogPath());

  {
    OtherProgramWindow other(kOther);
    ASSERT_TRUE(other.Shown());
    ASSERT_TRUE(RunHostCommand("/usr/bin/xdotool mousemove " + std::to_string(kOverOther.x) + " " +
                               std::to_string(kOverOther.y)));
    EXPECT_TRUE(WaitForGraphic(Expected(kOverOther, 6, {kBar, kOther}), 10000))
        << "the picture follows the pointer over another program's window";
  }

  // The outline mode: the bar's edge, and nothing inside it.
  PostCommand(run, CMD_OUTLINE);
  EXPECT_TRUE(WaitForGraphic(ExpectedOutline(kOverOther, 6, kBar), 10000)) << ReadFileText(run.LogPath());

  PostMessageA(run.main, WM_HOTKEY, CMD_FLY, 0);
  ASSERT_TRUE(Sync(run));
  EXPECT_TRUE(IsWindowVisible(run.main));
  EXPECT_EQ(IniValue(run.IniPath(), "SCR", "Factor"), "6");
  EXPECT_EQ(IniValue(run.IniPath(), "SCR", "dyn"), "1");
  EXPECT_EQ(IniValue(run.IniPath(), "SCR", "Outline"), "1");
  DestroyWindow(paper);
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 15000));
}
