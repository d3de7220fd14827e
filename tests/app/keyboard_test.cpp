// The whole program worked as a blind user works it: keys only, never the
// mouse. The real RelivoX.exe with the shipped settings, the device
// simulator on COM3 and a virtual camera: a picture opened through the open
// dialog, a rectangle drawn with the pin cursor and felt on the device, a
// text typed and its braille line on the device, the braille language and
// grade chosen in their lists, the camera view opened from the menu, its
// threshold and brightness sliders moved with the arrow keys, the page
// saved under a new name, the program closed. Run through
// run_device_tests.sh.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/app/app_driver.h"
#include "tests/app/sim_log.h"
#include "tests/capture/lumcap_api.h"

namespace {

constexpr DWORD kWaitMs = 15000;
constexpr wchar_t kCamera[] = L"Desk Camera";
constexpr char kCameraSection[] = "Desk Camera";
constexpr wchar_t kConfig[] = L"format RGB24 640x480 30; amp 0 -64 64 1 0 2 0 2; cam 3 100 400 1 100 2 100 2";
// Translator bit k (dot k + 1) is device bit kDeviceBit[k].
constexpr int kDeviceBit[8] = {0, 1, 2, 4, 5, 6, 3, 7};

// ---- the keyboard ---------------------------------------------------------------

void Key(WORD vk, bool up) {
  INPUT key = {};
  key.type = INPUT_KEYBOARD;
  key.ki.wVk = vk;
  key.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &key, sizeof key);
}

// One key, with Shift, Ctrl or Alt held.
void Press(WORD vk, bool shift = false, bool ctrl = false, bool alt = false) {
  if (ctrl) Key(VK_CONTROL, false);
  if (shift) Key(VK_SHIFT, false);
  if (alt) Key(VK_MENU, false);
  Key(vk, false);
  Key(vk, true);
  if (alt) Key(VK_MENU, true);
  if (shift) Key(VK_SHIFT, true);
  if (ctrl) Key(VK_CONTROL, true);
}

void PressTimes(WORD vk, int times, bool shift = false) {
  for (int i = 0; i < times; ++i) Press(vk, shift);
}

// Characters as the keyboard types them (any character, through the
// platform's Unicode key events).
void Type(const std::string& text) {
  for (unsigned char c : text) {
    wchar_t unit = 0;
    MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(&c), 1, &unit, 1);
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wScan = keys[1].ki.wScan = unit;
    keys[0].ki.dwFlags = KEYEVENTF_UNICODE;
    keys[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
  }
}

// ---- what the program shows -----------------------------------------------------

HWND Focus(const AppRun& run) {
  GUITHREADINFO gui = {};
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(run.process.dwThreadId, &gui);
  return gui.hwndFocus;
}

std::string ClassOf(HWND window) {
  char cls[64] = "";
  GetClassNameA(window, cls, sizeof cls);
  return cls;
}

// Waits until the log holds `line` after `from` bytes of it.
bool Logged(const AppRun& run, const std::string& line, std::size_t from = 0, DWORD timeoutMs = kWaitMs) {
  const DWORD start = GetTickCount();
  do {
    const std::string log = ReadFileText(run.LogPath());
    if (log.size() > from && log.find(line, from) != std::string::npos) return true;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

::testing::AssertionResult Said(const AppRun& run, const std::string& text, std::size_t from) {
  if (Logged(run, "Ansage: " + text + "\r\n", from)) return ::testing::AssertionSuccess();
  const std::string log = ReadFileText(run.LogPath());
  return ::testing::AssertionFailure() << "not said: \"" << text << "\"\n" << log.substr(from);
}

// The focus moves on a key; waits until it left `before`.
HWND FocusAfter(const AppRun& run, HWND before) {
  const DWORD start = GetTickCount();
  HWND now = Focus(run);
  while (now == before && GetTickCount() - start < kWaitMs) {
    Sleep(30);
    now = Focus(run);
  }
  return now;
}

HWND Tab(const AppRun& run, int times, bool back = false) {
  HWND focus = Focus(run);
  for (int i = 0; i < times; ++i) {
    Press(VK_TAB, back);
    focus = FocusAfter(run, focus);
  }
  return focus;
}

using Pins = std::set<std::pair<int, int>>;

Pins DevicePins() {
  const std::vector<Frame> frames = ReceivedFrames();
  Pins pins;
  for (size_t i = frames.size(); i-- > 0;) {
    if (!IsGraphic(frames[i])) continue;
    const unsigned char* g = frames[i].data() + 9;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 60; ++x)
        if (g[x / 2 + (y / 4) * 30] & (1u << (y % 4 + 4 * (x % 2)))) pins.insert({x, y});
    break;
  }
  return pins;
}

bool DeviceHolds(const Pins& wanted) {
  const DWORD start = GetTickCount();
  do {
    const Pins shown = DevicePins();
    bool all = true;
    for (const auto& p : wanted) all = all && shown.count(p);
    if (all) return true;
    Sleep(100);
  } while (GetTickCount() - start < kWaitMs);
  return false;
}

// The cells of the last braille line the device received.
std::vector<unsigned char> DeviceLine() {
  const std::vector<Frame> frames = ReceivedFrames();
  for (size_t i = frames.size(); i-- > 0;)
    if (frames[i].size() == 30 && frames[i][4] == 0x00 && frames[i][5] == 0x02)
      return std::vector<unsigned char>(frames[i].begin() + 9, frames[i].begin() + 29);
  return {};
}

unsigned char DeviceCell(std::initializer_list<int> dots) {
  unsigned char cell = 0;
  for (int dot : dots) cell |= static_cast<unsigned char>(1u << kDeviceBit[dot - 1]);
  return cell;
}

bool DeviceLineStarts(const std::vector<unsigned char>& cells) {
  const DWORD start = GetTickCount();
  do {
    const std::vector<unsigned char> line = DeviceLine();
    if (line.size() >= cells.size() && std::equal(cells.begin(), cells.end(), line.begin())) return true;
    Sleep(100);
  } while (GetTickCount() - start < kWaitMs);
  return false;
}

// The graphic frames the device received, with the time each came (seconds
// of the day, from the simulator's log).
struct TimedGraphic {
  double at;
  Frame frame;
};

std::vector<TimedGraphic> TimedGraphics() {
  std::vector<TimedGraphic> graphics;
  std::istringstream log(ReadFileText(SimLog()));
  std::string line;
  while (std::getline(log, line)) {
    int h = 0, m = 0;
    double sec = 0;
    char kind[4] = "";
    if (std::sscanf(line.c_str(), "%d:%d:%lf %3s", &h, &m, &sec, kind) != 4 || std::strcmp(kind, "RX") != 0) continue;
    Frame frame;
    std::istringstream fields(line.substr(line.find("RX") + 2));
    std::string byte;
    while (fields >> byte) frame.push_back(static_cast<unsigned char>(std::strtoul(byte.c_str(), nullptr, 16)));
    if (IsGraphic(frame)) graphics.push_back({h * 3600.0 + m * 60.0 + sec, frame});
  }
  return graphics;
}

bool PinOf(const Frame& f, int x, int y) { return (f[9 + x / 2 + (y / 4) * 30] >> (y % 4 + 4 * (x % 2))) & 1; }

std::string Picture() {
  std::string path = RELIVO_TEST_PICTURES;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path + "\\page_1bit.bmp";
}

}  // namespace

TEST(AppKeyboard, EverythingByKeysWithoutAMouse) {
  ASSERT_FALSE(SimLog().empty());
  VirtualCameras cameras;
  ASSERT_EQ(cameras.AddConfigured(kCamera, kConfig), S_OK);
  // The shipped settings and keys; connecting at start-up, silent, logging;
  // the camera with a fixed threshold.
  const std::string folder = MakeRunFolder();
  const std::string ini = folder + "res\\RelivoX.ini";
  WritePrivateProfileStringA("Def", "Sound", "0", ini.c_str());
  WritePrivateProfileStringA("Def", "Debug", "1", ini.c_str());
  WritePrivateProfileStringA("Device", "autostart", "1", ini.c_str());
  WritePrivateProfileStringA("Cam", "dyn", "0", ini.c_str());
  WritePrivateProfileStringA("Cam", "Trigger", "50", ini.c_str());
  AppRun run;
  ASSERT_TRUE(StartApp(run, folder));
  ASSERT_TRUE(Logged(run, "Name:[Relivo Sim]")) << ReadFileText(run.LogPath());
  SetForegroundWindow(run.main);
  for (DWORD start = GetTickCount(); GetForegroundWindow() != run.main && GetTickCount() - start < kWaitMs;) Sleep(50);
  ASSERT_TRUE(Sync(run));
  std::size_t mark = ReadFileText(run.LogPath()).size();

  // Open a picture: Ctrl+O, its name typed into the open dialog, Enter.
  Press('O', false, true);
  HWND open = WaitDialog(run.Pid(),
                         "Relivo X Datei \xf6"
                         "ffnen",
                         kWaitMs);
  ASSERT_NE(open, nullptr);
  for (DWORD start = GetTickCount(); !Focus(run) && GetTickCount() - start < kWaitMs;) Sleep(50);
  Type(Picture());
  Press(VK_RETURN);
  EXPECT_TRUE(Said(run,
                   "Ge\xf6"
                   "ffnet: page_1bit.bmp",
                   mark));
  EXPECT_TRUE(DeviceHolds({{5, 3}, {14, 7}})) << "the picture's rectangle";

  // A rectangle with the pin cursor: F3 puts the keyboard on the page, the
  // tool goes to the rectangle, the cursor to (20, 10), Enter sets the
  // anchor, the cursor goes to (30, 20), Enter draws.
  mark = ReadFileText(run.LogPath()).size();
  Press(VK_F3);
  Press(VK_NEXT, false, true);
  Press(VK_NEXT, false, true);
  Press(VK_NEXT, false, true);
  EXPECT_TRUE(Said(run, "Rechteck", mark));
  PressTimes(VK_RIGHT, 20);
  PressTimes(VK_DOWN, 10);
  EXPECT_TRUE(Said(run, "[20 10] gesenkt", mark));
  Press(VK_RETURN);
  EXPECT_TRUE(Said(run, "[20 10] Rechteck Anfangspunkt", mark));
  PressTimes(VK_RIGHT, 10);
  PressTimes(VK_DOWN, 10);
  Press(VK_RETURN);
  EXPECT_TRUE(Said(run, "[30 20] Rechteck gezeichnet", mark));
  // Shift+arrows draw: a short line of the pen from (30, 20).
  Press(VK_LEFT, true);
  Press(VK_LEFT, true);
  EXPECT_TRUE(Said(run, "[28 20] erh\xf6ht", mark));
  // The cursor's pin blinks on the device while the page has the focus:
  // one frame every half second, the pin at (28, 20) changing, nothing else.
  const std::size_t before = TimedGraphics().size();
  std::vector<TimedGraphic> blink;
  for (DWORD start = GetTickCount(); GetTickCount() - start < kWaitMs;) {
    blink = TimedGraphics();
    if (blink.size() >= before + 6) break;
    Sleep(100);
  }
  ASSERT_GE(blink.size(), before + 6) << "the cursor blinks";
  for (std::size_t i = blink.size() - 4; i < blink.size(); ++i) {
    const double gap = blink[i].at - blink[i - 1].at;
    EXPECT_GT(gap, 0.4) << "frame " << i;
    EXPECT_LT(gap, 0.75) << "frame " << i;
    EXPECT_NE(PinOf(blink[i].frame, 28, 20), PinOf(blink[i - 1].frame, 28, 20));
    Frame a = blink[i].frame, b = blink[i - 1].frame;
    a[9 + 28 / 2 + (20 / 4) * 30] = b[9 + 28 / 2 + (20 / 4) * 30] = 0;
    EXPECT_TRUE(std::equal(a.begin() + 9, a.begin() + 309, b.begin() + 9)) << "only the cursor's pin changes";
  }
  HWND page = Focus(run);
  // The text field is three places back; there the device shows the page
  // without the cursor's blinking pin.
  HWND field = Tab(run, 3, true);
  EXPECT_EQ(ClassOf(field), "Edit");
  EXPECT_NE(field, page);
  EXPECT_TRUE(DeviceHolds(
      {{20, 10}, {25, 10}, {30, 10}, {20, 15}, {30, 15}, {20, 20}, {25, 20}, {30, 20}, {29, 20}, {28, 20}, {5, 3}}))
      << "the rectangle, the pen's pins and the picture on the device";

  // Text into the text field, its braille on the device: "the" in German
  // uncontracted braille is three cells.
  Type("the");
  EXPECT_TRUE(DeviceLineStarts({DeviceCell({2, 3, 4, 5}), DeviceCell({1, 2, 5}), DeviceCell({1, 5})}));

  // Language and grade in their lists, one Tab away each: English (UK),
  // contracted, where "the" is one cell.
  mark = ReadFileText(run.LogPath()).size();
  HWND languages = Tab(run, 1);
  EXPECT_EQ(ClassOf(languages), "ListBox");
  Press(VK_DOWN);
  EXPECT_TRUE(Said(run, "Braillesprache: English (UK)", mark));
  HWND grades = Tab(run, 1);
  EXPECT_EQ(ClassOf(grades), "ListBox");
  Press(VK_DOWN);
  EXPECT_TRUE(Said(run, "Braillegrade: Contracted", mark));
  EXPECT_TRUE(DeviceLineStarts({DeviceCell({2, 3, 4, 6}), 0}));
  EXPECT_EQ(IniValue(run.IniPath(), "Braille", "Lng"), "1");

  // The camera view from the menu: Alt, K (camera), E (on/off).
  mark = ReadFileText(run.LogPath()).size();
  Press(VK_MENU);
  Press('K');
  Press('E');
  EXPECT_TRUE(Said(run, "Kamera ein", mark));
  // The device keys come after the page: the second one pressed with
  // Space. The camera's sliders come after the six keys: threshold, zoom,
  // brightness. The threshold moves by 5 with an arrow, the brightness
  // by 1.
  HWND key = Tab(run, 3);
  EXPECT_EQ(ClassOf(key), "Static");
  Press(VK_SPACE);
  EXPECT_TRUE(Logged(run, "WM_COMMAND BUTTON1", mark));
  HWND threshold = Tab(run, 5);
  EXPECT_EQ(ClassOf(threshold), "msctls_trackbar32");
  Press(VK_RIGHT);
  EXPECT_TRUE(Said(run, "Schwellwert: 55", mark));
  EXPECT_EQ(IniValue(run.IniPath(), "Cam", "Trigger"), "55");
  HWND brightness = Tab(run, 2);
  EXPECT_EQ(ClassOf(brightness), "msctls_trackbar32");
  EXPECT_NE(brightness, threshold);
  Press(VK_RIGHT);
  Press(VK_RIGHT);
  EXPECT_TRUE(Said(run, "Helligkeit: 2", mark));
  EXPECT_EQ(IniValue(run.IniPath(), kCameraSection, "prop0"), "2");
  const VcamObservation seen = cameras.Observe(kCamera);
  EXPECT_EQ(seen.propertyClass, 1);
  EXPECT_EQ(seen.propertyId, 0);
  EXPECT_EQ(seen.propertyValue, 2) << "the camera was told";

  // Save as: Ctrl+Shift+S, a new name, Enter, Enter on the question
  // whether to make the file.
  mark = ReadFileText(run.LogPath()).size();
  const std::string saved = folder + "data\\walk.dtm";
  Press('S', true, true);
  HWND save = WaitDialog(run.Pid(), nullptr, kWaitMs);
  ASSERT_NE(save, nullptr);
  Type(saved);
  Press(VK_RETURN);
  for (DWORD start = GetTickCount();
       !Logged(run, "Ansage: Gespeichert: walk.dtm", mark, 200) && GetTickCount() - start < kWaitMs;) {
    if (Dialogs(run.Pid()).size() > 1) Press(VK_RETURN);  // "create the file?"
  }
  EXPECT_TRUE(Said(run, "Gespeichert: walk.dtm", mark));
  EXPECT_EQ(ReadFileBytes(saved).size(), 350u);

  // Quit: Ctrl+Q; a question about the page, should it come, is declined
  // with Esc.
  Press('Q', false, true);
  for (DWORD start = GetTickCount(); !WaitExit(run, 200) && GetTickCount() - start < kWaitMs;)
    if (!Dialogs(run.Pid()).empty()) Press(VK_ESCAPE);
  EXPECT_TRUE(WaitExit(run, 0));
}
