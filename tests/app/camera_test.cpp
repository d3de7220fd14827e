// The camera view through the real program: a virtual camera's test picture
// (red growing from left to right) previewed in the camera window, the area
// under the fly window on the simulated device, the threshold moving the
// edge of the raised pins, a picture-property slider reaching the camera,
// and the values kept for the next open.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/commands.h"
#include "tests/app/app_driver.h"
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

}  // namespace

TEST(AppCamera, ThePreviewUnderTheFlyWindowReachesThePinsAndTheControlsPersist) {
  ASSERT_FALSE(SimLog().empty());
  VirtualCameras cameras;
  ASSERT_EQ(cameras.AddConfigured(kCamera, kConfig), S_OK);
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder("[Def]\r\nSound=0\r\nDebug=1\r\n[Device]\r\nCOM=3\r\nautostart=1\r\n"
                                          "[Cam]\r\ndyn=0\r\nTrigger=50\r\n")));
  ASSERT_TRUE(WaitForText(run.LogPath(), "Name:[Relivo Sim]", 20000)) << ReadFileText(run.LogPath());

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

  for (int i = 0; i < 5; ++i) PostCommand(run, CMD_MINUS);
  EXPECT_TRUE(WaitForPinsNear(ExpectedEdge(camera, pointer, 25), 10000)) << "the threshold moved the edge";

  // Brightness, the first property slider (below threshold and zoom).
  std::vector<Child> sliders = ChildrenOf(run.main, TRACKBAR_CLASSA);
  ASSERT_GE(sliders.size(), 3u);
  PostMessageA(run.main, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 40), reinterpret_cast<LPARAM>(sliders[2].window));
  ASSERT_TRUE(Sync(run));
  VcamObservation seen = cameras.Observe(kCamera);
  EXPECT_EQ(seen.propertyClass, 1);
  EXPECT_EQ(seen.propertyId, 0);
  EXPECT_EQ(seen.propertyValue, 40);
  EXPECT_EQ(seen.propertyFlags, 2) << "set manually";

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
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 15000));
}
