// RelivoX against the device simulator, worked with the real mouse:
// xdotool moves the X pointer over the program's window, Wine turns that
// into the program's mouse messages. What is drawn, undone, erased and
// stamped must arrive at the device pin for pin; the device keys browse the
// typed text in the project's braille font. Run through
// run_device_tests.sh (frame log in RELIVO_SIM_LOG, key FIFO in
// RELIVO_SIM_CONTROL).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/commands.h"
#include "document/tools.h"
#include "tests/app/app_driver.h"
#include "tests/app/braille_frames.h"
#include "tests/app/sim_log.h"
#include "tests/host_louis.h"

namespace {

constexpr int kPin = 10;  // Box_Size of the shipped settings
constexpr int kColumns = 60;
constexpr int kRows = 40;
constexpr DWORD kFrameWaitMs = 15000;
constexpr const char* kXdotool = "/usr/bin/xdotool";

using Pins = std::set<std::pair<int, int>>;

struct Packed {
  unsigned char bytes[300] = {};
};

Packed Pack(const Pins& pins) {
  Packed p;
  for (auto [x, y] : pins) p.bytes[x / 2 + (y / 4) * 30] |= static_cast<unsigned char>(1u << (y % 4 + 4 * (x % 2)));
  return p;
}

Pins Unpack(const unsigned char* graphic) {
  Pins pins;
  for (int y = 0; y < kRows; ++y)
    for (int x = 0; x < kColumns; ++x)
      if (graphic[x / 2 + (y / 4) * 30] & (1u << (y % 4 + 4 * (x % 2)))) pins.insert({x, y});
  return pins;
}

std::string Describe(const Pins& pins) {
  std::string text;
  for (auto [x, y] : pins) text += "(" + std::to_string(x) + "," + std::to_string(y) + ")";
  return text;
}

// The pins of the last graphic frame the device received (empty when none).
Pins LastGraphic() {
  std::vector<Frame> frames = ReceivedFrames();
  for (size_t i = frames.size(); i-- > 0;)
    if (IsGraphic(frames[i])) return Unpack(frames[i].data() + 9);
  return {};
}

// Waits until the device's last graphic holds exactly these pins.
::testing::AssertionResult DeviceShows(const Pins& expected) {
  const Packed want = Pack(expected);
  const Frame frame = GraphicFrame(want.bytes);
  DWORD start = GetTickCount();
  do {
    std::vector<Frame> frames = ReceivedFrames();
    for (size_t i = frames.size(); i-- > 0;) {
      if (!IsGraphic(frames[i])) continue;
      if (frames[i] == frame) return ::testing::AssertionSuccess();
      break;
    }
    Sleep(50);
  } while (GetTickCount() - start < kFrameWaitMs);
  Pins last = LastGraphic();
  Pins missing, extra;
  for (const auto& p : expected)
    if (!last.count(p)) missing.insert(p);
  for (const auto& p : last)
    if (!expected.count(p)) extra.insert(p);
  return ::testing::AssertionFailure() << "missing " << Describe(missing) << " extra " << Describe(extra);
}

// Waits until the device's last graphic satisfies the test.
template <typename Test>
bool DeviceShowsWhere(Test test) {
  DWORD start = GetTickCount();
  do {
    if (test(LastGraphic())) return true;
    Sleep(50);
  } while (GetTickCount() - start < kFrameWaitMs);
  return false;
}

bool WaitForWindowText(HWND window, const std::string& text) {
  DWORD start = GetTickCount();
  do {
    if (WindowText(window) == text) return true;
    Sleep(50);
  } while (GetTickCount() - start < kFrameWaitMs);
  ADD_FAILURE() << "window text: \"" << WindowText(window) << "\", expected \"" << text << "\"";
  return false;
}

// The status line: the lowest edit field of the main window.
HWND StatusLine(HWND main) {
  HWND found = nullptr;
  LONG lowest = -1;
  for (const ChildInfo& c : Children(main))
    if (_stricmp(c.cls.c_str(), "Edit") == 0 && c.rect.top > lowest) {
      lowest = c.rect.top;
      found = c.window;
    }
  return found;
}

// The real pointer over the main window, in its client coordinates.
class Mouse {
 public:
  explicit Mouse(HWND main) { ClientToScreen(main, &origin_); }
  void Move(int x, int y) { Run("mousemove " + At(x, y)); }
  void Click(int x, int y, int button = 1) { Run("mousemove " + At(x, y) + " click " + std::to_string(button)); }
  void ClickPin(int column, int row) { Click(PinX(column), PinY(row)); }
  // Presses on the first pin, moves over the others, releases on the last.
  void Drag(const std::vector<std::pair<int, int>>& pins, int button = 1) {
    std::string b = std::to_string(button);
    std::string args = "mousemove " + At(PinX(pins[0].first), PinY(pins[0].second)) + " mousedown " + b;
    for (size_t i = 1; i < pins.size(); ++i)
      args += " sleep 0.03 mousemove " + At(PinX(pins[i].first), PinY(pins[i].second));
    Run(args + " sleep 0.03 mouseup " + b);
  }
  static int PinX(int column) { return kPageOffset + column * kPin + kPin / 2; }
  static int PinY(int row) { return kPageOffset + row * kPin + kPin / 2; }

 private:
  std::string At(int x, int y) const { return std::to_string(origin_.x + x) + " " + std::to_string(origin_.y + y); }
  void Run(const std::string& args) {
    ASSERT_TRUE(RunHostCommand(std::string(kXdotool) + " " + args)) << "xdotool " << args;
  }
  POINT origin_ = {0, 0};
};

// Centres of the icon bar's icons (client coordinates) for the pin size.
struct IconBar {
  int x0 = kColumns * kPin + (61 * kPin + 150 - kColumns * kPin - 48) / 2;
  POINT Back() const { return {x0 - 38 + 24, 218 + 24}; }
  POINT Accept() const { return {x0 + 30 + 24, 218 + 24}; }
  POINT Tool() const { return {x0 + 24, 286 + 24}; }
  POINT Previous() const { return {x0 - 32 + 8, 318 + 8}; }
};

// A copy of the output folder with the shipped settings, connecting at
// start-up, silent, logging.
std::string RunFolder() {
  std::string folder = MakeRunFolder();
  std::string ini = folder + "res\\RelivoX.ini";
  WritePrivateProfileStringA("Def", "Sound", "0", ini.c_str());
  WritePrivateProfileStringA("Def", "Debug", "1", ini.c_str());
  WritePrivateProfileStringA("Device", "autostart", "1", ini.c_str());
  return folder;
}

// Presses a device key through the simulator (1..6 as on its keyboard).
void DeviceKey(char key) {
  const char* path = std::getenv("RELIVO_SIM_CONTROL");
  ASSERT_NE(path, nullptr);
  HANDLE fifo =
      CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(fifo, INVALID_HANDLE_VALUE);
  char line[2] = {key, '\n'};
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(fifo, line, sizeof line, &written, nullptr));
  CloseHandle(fifo);
}

Pins Rectangle(int x0, int y0, int x1, int y1) {
  Pins pins;
  for (int x = x0; x <= x1; ++x) pins.insert({x, y0}), pins.insert({x, y1});
  for (int y = y0; y <= y1; ++y) pins.insert({x0, y}), pins.insert({x1, y});
  return pins;
}

}  // namespace

TEST(AppDraw, StrokesUndoErasingAndTheStampedLineReachTheDevice) {
  ASSERT_FALSE(SimLog().empty());
  AppRun run;
  std::string folder = RunFolder();
  // A page with only a braille line, to stamp from.
  unsigned char page[350] = {'_', 'd', 't', 'm', '_', '<', '('};
  const unsigned char cells[4] = {0x0F, 0x81, 0x00, 0xF0};
  std::memcpy(page + 310, cells, sizeof cells);
  ASSERT_TRUE(WriteFileBytes(folder + "data\\line.dtm", page, sizeof page));
  ASSERT_TRUE(StartApp(run, folder));
  ASSERT_TRUE(DeviceShows({}));
  Mouse mouse(run.main);
  IconBar bar;

  PostCommand(run, CMD_OPEN);
  HWND open = WaitDialog(run.Pid(), nullptr, 10000);
  ASSERT_NE(open, nullptr);
  ChooseFile(open, folder + "data\\line.dtm");
  ASSERT_TRUE(WaitForText(run.LogPath(), "mit 350 Byte", 10000));
  // The first two events after a file dialog are ignored: no pen dots.
  mouse.ClickPin(30, 30);
  mouse.ClickPin(31, 30);
  // Picked up from the text line, carried to pin (10, 20), stamped.
  mouse.Click(100 + 10, kRows * kPin + 60 + 10);
  mouse.Move(kPageOffset + 10 * kPin + 2, kPageOffset + 20 * kPin + 2);
  EXPECT_TRUE(WaitForWindowText(StatusLine(run.main), "[10 20] Position")) << "the line is carried to a pin";
  mouse.Click(kPageOffset + 10 * kPin + 2, kPageOffset + 20 * kPin + 2);
  Pins stamped;
  for (int c = 0; c < 4; ++c)
    for (int bit = 0; bit < 8; ++bit)
      if (cells[c] & (1 << bit)) stamped.insert({10 + 2 * c + bit / 4, 20 + bit % 4});
  ASSERT_TRUE(DeviceShows(stamped));
  mouse.ClickPin(32, 30);  // the click after a stamp is ignored too
  mouse.Click(bar.Back().x, bar.Back().y);
  ASSERT_TRUE(DeviceShows({}));

  // The rectangle tool, three clicks on the tool icon away from the pen.
  for (int i = 0; i < 3; ++i) mouse.Click(bar.Tool().x, bar.Tool().y);
  mouse.Drag({{10, 5}, {16, 9}, {25, 15}, {20, 12}});
  ASSERT_TRUE(DeviceShows(Rectangle(10, 5, 20, 12)));
  mouse.Click(bar.Back().x, bar.Back().y);
  ASSERT_TRUE(DeviceShows({}));

  // Drawn again and accepted; then the pen, dragged with the right button
  // along the top edge, erases it.
  mouse.Drag({{20, 12}, {10, 5}});
  ASSERT_TRUE(DeviceShows(Rectangle(10, 5, 20, 12)));
  mouse.Click(bar.Accept().x, bar.Accept().y);
  for (int i = 0; i < 3; ++i) mouse.Click(bar.Previous().x, bar.Previous().y);
  mouse.Drag({{10, 5}, {14, 5}, {20, 5}}, 3);
  Pins erased = Rectangle(10, 5, 20, 12);
  for (int x = 10; x <= 20; ++x) erased.erase({x, 5});
  ASSERT_TRUE(DeviceShows(erased));
  std::string log = ReadFileText(run.LogPath());
  EXPECT_NE(log.find("WM_RBUTTONDOWN"), std::string::npos);
  EXPECT_TRUE(CloseWithoutSaving(run));
}

TEST(AppDraw, DeviceKeysBrowseTheTypedTextInBraille) {
  ASSERT_FALSE(SimLog().empty());
  AppRun run;
  ASSERT_TRUE(StartApp(run, RunFolder()));
  ASSERT_TRUE(DeviceShows({}));
  HWND edit = nullptr;
  for (const ChildInfo& c : Children(run.main))
    if (_stricmp(c.cls.c_str(), "Edit") == 0 && c.rect.top == (kRows + 4) * kPin + 72) edit = c.window;
  ASSERT_NE(edit, nullptr);
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("El"));

  // Key 4 (BUTTON3): the character after the cursor, "l", large, with its
  // braille cell (dots 1, 2, 3) large at the right: dots of 4 pins every 8.
  DeviceKey('4');
  auto big = [](const Pins& pins) {
    auto dot = [&](int x, int y) { return pins.count({x, y}) && pins.count({x + 1, y + 1}); };
    int letter = 0;
    for (auto [x, y] : pins) letter += x < 40;
    return letter > 20 && dot(45, 7) && dot(45, 15) && dot(45, 23) && !dot(53, 7) && !dot(53, 15) && !dot(53, 23) &&
           !dot(45, 31) && !dot(53, 31);
  };
  EXPECT_TRUE(DeviceShowsWhere(big)) << Describe(LastGraphic());
  // The braille line keeps showing the typed text meanwhile.
  if (TranslatorBuilt()) {
    EXPECT_TRUE(DeviceLineIs(ExpectedLine("de-g0.utb", "El")));
  }

  // Key 5 (BUTTON4): the text from its start, small, above its cells: "E"
  // is dots 1 and 5, "l" dots 1, 2, 3; dots of 2 pins, 4 apart, cells 10
  // pins wide.
  DeviceKey('5');
  auto line = [](const Pins& pins) {
    auto dot = [&](int x, int y) { return pins.count({x, y}) && pins.count({x + 1, y + 1}); };
    int letters = 0;
    for (auto [x, y] : pins) letters += y < 20;
    return letters > 20 && dot(0, 23) && dot(4, 27) && !dot(0, 27) && !dot(4, 23) && !dot(0, 31) && dot(10, 23) &&
           dot(10, 27) && dot(10, 31) && !dot(14, 23);
  };
  EXPECT_TRUE(DeviceShowsWhere(line)) << Describe(LastGraphic());
  if (TranslatorBuilt()) {
    EXPECT_TRUE(DeviceLineIs(ExpectedLine("de-g0.utb", "El")));
  }
  std::string log = ReadFileText(run.LogPath());
  EXPECT_NE(log.find("Show:  1.36 bmW:60 bmH:44 bmWB:8 bmP:1 bmBP:1"), std::string::npos) << log;
  EXPECT_NE(log.find("Font: Relivo Braille Size:40"), std::string::npos);
  EXPECT_NE(log.find("Schriftart hinzugef\xfcgt:1"), std::string::npos);

  // The third text font: written as "TFont", all four fonts made again
  // (a face without its key falls back to "Arial", height 32).
  PostCommand(run, CMD_TFONT + 2);
  ASSERT_TRUE(WaitForText(run.LogPath(), "Font: Arial Size:32", 10000));
  ASSERT_TRUE(Sync(run));  // all four made, not only the first Arial
  EXPECT_EQ(IniValue(run.IniPath(), "0049", "TFont"), "2");
  log = ReadFileText(run.LogPath());
  size_t again = log.rfind("BmpFontInit() aufgerufen");
  int fonts = 0;
  for (size_t at = log.find("Font: ", again); at != std::string::npos; at = log.find("Font: ", at + 1)) ++fonts;
  EXPECT_EQ(fonts, 4);
  EXPECT_TRUE(CloseWithoutSaving(run));
  log = ReadFileText(run.LogPath());
  EXPECT_NE(log.find("Schriftart entfernt:1"), std::string::npos);
}

TEST(AppDraw, EveryStrokeColourOnScreen) {
  ASSERT_FALSE(SimLog().empty());
  AppRun run;
  std::string folder = RunFolder();
  ASSERT_TRUE(StartApp(run, folder));
  ASSERT_TRUE(DeviceShows({}));
  Mouse mouse(run.main);
  IconBar bar;
  // A committed line, then eight pen strokes: the first crosses the line
  // and ages out (bit 1 over bit 0), six keep a layer each, the last one
  // crosses them (two layers: gold).
  Pins all;
  auto stroke = [&](int x0, int y0, int x1, int y1) {
    mouse.Drag({{x0, y0}, {x1, y1}});
    for (int x = x0; x <= x1; ++x)
      for (int y = y0; y <= y1; ++y) all.insert({x, y});
  };
  stroke(5, 20, 40, 20);
  ASSERT_TRUE(DeviceShows(all));
  mouse.Click(bar.Accept().x, bar.Accept().y);
  stroke(30, 18, 30, 22);
  for (int k = 0; k < 6; ++k) stroke(5, 2 + 2 * k, 25, 2 + 2 * k);
  stroke(15, 1, 15, 14);
  ASSERT_TRUE(DeviceShows(all));

  struct Expect {
    int x, y;
    const char* brush;
  } expected[] = {
      {35, 20, "Dot"},       {30, 20, "DotGray"}, {30, 18, "DotDarkBlue"}, {5, 2, "DotDarkBlue"},
      {5, 4, "DotBlue"},     {5, 6, "DotYellow"}, {5, 8, "DotGreen"},      {5, 10, "DotBrown"},
      {5, 12, "DotDarkRed"}, {15, 13, "DotRed"},  {15, 4, "DotGold"},      {45, 30, "Dot.Back"},
  };
  HDC screen = GetDC(nullptr);
  POINT origin = {0, 0};
  ClientToScreen(run.main, &origin);
  auto color = [&](const char* name) {
    return static_cast<COLORREF>(std::strtoul(IniValue(run.IniPath(), "Color", name).c_str(), nullptr, 16));
  };
  // The colour of a client point once it shows the expected one (or the
  // last one seen).
  auto pixel = [&](int x, int y, COLORREF want) {
    COLORREF got = 0;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(50))
      if ((got = GetPixel(screen, origin.x + x, origin.y + y)) == want) break;
    return got;
  };
  for (const Expect& e : expected) {
    const COLORREF want = color((std::string(e.brush) + ".Brush").c_str());
    EXPECT_EQ(pixel(Mouse::PinX(e.x), Mouse::PinY(e.y), want), want) << e.brush << " at " << e.x << "," << e.y;
  }

  // Under the pointer the key "<<" and the undo icon are framed, and their
  // texts shown; the frame goes when the pointer moves on.
  HWND status = nullptr;
  LONG lowest = 0;
  for (const ChildInfo& c : Children(run.main))
    if (_stricmp(c.cls.c_str(), "Edit") == 0 && c.rect.left == 2 && c.rect.top > lowest) {
      status = c.window;
      lowest = c.rect.top;
    }
  ASSERT_NE(status, nullptr);
  const int key1 = kColumns * kPin / 2 + 40 * kPin / 6 - 20 * kPin, keyTop = kRows * kPin + 20;
  mouse.Move(key1 + 25, keyTop + 16);
  EXPECT_TRUE(WaitForWindowText(status, IniValue(run.IniPath(), "0049", "Buttons1.str")));
  EXPECT_EQ(pixel(key1, keyTop + 16, color("Button.focus.Brush")), color("Button.focus.Brush"));
  const POINT back = bar.Back();
  mouse.Move(back.x, back.y);
  EXPECT_TRUE(WaitForWindowText(status, IniValue(run.IniPath(), "0049", "Icon.back")));
  EXPECT_EQ(pixel(back.x - 25, back.y, color("Icon.Brush")), color("Icon.Brush"));
  EXPECT_EQ(pixel(key1, keyTop + 16, color("Button1.Brush")), color("Button1.Brush"));
  mouse.Move(Mouse::PinX(50), Mouse::PinY(30));
  EXPECT_TRUE(WaitForWindowText(status, "[50 30] " + IniValue(run.IniPath(), "0049", "pos")));
  EXPECT_EQ(pixel(back.x - 25, back.y, color("Main.Back.Brush")), color("Main.Back.Brush"));
  ReleaseDC(nullptr, screen);
  // The picture, to look at: next to the simulator's log.
  std::string dir = HostPath(SimLog());
  dir = dir.substr(0, dir.find_last_of('/'));
  EXPECT_TRUE(RunHostCommand("/usr/bin/import -window root " + dir + "/stroke-colours.png", 30000));
  EXPECT_TRUE(CloseWithoutSaving(run));
}
