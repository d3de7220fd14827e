// RelivoX against the device simulator on COM3: the connect at start-up
// and the device's keys. Run through run_device_tests.sh, which starts the
// simulator for each case and hands its frame log over in RELIVO_SIM_LOG.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/app_driver.h"
#include "tests/app/sim_log.h"

namespace {

std::string Ini(const char* extra) {
  return std::string("[Def]\r\nSound=0\r\nDebug=1\r\n[Device]\r\nCOM=3\r\nautostart=1\r\n") + extra;
}

struct SplashSearch {
  DWORD pid;
  bool found;
};

BOOL CALLBACK FindSplash(HWND window, LPARAM lParam) {
  auto* s = reinterpret_cast<SplashSearch*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char cls[32] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (owner == s->pid && _stricmp(cls, "Static") == 0 && IsWindowVisible(window)) s->found = true;
  return TRUE;
}

// The start-up picture is the program's one top-level static window.
bool SplashShown(DWORD pid) {
  SplashSearch search{pid, false};
  EnumWindows(FindSplash, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

TEST(AppDevice, AutostartConnectsThenSendsThePage) {
  ASSERT_FALSE(SimLog().empty());
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder(Ini("").c_str())));
  std::vector<Frame> frames;
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 20000) {
    frames = ReceivedFrames();
    int graphics = 0;
    for (const Frame& f : frames) graphics += IsGraphic(f);
    if (graphics >= 2) break;
    Sleep(100);
  }
  ASSERT_GE(frames.size(), 5u);
  EXPECT_EQ(frames[0], CommandFrame(0x00, 0x00));  // version
  EXPECT_EQ(frames[1], CommandFrame(0x01, 0x00));  // name
  EXPECT_EQ(frames[2], CommandFrame(0x01, 0x10));  // display info
  ASSERT_TRUE(IsGraphic(frames[3]));               // the start image
  // Then the page itself (empty) replaces the logo.
  const unsigned char empty[300] = {};
  size_t next = 4;
  while (next < frames.size() && !IsGraphic(frames[next])) ++next;
  ASSERT_LT(next, frames.size());
  EXPECT_EQ(frames[next], GraphicFrame(empty));
  EXPECT_NE(frames[3], frames[next]);

  ASSERT_TRUE(Sync(run));
  EXPECT_FALSE(SplashShown(run.Pid()));  // the start-up picture is gone
  std::string log = ReadFileText(run.LogPath());
  EXPECT_NE(log.find("Name:[Relivo Sim]"), std::string::npos) << log;
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 15000));
}

TEST(AppDevice, KeyReportsBecomeTheirButtonCommands) {
  ASSERT_FALSE(SimLog().empty());
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder(Ini("").c_str())));
  ASSERT_TRUE(WaitForText(run.LogPath(), "WM_COMMAND BUTTON5", 20000)) << ReadFileText(run.LogPath());
  std::string log = ReadFileText(run.LogPath());
  const char* codes[] = {"0004", "8000", "4000", "2000", "1000", "0002"};
  size_t at = 0;
  for (int i = 0; i < 6; ++i) {
    std::string key = std::string("key:") + codes[i];
    at = log.find(key, at);
    ASSERT_NE(at, std::string::npos) << key << "\n" << log;
    // The tick posts the command; no other key reaches a command before it.
    size_t button = log.find("WM_COMMAND BUTTON", at);
    ASSERT_NE(button, std::string::npos);
    EXPECT_EQ(log.substr(button, 18), "WM_COMMAND BUTTON" + std::to_string(i)) << key;
    at = button;
  }
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 15000));
}
