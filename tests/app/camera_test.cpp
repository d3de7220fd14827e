// The camera view through the real program: a virtual camera's test picture
// (red growing from left to right) previewed in the camera window, the area
// under the fly window on the simulated device, the threshold moving the
// edge of the raised pins, a picture-property slider reaching the camera,
// and the values kept for the next open. Along the way: the braille line
// keeps the typed text, a cleared page gets the camera's pins back, the
// labels and the pop-up menu come in English (one label a translator's
// "%s%s%n", shown as it stands), one pop-up opens at a time, and the screen
// view runs in front of the camera view.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/commands.h"
#include "tests/app/app_driver.h"
#include "tests/app/braille_frames.h"
#include "tests/app/sim_log.h"
#include "tests/capture/lumcap_api.h"

namespace {

constexpr wchar_t kCamera[] = L"Desk Camera";
constexpr char kCameraSection[] = "Desk Camera";
// 640 x 480 RGB24; brightness is the one picture property, zoom and focus
// the camera controls.
constexpr wchar_t kConfig[] =
    L"format RGB24 640x480 30; amp 0 -64 64 1 0 2 0 2; cam 3 100 400 1 100 2 100 2; cam 6 0 250 5 0 3 0 1";
constexpr int kWidth = 640;
constexpr int kFactor = 5;

struct Child {
  HWND window;
  RECT rect;  // screen
};

BOOL CALLBACK CollectChild(HWND window, LPARAM lParam) {
  auto* found = reinterpret_cast<std::vector<Child>*>(lParam);
  Child c{window, {}};
  GetWindowRect(window, &c.rect);
  if (IsWindowVisible(window)) found->push_back(c);
  return TRUE;
}

// Visible children of the main window of a class, top to bottom.
std::vector<Child> ChildrenOf(HWND main, const char* cls, LONG style = 0) {
  std::vector<Child> all, matching;
  EnumChildWindows(main, CollectChild, reinterpret_cast<LPARAM>(&all));
  for (const Child& c : all) {
    char name[64] = "";
    GetClassNameA(c.window, name, sizeof name);
    if (_stricmp(name, cls) == 0 && (GetWindowLongA(c.window, GWL_STYLE) & style) == style) matching.push_back(c);
  }
  std::sort(matching.begin(), matching.end(), [](const Child& a, const Child& b) { return a.rect.top < b.rect.top; });
  return matching;
}

// The column where the raised pins end in every row when the camera window
// shows the picture and the pointer is at `pointer`: red = x * 255 / 639
// below the threshold's red (2.55 per percent) is raised.
double ExpectedEdge(HWND camera, POINT pointer, int percent) {
  RECT client;
  GetClientRect(camera, &client);
  POINT origin = {0, 0};
  ClientToScreen(camera, &origin);
  const double edgeInCamera = (2.55 * percent) * (kWidth - 1) / 255.0;
  const double edgeOnScreen = origin.x + edgeInCamera * client.right / kWidth;
  return (edgeOnScreen - (pointer.x - 30 * kFactor)) / kFactor;
}

// Every row raised from the left up to an edge within a pin of `edge`.
bool PinsEndNear(const Frame& f, double edge) {
  if (!IsGraphic(f)) return false;
  const unsigned char* g = f.data() + 9;
  for (int y = 0; y < 40; ++y) {
    int end = 0;
    while (end < 60 && (g[end / 2 + (y / 4) * 30] >> (y % 4 + 4 * (end % 2)) & 1)) ++end;
    for (int x = end; x < 60; ++x)
      if (g[x / 2 + (y / 4) * 30] >> (y % 4 + 4 * (x % 2)) & 1) return false;
    if (std::fabs(end - edge) > 1.5) return false;
  }
  return true;
}

bool WaitForPinsNear(double edge, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    for (const Frame& f : ReceivedFrames())
      if (PinsEndNear(f, edge)) return true;
    Sleep(100);
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

bool EmptyGraphic(const Frame& f) {
  return IsGraphic(f) && std::all_of(f.begin() + 9, f.begin() + 309, [](unsigned char b) { return b == 0; });
}

// After frame `from` the device got an empty page, and after it the
// camera's pins again.
bool PinsComeBackAfterAnEmptyPage(size_t from, double edge, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    const std::vector<Frame> frames = ReceivedFrames();
    bool cleared = false;
    for (size_t i = from; i < frames.size(); ++i) {
      if (EmptyGraphic(frames[i])) cleared = true;
      if (cleared && PinsEndNear(frames[i], edge)) return true;
    }
    Sleep(100);
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

// After frame `from` the device got the camera's pins.
bool PinsComeAfter(size_t from, double edge, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    const std::vector<Frame> frames = ReceivedFrames();
    for (size_t i = from; i < frames.size(); ++i)
      if (PinsEndNear(frames[i], edge)) return true;
    Sleep(100);
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

// A child of the main window shows this text (the labels below the camera).
bool Shows(HWND main, const std::string& text, DWORD timeoutMs = 10000) {
  const DWORD start = GetTickCount();
  do {
    for (const ChildInfo& c : Children(main))
      if (WindowText(c.window) == text) return true;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

HWND EditField(HWND main) {
  for (const ChildInfo& c : Children(main))
    if (_stricmp(c.cls.c_str(), "Edit") == 0 && (c.style & ES_AUTOVSCROLL) && !(c.style & ES_READONLY)) return c.window;
  return nullptr;
}

struct PopupSearch {
  DWORD pid;
  int count;
};

BOOL CALLBACK CountPopup(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<PopupSearch*>(lParam);
  char cls[16] = "";
  GetClassNameA(window, cls, sizeof cls);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == search->pid && std::string(cls) == "#32768" && IsWindowVisible(window)) ++search->count;
  return TRUE;
}

// The pop-up menus the program shows.
int OpenPopups(const AppRun& run) {
  PopupSearch search{run.Pid(), 0};
  EnumWindows(CountPopup, reinterpret_cast<LPARAM>(&search));
  return search.count;
}

void Press(WORD vk) {
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = vk;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof keys[0]);
  Sleep(50);
}

size_t CountInLog(const AppRun& run, const char* text) {
  const std::string log = ReadFileText(run.LogPath());
  size_t n = 0;
  for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(AppCamera, TheCameraUnderTheFlyWindowReachesThePinsBesideTheBrailleLineAndItsSettingsPersist) {
  ASSERT_FALSE(SimLog().empty());
  VirtualCameras cameras;
  ASSERT_EQ(cameras.AddConfigured(kCamera, kConfig), S_OK);
  // The shipped settings in English; the threshold's label as a careless
  // translator might write it.
  const std::string folder = MakeRunFolder();
  const std::string ini = folder + "res\\RelivoX.ini";
  const char* settings[][3] = {{"Def", "Sound", "0"},        {"Def", "Debug", "1"}, {"Def", "Lng", "0044"},
                               {"Device", "autostart", "1"}, {"Cam", "dyn", "0"},   {"Cam", "Trigger", "50"},
                               {"0044", "Trigger", "%s%s%n"}};
  for (const auto& s : settings) WritePrivateProfileStringA(s[0], s[1], s[2], ini.c_str());
  AppRun run;
  ASSERT_TRUE(StartApp(run, folder));
  ASSERT_TRUE(WaitForText(run.LogPath(), "Name:[Relivo Sim]", 20000)) << ReadFileText(run.LogPath());
  EXPECT_NE(ReadFileText(run.LogPath()).find("Cam Popup:8"), std::string::npos);

  PostCommand(run, CMD_CAM_ONOFF);
  ASSERT_TRUE(Sync(run));
  std::vector<Child> windows = ChildrenOf(run.main, "Static", WS_CLIPCHILDREN);
  ASSERT_EQ(windows.size(), 1u) << ReadFileText(run.LogPath());
  HWND camera = windows[0].window;
  RECT client;
  GetClientRect(camera, &client);
  POINT pointer = {client.right / 2, client.bottom / 2};
  ClientToScreen(camera, &pointer);
  SetCursorPos(pointer.x, pointer.y);
  EXPECT_TRUE(WaitForPinsNear(ExpectedEdge(camera, pointer, 50), 15000)) << ReadFileText(run.LogPath());
  EXPECT_TRUE(Shows(run.main, "%s%s%n")) << "a settings text is never a format";

  // Typed while the camera runs: translated, and kept on the braille line
  // while the pins follow the camera.
  HWND edit = EditField(run.main);
  ASSERT_NE(edit, nullptr);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("El"));
  if (TranslatorBuilt()) {
    EXPECT_TRUE(DeviceLineIs(ExpectedLine("de-g0.utb", "El")));
  }
  for (int i = 0; i < 5; ++i) PostCommand(run, CMD_MINUS);
  const double edge = ExpectedEdge(camera, pointer, 25);
  EXPECT_TRUE(WaitForPinsNear(edge, 10000)) << "the threshold moved the edge";
  if (TranslatorBuilt()) {
    EXPECT_TRUE(DeviceLineIs(ExpectedLine("de-g0.utb", "El")));
  }

  // A cleared page: the device gets the camera's pins again, although the
  // picture has not changed.
  const size_t before = ReceivedFrames().size();
  PostCommand(run, CMD_DELETEALL);
  EXPECT_TRUE(PinsComeBackAfterAnEmptyPage(before, edge, 10000));

  // Brightness, the first property slider (below threshold and zoom), and
  // its label; the camera has no contrast.
  std::vector<Child> sliders = ChildrenOf(run.main, TRACKBAR_CLASSA);
  ASSERT_GE(sliders.size(), 3u);
  PostMessageA(run.main, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 40), reinterpret_cast<LPARAM>(sliders[2].window));
  ASSERT_TRUE(Sync(run));
  VcamObservation seen = cameras.Observe(kCamera);
  EXPECT_EQ(seen.propertyClass, 1);
  EXPECT_EQ(seen.propertyId, 0);
  EXPECT_EQ(seen.propertyValue, 40);
  EXPECT_EQ(seen.propertyFlags, 2) << "set manually";
  PostCommand(run, CMD_REFRESH, 1);
  EXPECT_TRUE(Shows(run.main, "Brightness: 40"));
  EXPECT_TRUE(Shows(run.main, "Contrast: not available"));

  // The pop-up menu, by keys: a second request while it is open opens no
  // other, and its seventh entry switches the dynamic threshold on.
  SetForegroundWindow(run.main);
  PostCommand(run, CMD_TRACK);
  for (int i = 0; i < 100 && OpenPopups(run) == 0; ++i) Sleep(50);
  ASSERT_EQ(OpenPopups(run), 1);
  PostCommand(run, CMD_TRACK);
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(OpenPopups(run), 1);
  for (int i = 0; i < 7; ++i) Press(VK_DOWN);
  Press(VK_RETURN);
  for (int i = 0; i < 100 && IniValue(ini, "Cam", "dyn") != "1"; ++i) Sleep(50);
  EXPECT_EQ(IniValue(ini, "Cam", "dyn"), "1");
  EXPECT_TRUE(Shows(run.main, "Threshold: dynamic"));
  // The outline mode, said and kept, and back.
  PostCommand(run, CMD_OUTLINE);
  EXPECT_TRUE(Shows(run.main, "Outline: on"));
  EXPECT_EQ(IniValue(ini, "Cam", "Outline"), "1");
  PostCommand(run, CMD_OUTLINE);
  EXPECT_TRUE(Shows(run.main, "Outline: off"));

  // The screen view runs in front of the camera view, which takes over
  // again when it stops.
  const size_t conversions = CountInLog(run, "DYN:");
  PostMessageA(run.main, WM_HOTKEY, CMD_FLY, 0);
  for (int i = 0; i < 100 && CountInLog(run, "DYN:") == conversions; ++i) Sleep(50);
  EXPECT_GT(CountInLog(run, "DYN:"), conversions) << "the screen view converts";
  PostMessageA(run.main, WM_HOTKEY, CMD_FLY, 0);
  ASSERT_TRUE(Sync(run));
  const size_t afterScreen = ReceivedFrames().size();
  PostCommand(run, CMD_TRIGGER);
  SetCursorPos(pointer.x, pointer.y);
  EXPECT_TRUE(PinsComeAfter(afterScreen, edge, 10000)) << "the camera view is back";

  PostCommand(run, CMD_CAM_ONOFF);
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(IniValue(run.IniPath(), kCameraSection, "prop0"), "40");
  EXPECT_EQ(IniValue(run.IniPath(), "Cam", "Trigger"), "25");

  // The next open puts the stored brightness back on the camera.
  const LONG setsBefore = cameras.Observe(kCamera).propertySets;
  PostCommand(run, CMD_CAM_ONOFF);
  ASSERT_TRUE(Sync(run));
  ASSERT_TRUE(Sync(run));
  seen = cameras.Observe(kCamera);
  EXPECT_GT(seen.propertySets, setsBefore);
  EXPECT_EQ(seen.propertyClass, 1);
  EXPECT_EQ(seen.propertyValue, 40);
  EXPECT_NE(ReadFileText(run.LogPath()).find("Autofocus successfully enabled."), std::string::npos);
  EXPECT_TRUE(CloseAnsweringNo(run));
}
