// RelivoX against the device simulator on COM3: the connect at start-up
// and the device's keys. Run through run_device_tests.sh, which starts the
// simulator for each case and hands its frame log over in RELIVO_SIM_LOG.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/commands.h"
#include "tests/app/app_driver.h"
#include "tests/app/menu_probe.h"
#include "tests/app/sim_log.h"

namespace {

Frame LineFrame(const unsigned char* cells) {
  Frame frame{0xAA, 0x55, 0x00, 0x1A, 0x00, 0x02, 0x00, 0x00, 0x00};
  unsigned char sum = 0xA5 ^ 0x02;
  for (int i = 0; i < 20; ++i) {
    frame.push_back(cells[i]);
    sum ^= cells[i];
  }
  frame.push_back(sum);
  return frame;
}

// Waits until the simulator has received `frame` at least `times` times.
bool WaitForFrame(const Frame& frame, int times, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  do {
    int seen = 0;
    for (const Frame& f : ReceivedFrames()) seen += f == frame;
    if (seen >= times) return true;
    Sleep(100);
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

const unsigned char kBlank[300] = {};

// The page with every pin raised, as CMD_INVERT makes it of an empty page.
Frame RaisedGraphic() {
  unsigned char raised[300];
  std::memset(raised, 0xFF, sizeof raised);
  return GraphicFrame(raised);
}

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

// Starts the program, which connects at once, and waits until its first
// write after the start image has stalled and been released.
void StartUntilTheStall(AppRun& run) {
  ASSERT_FALSE(SimLog().empty());
  ASSERT_TRUE(StartApp(run, MakeRunFolder(Ini("").c_str())));
  ASSERT_TRUE(WaitForText(run.LogPath(), "Err: WriteComBlock", 20000)) << ReadFileText(run.LogPath());
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

  // Two pages sent within a frame's time on the wire (the refresh between
  // the changes sends the first): the second waits for the wire and still
  // reaches the device.
  PostCommand(run, CMD_INVERT);
  PostCommand(run, CMD_REFRESH);
  PostCommand(run, CMD_INVERT);
  EXPECT_TRUE(WaitForFrame(RaisedGraphic(), 1, 10000)) << "the page after the first change";
  EXPECT_TRUE(WaitForFrame(GraphicFrame(empty), 2, 10000)) << "the page after the second change";
  EXPECT_TRUE(CloseWithoutSaving(run));
}

// Scenario "port-menu": the stored port is not there, so the connect at
// start-up fails; the port menu lists the simulator's port, and choosing it
// stores it and connects (autostart is on).
TEST(AppDevice, PortMenuListsTheSimulatorsPortAndChoosingItConnects) {
  ASSERT_FALSE(SimLog().empty());
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder("[Def]\r\nSound=0\r\nDebug=1\r\n[Device]\r\nCOM=9\r\nautostart=1\r\n"
                                          "[CMD]\r\nMenu0-0=CMD_COM_SELECT\r\n"
                                          "[0049]\r\nMenu0=&Ger\xe4t\r\nMenu0-0=&Anschluss\r\n")));
  const std::string dump = ReadMenus(run);
  const int id = IdOf(dump, "COM3");
  ASSERT_TRUE(CommandInRange(id, CMD_COM_FIRST, CMD_COM_LAST)) << dump;
  EXPECT_EQ(Item(dump, "bar 0.0." + std::to_string(id - CMD_COM_FIRST)).find("checked=1"), std::string::npos);
  EXPECT_TRUE(ReceivedFrames().empty());
  PostCommand(run, id);
  ASSERT_TRUE(WaitForFrame(CommandFrame(0x00, 0x00), 1, 20000));
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(IniValue(run.IniPath(), "Device", "COM"), "3");
  EXPECT_NE(Item(ReadMenus(run), "bar 0.0." + std::to_string(id - CMD_COM_FIRST)).find("checked=1"), std::string::npos);
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

// Scenario "xoff": after the start image the device sends a lone XOFF,
// which stops the PC's output. The stalled write is given up and the
// output released: the program answers, the next page reaches the device,
// and at the end the device is blanked.
TEST(AppDevice, StrayXoffNeitherFreezesTheProgramNorKeepsThePinsUp) {
  AppRun run;
  ASSERT_NO_FATAL_FAILURE(StartUntilTheStall(run));
  PostCommand(run, CMD_INVERT);
  ASSERT_TRUE(Sync(run));
  EXPECT_TRUE(WaitForFrame(RaisedGraphic(), 1, 10000));
  ASSERT_TRUE(CloseWithoutSaving(run));
  std::vector<Frame> frames = ReceivedFrames();
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(frames[frames.size() - 2], LineFrame(kBlank));
  EXPECT_EQ(frames.back(), GraphicFrame(kBlank));
}

// Scenario "stall": after the start image the device sends XOFF and reads
// nothing for 6 s. The program answers during the stall; the page it sends
// meanwhile arrives when the device reads again, and so does the page
// after it.
TEST(AppDevice, PagesSentDuringAndAfterAStallArrive) {
  AppRun run;
  ASSERT_NO_FATAL_FAILURE(StartUntilTheStall(run));
  // (Wine without a window manager takes 2 s to take the start-up picture
  // away at the end of the connect.)
  PostCommand(run, CMD_INVERT);
  ASSERT_TRUE(Sync(run, 4000));
  ASSERT_EQ(ReadFileText(SimLog()).find("TX-flow 11"), std::string::npos) << "it answered only after the stall";
  ASSERT_TRUE(WaitForFrame(RaisedGraphic(), 1, 10000));
  PostCommand(run, CMD_INVERT);
  EXPECT_TRUE(WaitForFrame(GraphicFrame(kBlank), 2, 10000)) << "the blank page after the stall";
  ASSERT_TRUE(CloseWithoutSaving(run));
}

namespace {

// The shipped settings (braille translator and sounds included), connecting
// at start-up, logging.
std::string ShippedRunFolder() {
  std::string folder = MakeRunFolder();
  const std::string ini = folder + "res\\RelivoX.ini";
  WritePrivateProfileStringA("Def", "Debug", "1", ini.c_str());
  WritePrivateProfileStringA("Device", "autostart", "1", ini.c_str());
  return folder;
}

HWND ChildWithStyle(HWND main, LONG style) {
  for (const ChildInfo& c : Children(main))
    if (_stricmp(c.cls.c_str(), "Edit") == 0 && (c.style & style) == style) return c.window;
  return nullptr;
}

bool WaitForWindowText(HWND window, const std::string& part, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  do {
    if (WindowText(window).find(part) != std::string::npos) return true;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

bool IsLine(const Frame& f) { return f.size() == 30 && f[4] == 0x00 && f[5] == 0x02; }

// The last braille line the device received (after the event, if given).
Frame LastLine(const char* after = nullptr) {
  std::vector<Frame> frames = ReceivedFrames(after);
  for (size_t i = frames.size(); i-- > 0;)
    if (IsLine(frames[i])) return frames[i];
  return {};
}

// The device goes away (the simulator's control command `fault`) while the
// user works: a page on the pins and a text on the braille line. The
// program notices, says so in the status line, the info panel and with its
// sound, and keeps answering; the user changes the page meanwhile. When the
// device answers again after the `back` event of the simulator, the program
// identifies it and sends it the page as it is now and the braille line.
// At the end the device is blanked as usual.
void LoseAndFindTheDevice(const char* fault, const char* logLine, const char* back) {
  ASSERT_FALSE(SimLog().empty());
  AppRun run;
  ASSERT_TRUE(StartApp(run, ShippedRunFolder()));
  ASSERT_TRUE(WaitForFrame(GraphicFrame(kBlank), 1, 20000)) << "the empty page after the logo";
  HWND edit = ChildWithStyle(run.main, ES_AUTOVSCROLL);
  HWND status = nullptr;  // the one single-line field besides the text field
  for (const ChildInfo& c : Children(run.main))
    if (_stricmp(c.cls.c_str(), "Edit") == 0 && !(c.style & (ES_MULTILINE | ES_AUTOVSCROLL))) status = c.window;
  HWND info = ChildWithStyle(run.main, ES_MULTILINE | ES_READONLY | ES_CENTER);
  ASSERT_TRUE(edit && status && info);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Relivo"));
  Frame line;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(50)) {
    line = LastLine();
    if (!line.empty() && line[9] != 0) break;
  }
  ASSERT_TRUE(!line.empty() && line[9] != 0) << "the text on the braille line";

  ASSERT_TRUE(SimCommand(fault));
  ASSERT_TRUE(WaitForText(run.LogPath(), logLine, 15000)) << ReadFileText(run.LogPath());
  EXPECT_TRUE(WaitForWindowText(status, "alle 2 Sekunden", 5000)) << WindowText(status);
  EXPECT_TRUE(WaitForWindowText(info, "wird gesucht", 5000)) << WindowText(info);
  EXPECT_TRUE(WaitForText(run.LogPath(), "lost.wav\" notify", 5000)) << "the sound of a lost device";
  // The window answers while the program looks for the device, and the
  // user goes on working.
  PostCommand(run, CMD_INVERT);
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(WindowText(edit), "Relivo");

  ASSERT_TRUE(WaitForText(SimLog(), back, 20000));
  ASSERT_TRUE(WaitForText(run.LogPath(), "wieder verbunden", 20000)) << ReadFileText(run.LogPath());
  EXPECT_TRUE(WaitForFrame(RaisedGraphic(), 1, 10000)) << "the page as it is now";
  for (DWORD start = GetTickCount(); LastLine(back) != line && GetTickCount() - start < 10000;) Sleep(50);
  EXPECT_EQ(LastLine(back), line) << "the braille line";
  std::vector<Frame> after = ReceivedFrames(back);
  const Frame request[] = {CommandFrame(0x00, 0x00), CommandFrame(0x01, 0x00), CommandFrame(0x01, 0x10)};
  EXPECT_NE(std::search(after.begin(), after.end(), request, request + 3), after.end()) << "identified again";
  EXPECT_EQ(std::count_if(after.begin(), after.end(), IsGraphic), 1) << "no logo, only the page";
  EXPECT_TRUE(WaitForWindowText(status, "wieder verbunden", 5000)) << WindowText(status);
  EXPECT_TRUE(WaitForWindowText(info, "Relivo Sim", 5000)) << WindowText(info);
  EXPECT_EQ(WindowText(edit), "Relivo");

  ASSERT_TRUE(CloseWithoutSaving(run));
  std::vector<Frame> frames = ReceivedFrames(back);
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(frames[frames.size() - 2], LineFrame(kBlank));
  EXPECT_EQ(frames.back(), GraphicFrame(kBlank));
}

}  // namespace

// Scenario "unplug": the device is pulled out for 3 s (its pty closes, the
// COM port cannot be opened) and put back.
TEST(AppDevice, APulledOutDeviceIsFoundAgainAndGetsThePageAndTheLine) {
  LoseAndFindTheDevice("unplug 3000", "Err: Ger\xe4t verloren", "-- plugged in");
}

// Scenario "hang": the device stops answering for 4 s without going away.
TEST(AppDevice, ADeviceThatStopsAnsweringIsFoundAgainAndGetsThePageAndTheLine) {
  LoseAndFindTheDevice("hang 4000", "Err: Ger\xe4t antwortet nicht mehr", "-- answering again");
}
