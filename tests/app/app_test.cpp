// The real RelivoX.exe under Wine: start-up, the window, commands, the
// close sequence and the file commands, driven from outside.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/commands.h"
#include "base/hotkeys.h"
#include "base/library_files.h"
#include "tests/app/app_driver.h"
#include "ui/main_layout.h"

namespace {

std::string Ini(const char* extra) {
  // No sound (the tests hear nothing), the shipped key set is not needed.
  return std::string("[Ext]\r\n00=*\r\n01=dtm\r\n02=xml\r\n03=bmp\r\n[Def]\r\nSound=0\r\nDebug=1\r\n") + extra;
}

// One press and release of a key, as the keyboard gives it.
void PressKey(WORD vk) {
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = vk;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

// A list box keeps to whole lines: the platform may make it lower than
// created (never higher).
bool SameRect(const ChildInfo& c, const RECT& r) {
  if (_stricmp(c.cls.c_str(), "ListBox") == 0)
    return c.rect.left == r.left && c.rect.top == r.top && c.rect.right == r.right && c.rect.bottom <= r.bottom &&
           c.rect.bottom > r.bottom - 16;
  return EqualRect(&c.rect, &r) != 0;
}

const ChildInfo* FindChild(const std::vector<ChildInfo>& children, const char* cls, RECT rect) {
  for (const ChildInfo& c : children)
    if (_stricmp(c.cls.c_str(), cls) == 0 && SameRect(c, rect)) return &c;
  return nullptr;
}

HWND InfoPanel(HWND main) {
  for (const ChildInfo& c : Children(main))
    if (_stricmp(c.cls.c_str(), "Edit") == 0 && (c.style & ES_CENTER) && c.rect.top == 0) return c.window;
  return nullptr;
}

// The scaling of the screen for the programs that start while it lives:
// Wine takes it from the prefix's settings at a program's start.
class ScreenScaling {
 public:
  explicit ScreenScaling(DWORD dpi) {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS)
      return;
    DWORD size = sizeof old_;
    had_ = RegQueryValueExA(key_, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) == 0;
    RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
  }
  ~ScreenScaling() { Restore(); }
  ScreenScaling(const ScreenScaling&) = delete;
  ScreenScaling& operator=(const ScreenScaling&) = delete;
  void Restore() {
    if (!key_) return;
    if (had_)
      RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
    else
      RegDeleteValueA(key_, "LogPixels");
    RegCloseKey(key_);
    key_ = nullptr;
  }

 private:
  HKEY key_ = nullptr;
  DWORD old_ = 0;
  bool had_ = false;
};

// Box_Size p on a screen of `dpi` dots per inch: the pins are p scaled.
void ExpectGeometry(int boxSize, int dpi = 96) {
  char extra[64];
  std::snprintf(extra, sizeof extra, "Box_Size=%d\r\n", boxSize);
  AppRun run;
  {
    ScreenScaling scaling(static_cast<DWORD>(dpi));
    ASSERT_TRUE(StartApp(run, MakeRunFolder(Ini(extra).c_str())));
  }
  const int p = ScaleToDpi(boxSize, dpi);
  char line[32];
  std::snprintf(line, sizeof line, "DPI: %d (", dpi);
  EXPECT_NE(ReadFileText(run.LogPath()).find(line), std::string::npos) << ReadFileText(run.LogPath());
  RECT window;
  GetWindowRect(run.main, &window);
  const LayoutRect first = MainWindowRect(p, dpi);
  EXPECT_EQ(window.left, first.left);
  EXPECT_EQ(window.top, first.top);
  EXPECT_EQ(window.right - window.left, first.Width());
  EXPECT_EQ(window.bottom - window.top, first.Height());
  LONG style = GetWindowLongA(run.main, GWL_STYLE);
  EXPECT_TRUE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_NE(style & WS_CAPTION, static_cast<LONG>(WS_CAPTION));
  EXPECT_EQ(WindowText(run.main), "");

  RECT client;
  GetClientRect(run.main, &client);
  const MainLayout at = LayoutMain(60, 40, p, client.right, client.bottom, dpi);
  std::vector<ChildInfo> children = Children(run.main);
  EXPECT_EQ(children.size(), 15u);
  struct Expected {
    const char* name;
    const char* cls;
    int id;
    LayoutRect rect;
    LONG style;
  };
  const LONG kChild = WS_CHILD | WS_VISIBLE;
  std::vector<Expected> expected = {
      {"page", "Static", 0, at.page, kChild | WS_BORDER},
      {"txtwnd", "Static", 0, at.textLine, kChild | WS_BORDER},
      {"cambutton", "Static", 0, at.cameraButton, kChild | WS_BORDER},
      {"brLngWnd", "ListBox", ID_BRLNG_LIST, at.languageList, kChild | WS_VSCROLL | LBS_NOTIFY},
      {"brGradeWnd", "ListBox", ID_BRGRADE_LIST, at.gradeList, kChild | WS_VSCROLL | LBS_NOTIFY},
      {"brDotWnd", "Edit", ID_BRGRADE_LIST, at.brailleGraphic, kChild | ES_MULTILINE | ES_READONLY | ES_WANTRETURN},
      {"editWnd", "Edit", 0, at.textField, kChild | WS_BORDER | ES_AUTOVSCROLL},
      {"statusWnd", "Edit", 0, at.statusLine, kChild | WS_BORDER},
      {"infoWnd", "Edit", 0, at.infoPanel, kChild | WS_DLGFRAME | ES_MULTILINE | ES_READONLY | ES_CENTER},
  };
  for (const LayoutRect& key : at.deviceKeys) expected.push_back({"Button", "Static", 0, key, kChild});
  for (const Expected& e : expected) {
    const RECT rect = {e.rect.left, e.rect.top, e.rect.right, e.rect.bottom};
    const ChildInfo* child = FindChild(children, e.cls, rect);
    ASSERT_NE(child, nullptr) << e.name << " at " << e.rect.left << "," << e.rect.top << " size "
                              << e.rect.right - e.rect.left << "x" << e.rect.bottom - e.rect.top;
    EXPECT_EQ(child->id, e.id) << e.name;
    LONG childStyle = child->style;
    // An edit control draws its border itself and drops the style; a list box
    // shows its scroll bar only when it has more lines than room.
    if (_stricmp(e.cls, "Edit") == 0) childStyle |= WS_BORDER;
    LONG want = e.style;
    if (_stricmp(e.cls, "ListBox") == 0) want &= ~WS_VSCROLL;
    EXPECT_EQ(childStyle & want, want) << e.name;
  }
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 10000));
}

// The page modified, the main window closed: the question comes once.
void AnswerQuestion(AppRun& run, bool yes) {
  HWND question = WaitDialog(run.Pid(), nullptr, 10000);
  ASSERT_NE(question, nullptr);
  ClickButton(question, yes ? IDOK : IDCANCEL);
}

}  // namespace

TEST(App, EmptySettingsFillWithDefaults) {
  AppRun run;
  std::string folder = MakeRunFolder("");
  ASSERT_TRUE(StartApp(run, folder));
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitExit(run, 10000));
  std::string ini = run.IniPath();
  EXPECT_EQ(IniValue(ini, "Def", "Sound"), "1");
  EXPECT_EQ(IniValue(ini, "Def", "Lng"), "0049");
  EXPECT_EQ(IniValue(ini, "Def", "Debug"), "0");
  EXPECT_EQ(IniValue(ini, "Def", "Refresh"), "10");
  EXPECT_EQ(IniValue(ini, "Def", "Box_Size"), "10");
  EXPECT_EQ(IniValue(ini, "Def", "title.size"), "32");
  EXPECT_EQ(IniValue(ini, "Def", "title.font"), "Tahoma");
  EXPECT_EQ(IniValue(ini, "Def", "edit.size"), "20");
  EXPECT_EQ(IniValue(ini, "Def", "Status.font"), "Arial");
  EXPECT_EQ(IniValue(ini, "Def", "Info.size"), "20");
  EXPECT_EQ(IniValue(ini, "Device", "autostart"), "0");
  EXPECT_EQ(IniValue(ini, "0049", "Name"), "Relivo X Win");
  EXPECT_EQ(IniValue(ini, "0049", "not_connected"), "nicht\\nverbunden");
  EXPECT_EQ(IniValue(ini, "0049", "Ready"), "-");
  EXPECT_EQ(IniValue(ini, "Color", "Main.Back.Brush"), "FFFFFF");
  EXPECT_EQ(IniValue(ini, "0049", "BFont00"), "IBraille 6");
  EXPECT_EQ(IniValue(ini, "0049", "TFont00.size"), "32");
  EXPECT_EQ(IniValue(ini, "Sound", "Start"), "-");
}

TEST(App, LogStartsWithHeaderAndStartLineAtDebugZero) {
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder("[Def]\r\nDebug=0\r\nSound=0\r\n")));
  std::string log = ReadFileText(run.LogPath());
  EXPECT_EQ(log.rfind("Relivo X System\r\n\r\nProgrammstart: ", 0), 0u) << log;
  // Nothing but errors at level 0.
  EXPECT_EQ(log.find("WM_CREATE"), std::string::npos);
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 10000));
}

TEST(App, StartLineCarriesTheBuildDate) {
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder(Ini("").c_str())));
  std::string log = ReadFileText(run.LogPath());
  int day = 0, month = 0, year = 0, days = -1;
  char time[16] = "";
  size_t at = log.find("Programmstart: ");
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(std::sscanf(log.c_str() + at, "Programmstart: %d.%d.%d [%d] %15s", &day, &month, &year, &days, time), 5);
  EXPECT_GE(year, 2024);
  EXPECT_GE(days, 0);
  EXPECT_EQ(std::strlen(time), 8u);
  EXPECT_NE(log.find("ResourcenInit() aufgerufen"), std::string::npos);
  EXPECT_NE(log.find("WM_CREATE"), std::string::npos);
  EXPECT_NE(log.find("DefMyAcc:0"), std::string::npos);
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 10000));
  log = ReadFileText(run.LogPath());
  EXPECT_NE(log.find("WM_CLOSE Exit"), std::string::npos);
  EXPECT_NE(log.find("WM_DESTROY"), std::string::npos);
  EXPECT_NE(log.find("***Ende"), std::string::npos);
}

TEST(App, SecondInstanceIsRefusedAndWritesNothing) {
  AppRun first;
  std::string folder = MakeRunFolder(Ini("").c_str());
  ASSERT_TRUE(StartApp(first, folder));
  // The first instance's own start-up has ended with its first tick.
  ASSERT_TRUE(WaitForText(first.LogPath(), "Erster Takt", 10000));
  // Settings keys that the second instance would read: removed, so that a
  // write of a default would show.
  WritePrivateProfileStringA("Def", "Sound", nullptr, first.IniPath().c_str());
  WritePrivateProfileStringA("Def", "Lng", nullptr, first.IniPath().c_str());
  std::string log = ReadFileText(first.LogPath());
  std::string ini = ReadFileText(first.IniPath());

  AppRun second;
  ASSERT_TRUE(StartProcess(second, folder));
  HWND box = WaitDialog(second.Pid(), "Relivo X Win", 10000);
  ASSERT_NE(box, nullptr);
  const std::string running = WaitDialogMessage(box, "Diese Anwendung l\xe4uft bereits");
  EXPECT_NE(running.find("Diese Anwendung l\xe4uft bereits"), std::string::npos) << running;
  ClickButton(box, IDOK);
  ASSERT_TRUE(WaitExit(second, 10000));
  EXPECT_EQ(ReadFileText(first.LogPath()), log);
  EXPECT_EQ(ReadFileText(first.IniPath()), ini);
  // The first one runs on.
  EXPECT_EQ(WaitForSingleObject(first.process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_TRUE(IsWindow(first.main));
  PostMessageA(first.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(first, 10000));
}

TEST(App, WindowAndChildrenForPinSize10) { ExpectGeometry(10); }
TEST(App, WindowAndChildrenForPinSize14) { ExpectGeometry(14); }
// At 150 percent scaling the window is made for the screen: the pins are
// 15 pixels, every distance and size half as large again.
TEST(App, WindowAndChildrenAt150Percent) { ExpectGeometry(10, 144); }

TEST(App, KeyDefinitionPostsItsCommand) {
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder(Ini("[HotKeys]\r\nKey000=VK_F11,0,0,0,CMD_EXIT,0\r\n"
                                              "Key001=VK_F11,0,0,0,CMD_INVERT,0\r\n")
                                              .c_str())));
  std::string log = ReadFileText(run.LogPath());
  EXPECT_NE(log.find("DefMyAcc:1"), std::string::npos) << log;
  EXPECT_NE(log.find("Taste schon in Benutzung"), std::string::npos);
  // A key press as the keyboard hook forwards it.
  PostMessageA(run.main, kHookKeyMessage, VK_F11, 0);
  ASSERT_TRUE(WaitExit(run, 10000));
  log = ReadFileText(run.LogPath());
  EXPECT_NE(log.find("MY_KEYDOWN"), std::string::npos);
  EXPECT_NE(log.find("CMD_EXIT:"), std::string::npos);
}

TEST(App, RefreshLaysOutOnTheEleventhPlainRefresh) {
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder(Ini("").c_str())));
  HWND info = InfoPanel(run.main);
  ASSERT_NE(info, nullptr);
  const std::string panel = WindowText(info);
  // Not connected: the label for a missing device, no version, no file.
  EXPECT_EQ(panel, "nicht\r\nverbunden\r\n\r\n\r\n\r\n[]");
  // A layout rewrites the info panel: a mark put there shows whether one ran.
  auto mark = [&] { SendMessageA(info, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("mark")); };
  mark();
  PostCommand(run, CMD_REFRESH, 1);
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(WindowText(info), panel);
  mark();
  for (int i = 0; i < 10; ++i) PostCommand(run, CMD_REFRESH, 0);
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(WindowText(info), "mark");
  PostCommand(run, CMD_REFRESH, 0);
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(WindowText(info), panel);
  mark();
  PostCommand(run, CMD_REFRESH, 0);
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(WindowText(info), "mark");
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 10000));
}

TEST(App, ClosingAModifiedPageAsksOnceAndSavesOnConsent) {
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder(Ini("").c_str())));
  PostCommand(run, CMD_INVERT);
  ASSERT_TRUE(Sync(run));
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  AnswerQuestion(run, true);
  // No file chosen yet: the save dialog comes at once.
  HWND save = WaitDialog(run.Pid(), "Relivo X Datei speichern", 10000);
  ASSERT_NE(save, nullptr);
  std::string file = run.folder + "data\\closed.dtm";
  ChooseFile(save, file);
  ConfirmNewFile(run.Pid(), save, 5000);
  ASSERT_TRUE(WaitExit(run, 15000));
  std::vector<unsigned char> bytes = ReadFileBytes(file);
  ASSERT_EQ(bytes.size(), 350u);
  EXPECT_EQ(std::memcmp(bytes.data(), "_dtm_<(\0\0\0", 10), 0);
  for (int i = 10; i < 310; ++i) ASSERT_EQ(bytes[i], 0xFF) << i;  // the inverted empty page
  std::string log = ReadFileText(run.LogPath());
  size_t first = log.find("ConfigSelect 404");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(log.find("ConfigSelect 404", first + 1), std::string::npos);
  EXPECT_NE(log.find("DTM::Save"), std::string::npos);
}

TEST(App, ClosingAModifiedPageWithoutConsentSavesNothing) {
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder(Ini("").c_str())));
  PostCommand(run, CMD_INVERT);
  ASSERT_TRUE(Sync(run));
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  AnswerQuestion(run, false);
  ASSERT_TRUE(WaitExit(run, 10000));
  std::string log = ReadFileText(run.LogPath());
  EXPECT_EQ(log.find("CMD_SAVE"), std::string::npos);
  EXPECT_NE(log.find("***Ende"), std::string::npos);
}

TEST(App, DtmSavedAndOpenedAgainGivesTheSameBytes) {
  AppRun run;
  std::string folder = MakeRunFolder(Ini("").c_str());
  // A page with a pattern and braille cells, no text (without a braille
  // translator a text would be translated to empty cells).
  unsigned char page[350] = {'_', 'd', 't', 'm', '_', '<', '('};
  for (int i = 10; i < 330; ++i) page[i] = static_cast<unsigned char>((i * 37) ^ (i >> 3));
  std::string source = folder + "data\\pattern.dtm";
  ASSERT_TRUE(WriteFileBytes(source, page, sizeof page));
  ASSERT_TRUE(StartApp(run, folder));

  PostCommand(run, CMD_OPEN);
  HWND open = WaitDialog(run.Pid(),
                         "Relivo X Datei \xf6"
                         "ffnen",
                         10000);
  ASSERT_NE(open, nullptr);
  ChooseFile(open, source);
  ASSERT_TRUE(WaitForText(run.LogPath(), "mit 350 Byte", 10000));
  ASSERT_TRUE(Sync(run));

  PostCommand(run, CMD_SAVEAS);
  HWND save = WaitDialog(run.Pid(), "Relivo X Datei speichern", 10000);
  ASSERT_NE(save, nullptr);
  std::string copy = folder + "data\\copy.dtm";
  ChooseFile(save, copy);
  ConfirmNewFile(run.Pid(), save, 5000);
  ASSERT_TRUE(WaitForText(run.LogPath(), "DTM::Save", 10000));
  std::vector<unsigned char> saved = ReadFileBytes(copy);
  ASSERT_EQ(saved.size(), sizeof page);
  EXPECT_EQ(std::memcmp(saved.data(), page, sizeof page), 0);

  // CMD_SAVE now writes the same file again without a dialog.
  DeleteFileA(copy.c_str());
  PostCommand(run, CMD_SAVE);
  ASSERT_TRUE(Sync(run));
  EXPECT_TRUE(Dialogs(run.Pid()).empty());
  EXPECT_EQ(ReadFileBytes(copy), saved);

  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 10000));
  std::string log = ReadFileText(run.LogPath());
  EXPECT_NE(log.find("Datei " + source), std::string::npos) << log;
  EXPECT_NE(log.find("GSVN:" + copy), std::string::npos);
}

TEST(App, PageCommandsChangeWhatIsSaved) {
  AppRun run;
  std::string folder = MakeRunFolder(Ini("").c_str());
  unsigned char page[350] = {'_', 'd', 't', 'm', '_', '<', '('};
  for (int i = 10; i < 310; ++i) page[i] = static_cast<unsigned char>(i % 3 == 0 ? 0x5A : 0);
  std::string file = folder + "data\\page.dtm";
  ASSERT_TRUE(WriteFileBytes(file, page, sizeof page));
  ASSERT_TRUE(StartApp(run, folder));
  PostCommand(run, CMD_OPEN);
  HWND open = WaitDialog(run.Pid(),
                         "Relivo X Datei \xf6"
                         "ffnen",
                         10000);
  ASSERT_NE(open, nullptr);
  ChooseFile(open, file);
  ASSERT_TRUE(WaitForText(run.LogPath(), "mit 350 Byte", 10000));

  // Inverted: every packed byte turns into its complement.
  PostCommand(run, CMD_INVERT);
  PostCommand(run, CMD_SAVE);
  ASSERT_TRUE(Sync(run));
  std::vector<unsigned char> saved = ReadFileBytes(file);
  ASSERT_EQ(saved.size(), 350u);
  for (int i = 10; i < 310; ++i) ASSERT_EQ(saved[i], static_cast<unsigned char>(~page[i])) << i;

  // Accepting keeps the raised pins; undo finds no stroke to remove.
  PostCommand(run, CMD_ACP);
  PostCommand(run, CMD_BACK);
  PostCommand(run, CMD_SAVE);
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(ReadFileBytes(file), saved);

  // Deleting all clears the page.
  PostCommand(run, CMD_DELETEALL);
  PostCommand(run, CMD_SAVE);
  ASSERT_TRUE(Sync(run));
  saved = ReadFileBytes(file);
  ASSERT_EQ(saved.size(), 350u);
  for (int i = 10; i < 350; ++i) ASSERT_EQ(saved[i], 0) << i;
  EXPECT_TRUE(Dialogs(run.Pid()).empty());
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 10000));
}

TEST(App, SettingsCommandsToggleTheirKeys) {
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder(Ini("[Device]\r\nAutoStart=0\r\n").c_str())));
  PostCommand(run, CMD_AUTOSTART);
  PostCommand(run, CMD_SOUND);
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(IniValue(run.IniPath(), "Device", "autostart"), "1");
  EXPECT_EQ(IniValue(run.IniPath(), "Def", "Sound"), "1");
  PostCommand(run, CMD_AUTOSTART);
  PostCommand(run, CMD_SOUND);
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(IniValue(run.IniPath(), "Device", "autostart"), "0");
  EXPECT_EQ(IniValue(run.IniPath(), "Def", "Sound"), "0");
  // CMD_NEW and unknown identifiers do nothing.
  PostCommand(run, CMD_NEW);
  PostCommand(run, 4321);
  ASSERT_TRUE(Sync(run));
  EXPECT_TRUE(IsWindowVisible(run.main));
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 10000));
}

// Without the capture library the program says so, runs on, and the camera
// stays off. (The screen view and its hot key: screen_test.cpp.)
TEST(App, WithoutTheCaptureLibraryTheCameraStaysOff) {
  AppRun run;
  const std::string folder = MakeRunFolder(Ini("").c_str());
  ASSERT_TRUE(DeleteFileA((folder + kCaptureLibraryFile).c_str()));
  ASSERT_TRUE(StartApp(run, folder));
  HWND notice = WaitDialog(run.Pid(), nullptr, 10000);
  ASSERT_NE(notice, nullptr);
  const std::string said = WaitDialogMessage(notice, kCaptureLibraryFile);
  EXPECT_NE(said.find(kCaptureLibraryFile), std::string::npos) << said;
  ClickButton(notice, IDOK);
  PostCommand(run, CMD_CAM_ONOFF);
  ASSERT_TRUE(Sync(run));
  if (HMENU bar = GetMenu(run.main)) {
    EXPECT_TRUE(GetMenuState(bar, 4, MF_BYPOSITION) & MF_GRAYED);
  }
  const std::string log = ReadFileText(run.LogPath());
  EXPECT_NE(log.find("Err: beim Laden von LUMCAP -99"), std::string::npos) << log;
  EXPECT_NE(log.find("ConfigSelect 407"), std::string::npos);
  EXPECT_EQ(log.find("*CreateCam"), std::string::npos) << "no camera view without the library";
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 10000));
}

TEST(App, KeyPressReachesItsDefinitionThroughTheHook) {
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder(Ini("[HotKeys]\r\nKey000=VK_F11,0,0,0,CMD_EXIT,0\r\n").c_str())));
  SetForegroundWindow(run.main);
  ASSERT_TRUE(Sync(run));
  PressKey(VK_F11);
  ASSERT_TRUE(WaitExit(run, 10000)) << ReadFileText(run.LogPath());
  std::string log = ReadFileText(run.LogPath());
  // The release is not forwarded: one key message, one command.
  size_t first = log.find("MY_KEYDOWN hWnd: 7A");
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find("MY_KEYDOWN", first + 1), std::string::npos);
  EXPECT_NE(log.find("CMD_EXIT:"), std::string::npos);
}

// While the open dialog runs, its keys are its own: Tab moves the focus in
// it, Esc cancels it, and no key definition runs (Esc is also CMD_CANCEL,
// which would undo a stroke).
TEST(App, KeysStayInTheFileDialog) {
  AppRun run;
  ASSERT_TRUE(StartApp(run, MakeRunFolder(Ini("[HotKeys]\r\nKey000=VK_ESCAPE,0,0,0,CMD_CANCEL,0\r\n"
                                              "Key001=VK_TAB,0,0,0,CMD_TAB,0\r\n")
                                              .c_str())));
  PostCommand(run, CMD_OPEN);
  HWND open = WaitDialog(run.Pid(),
                         "Relivo X Datei \xf6"
                         "ffnen",
                         10000);
  ASSERT_NE(open, nullptr);
  SetForegroundWindow(open);
  auto focus = [&] {
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(run.process.dwThreadId, &gui);
    return gui.hwndFocus;
  };
  DWORD start = GetTickCount();
  while ((GetForegroundWindow() != open || !focus()) && GetTickCount() - start < 5000) Sleep(50);
  const HWND before = focus();
  PressKey(VK_TAB);
  for (start = GetTickCount(); focus() == before && GetTickCount() - start < 5000;) Sleep(50);
  EXPECT_NE(focus(), before) << "Tab moves the focus inside the dialog";
  PressKey(VK_ESCAPE);
  for (start = GetTickCount(); IsWindow(open) && GetTickCount() - start < 5000;) Sleep(50);
  EXPECT_FALSE(IsWindow(open)) << "Esc cancels the dialog";
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(ReadFileText(run.LogPath()).find("MY_KEYDOWN"), std::string::npos);
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 10000));
}
