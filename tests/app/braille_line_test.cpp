// RelivoX against the device simulator, typed on the real keyboard: xdotool
// types into the text field and presses the keys that choose the grade;
// the braille line that arrives at the device must hold the cells that the
// host's own translator gives for that text and table list, in the
// device's dot order, and the saved page the same cells. Without the
// translator the program says so, runs on, and the line stays empty. Run
// through run_device_tests.sh (frame log in RELIVO_SIM_LOG).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/commands.h"
#include "base/library_files.h"
#include "tests/app/app_driver.h"
#include "tests/app/braille_frames.h"
#include "tests/app/sim_log.h"
#include "tests/host_louis.h"

namespace {

constexpr int kCells = kLineCells;
constexpr DWORD kFrameWaitMs = 15000;
// Its text is UTF-8, whatever locale the host gives the programs that Wine starts.
constexpr const char* kXdotool = "LC_ALL=C.UTF-8 /usr/bin/xdotool ";

// The shipped settings, connecting at start-up, silent, logging.
std::string RunFolder() {
  std::string folder = MakeRunFolder();
  const std::string ini = folder + "res\\RelivoX.ini";
  WritePrivateProfileStringA("Def", "Sound", "0", ini.c_str());
  WritePrivateProfileStringA("Def", "Debug", "1", ini.c_str());
  WritePrivateProfileStringA("Device", "autostart", "1", ini.c_str());
  return folder;
}

HWND EditField(HWND main) {
  for (const ChildInfo& c : Children(main))
    if (_stricmp(c.cls.c_str(), "Edit") == 0 && (c.style & ES_AUTOVSCROLL) && !(c.style & ES_READONLY)) return c.window;
  return nullptr;
}

// The real pointer clicks into the text field: the X focus and the
// program's keyboard focus are there for the keys that follow, once the
// program has taken the click.
void ClickInto(const AppRun& run, HWND field) {
  RECT r;
  GetWindowRect(field, &r);
  ASSERT_TRUE(RunHostCommand(kXdotool + std::string("mousemove ") + std::to_string((r.left + r.right) / 2) + " " +
                             std::to_string((r.top + r.bottom) / 2) + " click 1"));
  ASSERT_TRUE(Sync(run));
}

void Type(const std::string& text) {
  const std::string file = HostTextFile(text, CP_ACP);
  EXPECT_TRUE(RunHostCommand(kXdotool + std::string("type --delay 60 --file ") + HostPath(file), 30000)) << text;
  DeleteFileA(file.c_str());
}

void Keys(const char* keys) { ASSERT_TRUE(RunHostCommand(kXdotool + std::string("key --delay 150 ") + keys)); }

void WaitForTheDevice(const AppRun& run) {
  DWORD start = GetTickCount();
  int graphics = 0;
  while (GetTickCount() - start < kFrameWaitMs && graphics < 2) {
    graphics = 0;
    for (const Frame& f : ReceivedFrames()) graphics += IsGraphic(f);
    Sleep(100);
  }
  ASSERT_GE(graphics, 2) << ReadFileText(run.LogPath());  // the logo, then the page
}

}  // namespace

TEST(AppBraille, TypedTextArrivesAsTheTranslatorsCellsAndAGradeRetranslates) {
  ASSERT_FALSE(SimLog().empty());
  if (!TranslatorBuilt()) GTEST_SKIP() << "this tree builds no translator (no liblouis sources)";
  AppRun run;
  const std::string folder = RunFolder();
  ASSERT_TRUE(StartApp(run, folder));
  WaitForTheDevice(run);
  HWND edit = EditField(run.main);
  ASSERT_NE(edit, nullptr);
  ClickInto(run, edit);

  // German, uncontracted (the first language and grade); longer than the
  // line, so the device shows its first 20 cells. The keys of the X
  // display's own map: letters it lacks would be mapped on spare keys
  // press by press, and Wine under Xvfb loses some of those (the letters
  // of the code page beyond ASCII are compared with the host in
  // braille_test).
  const std::string text = "Braille 2025, gut & klar!";
  Type(text);
  const std::string translated = "Braille: " + std::to_string(text.size()) + " Zeichen";
  ASSERT_TRUE(WaitForText(run.LogPath(), translated.c_str(), kFrameWaitMs)) << ReadFileText(run.LogPath());
  ASSERT_EQ(WindowText(edit), text);
  EXPECT_TRUE(DeviceLineIs(ExpectedLine("de-g0.utb", text)));
  std::string log = ReadFileText(run.LogPath());
  EXPECT_NE(log.find("Tabelle:" + folder + "tbl\\de-g0.utb CodePage:0"), std::string::npos) << log;
  EXPECT_NE(log.find("die Zeile zeigt die ersten 20"), std::string::npos);

  // Nothing changed: the tick sends no braille line.
  const size_t frames = ReceivedFrames().size();
  ASSERT_TRUE(Sync(run));
  Sleep(500);
  EXPECT_EQ(ReceivedFrames().size(), frames);

  // Tab, Tab: the grade list; Down: contracted German, the same text
  // translated again.
  Keys("Tab Tab Down");
  ASSERT_NE(ExpectedLine("de-g2.ctb", text), ExpectedLine("de-g0.utb", text));
  EXPECT_TRUE(DeviceLineIs(ExpectedLine("de-g2.ctb", text)));
  ASSERT_TRUE(WaitForText(run.LogPath(), "GetBrList:00-01-F=de-g2.ctb", kFrameWaitMs));

  // The page keeps the same cells and the first 20 bytes of the text.
  PostCommand(run, CMD_SAVEAS);
  HWND save = WaitDialog(run.Pid(), "Relivo X Datei speichern", 10000);
  ASSERT_NE(save, nullptr);
  const std::string file = folder + "data\\line.dtm";
  ChooseFile(save, file);
  ConfirmNewFile(run.Pid(), save, 5000);
  ASSERT_TRUE(WaitForText(run.LogPath(), "DTM::Save", 10000));
  std::vector<unsigned char> page = ReadFileBytes(file);
  ASSERT_EQ(page.size(), 350u);
  EXPECT_EQ(Cells(page.begin() + 310, page.begin() + 330), ExpectedLine("de-g2.ctb", text));
  EXPECT_EQ(std::string(page.begin() + 330, page.begin() + 350), text.substr(0, 20));

  EXPECT_TRUE(CloseAnsweringNo(run));
  EXPECT_EQ(IniValue(run.IniPath(), "Braille", "Lng"), "0");
  EXPECT_EQ(IniValue(run.IniPath(), "Braille", "00-G"), "1");
}

TEST(AppBraille, WithoutTheTranslatorTheProgramSaysSoAndTheLineStaysEmpty) {
  ASSERT_FALSE(SimLog().empty());
  AppRun run;
  const std::string folder = RunFolder();
  ASSERT_TRUE(DeleteFileA((folder + kLouisLibraryFile).c_str()));
  ASSERT_TRUE(StartApp(run, folder));
  HWND message = WaitDialog(run.Pid(), nullptr, 10000);
  ASSERT_NE(message, nullptr);
  const std::string said = WaitDialogMessage(message, kLouisLibraryFile);
  EXPECT_NE(said.find(kLouisLibraryFile), std::string::npos) << said;
  ClickButton(message, IDOK);
  WaitForTheDevice(run);
  std::string log = ReadFileText(run.LogPath());
  EXPECT_NE(log.find("Err: beim Laden von LibLouis -99"), std::string::npos) << log;
  EXPECT_NE(log.find("ConfigSelect 405"), std::string::npos);

  HWND edit = EditField(run.main);
  ASSERT_NE(edit, nullptr);
  ClickInto(run, edit);
  Type("Haus");
  ASSERT_TRUE(WaitForText(run.LogPath(), "Err: lou_translateString nicht gefunden!", kFrameWaitMs));
  ASSERT_TRUE(Sync(run));
  EXPECT_TRUE(DeviceLineIs(Cells(kCells, 0)));
  for (const Frame& f : ReceivedFrames()) {
    if (!IsBrailleLine(f)) continue;
    EXPECT_TRUE(std::all_of(f.begin() + 9, f.begin() + 9 + kCells, [](int c) { return c == 0; }));
  }
  EXPECT_TRUE(CloseAnsweringNo(run));
  log = ReadFileText(run.LogPath());
  EXPECT_NE(log.find("***Ende"), std::string::npos);

  // Cancelling the notice ends the program.
  AppRun second;
  ASSERT_TRUE(StartProcess(second, folder));
  message = WaitDialog(second.Pid(), nullptr, 20000);
  ASSERT_NE(message, nullptr);
  ClickButton(message, IDCANCEL);
  EXPECT_TRUE(WaitExit(second, 15000));
}
