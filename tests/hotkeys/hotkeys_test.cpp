#include "base/hotkeys.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/commands.h"
#include "base/keynames.h"
#include "win_test_util.h"

namespace {

bool g_menuOpen = false;
bool g_popupOpen = false;
bool MenuOpen() { return g_menuOpen; }
bool PopupOpen() { return g_popupOpen; }

class HotKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FreshSettingsAndLog("hotkeys_test");
    g_menuOpen = g_popupOpen = false;
    BYTE keys[256] = {};
    SetKeyboardState(keys);
  }
  void TearDown() override {
    RemoveKeyboardHook();
    UnregisterHotKeys();
  }
  void Line(int n, const char* value) {
    char key[16];
    std::snprintf(key, sizeof key, "Key%03d", n);
    WritePrivateProfileStringA("HotKeys", key, value, SettingsPath());
  }
  static void PressModifiers(bool shift, bool ctrl, bool alt) {
    BYTE keys[256] = {};
    if (shift) keys[VK_SHIFT] = 0x80;
    if (ctrl) keys[VK_CONTROL] = 0x80;
    if (alt) keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
  }
  static void SendKey(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
  }
  static void Focus(HWND hwnd) {
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    EXPECT_TRUE(RecordingWindow::PumpUntil([&] { return GetFocus() == hwnd && GetForegroundWindow() == hwnd; }));
  }
  RecordingWindow window_;
};

}  // namespace

TEST_F(HotKeysTest, VirtualKeyNamesHaveThePlatformCodes) {
  // clang-format off
  struct { const char* name; int vk; } keys[] = {
      {"VK_LBUTTON", VK_LBUTTON}, {"VK_CANCEL", VK_CANCEL}, {"VK_BACK", VK_BACK},
      {"VK_CLEAR", VK_CLEAR}, {"VK_RETURN", VK_RETURN}, {"VK_PAUSE", VK_PAUSE},
      {"VK_CAPITAL", VK_CAPITAL}, {"VK_KANA", VK_KANA}, {"VK_HANGUL", VK_HANGUL},
      {"VK_JUNJA", VK_JUNJA}, {"VK_FINAL", VK_FINAL}, {"VK_HANJA", VK_HANJA},
      {"VK_KANJI", VK_KANJI}, {"VK_ESCAPE", VK_ESCAPE}, {"VK_CONVERT", VK_CONVERT},
      {"VK_NONCONVERT", VK_NONCONVERT}, {"VK_ACCEPT", VK_ACCEPT},
      {"VK_MODECHANGE", VK_MODECHANGE}, {"VK_SPACE", VK_SPACE}, {"VK_PRIOR", VK_PRIOR},
      {"VK_NEXT", VK_NEXT}, {"VK_END", VK_END}, {"VK_HOME", VK_HOME}, {"VK_LEFT", VK_LEFT},
      {"VK_UP", VK_UP}, {"VK_RIGHT", VK_RIGHT}, {"VK_DOWN", VK_DOWN}, {"VK_SELECT", VK_SELECT},
      {"VK_PRINT", VK_PRINT}, {"VK_EXECUTE", VK_EXECUTE}, {"VK_SNAPSHOT", VK_SNAPSHOT},
      {"VK_INSERT", VK_INSERT}, {"VK_DELETE", VK_DELETE}, {"VK_HELP", VK_HELP},
      {"VK_LWIN", VK_LWIN}, {"VK_RWIN", VK_RWIN}, {"VK_APPS", VK_APPS},
      {"VK_NUMPAD0", VK_NUMPAD0}, {"VK_NUMPAD9", VK_NUMPAD9}, {"VK_MULTIPLY", VK_MULTIPLY},
      {"VK_ADD", VK_ADD}, {"VK_SEPARATOR", VK_SEPARATOR}, {"VK_SUBTRACT", VK_SUBTRACT},
      {"VK_DECIMAL", VK_DECIMAL}, {"VK_DIVIDE", VK_DIVIDE}, {"VK_F1", VK_F1}, {"VK_F12", VK_F12},
      {"VK_F24", VK_F24}, {"VK_NUMLOCK", VK_NUMLOCK}, {"VK_SCROLL", VK_SCROLL},
      {"VK_LSHIFT", VK_LSHIFT}, {"VK_RSHIFT", VK_RSHIFT}, {"VK_LCONTROL", VK_LCONTROL},
      {"VK_RCONTROL", VK_RCONTROL}, {"VK_LMENU", VK_LMENU}, {"VK_RMENU", VK_RMENU},
      {"VK_PLUS", VK_OEM_PLUS}, {"VK_KOMMA", VK_OEM_COMMA}, {"VK_MINUS", VK_OEM_MINUS},
      {"VK_PUNKT", VK_OEM_PERIOD}, {"VK_RAUTE", VK_OEM_2}, {"VK_OUML", VK_OEM_3},
      {"VK_SZ", VK_OEM_4}, {"VK_DACH", VK_OEM_5}, {"VK_AUML", VK_OEM_7},
      {"VK_UUML", VK_OEM_1}, {"VK_KLEINER", VK_OEM_102}};
  // clang-format on
  for (const auto& k : keys) EXPECT_EQ(NameToValue(k.name), k.vk) << k.name;
  EXPECT_EQ(kVkTab, VK_TAB);
  EXPECT_EQ(kVkShift, VK_SHIFT);
  EXPECT_EQ(kVkControl, VK_CONTROL);
  EXPECT_EQ(kVkMenu, VK_MENU);
  EXPECT_EQ(kVkUp, VK_UP);
  EXPECT_EQ(kVkDown, VK_DOWN);
}

TEST_F(HotKeysTest, ReadsOnlyExistingLinesAndCountsDefinitions) {
  Line(0, "VK_F5, 0, 1, 0, CMD_SAVE, 0");
  Line(7, "A,0,0,0,CMD_OPEN,0");
  Line(8, "a,0,0,0,CMD_OK,0");                                          // lower case: key 0, an error
  Line(9, "VK_F5,0,1,0,CMD_OPEN,0");                                    // duplicate of Key000
  Line(998, "VK_RETURN,0,0,0,CMD_OK,0");                                // the last key read
  Line(999, "VK_ESCAPE,0,0,0,CMD_CANCEL,0");                            // beyond the keys read
  WritePrivateProfileStringA("HotKeys", "Key003", "", SettingsPath());  // empty: not read
  EXPECT_EQ(ReadKeyDefinitions(window_.hwnd()), 3);
  std::string log = ReadLog();
  EXPECT_NE(log.find("### ERROR +++ a,0,0,0,CMD_OK,0"), std::string::npos);
  EXPECT_NE(log.find("Taste schon in Benutzung"), std::string::npos);
  EXPECT_EQ(RawSetting("HotKeys", "Key001"), "<none>") << "missing lines are not written";
  EXPECT_EQ(RawSetting("HotKeys", "Key003"), "") << "an empty line stays as it is";
  const KeyDefinitions& defs = CurrentKeyDefinitions();
  EXPECT_EQ(defs.table[2].key, VK_RETURN);
}

TEST_F(HotKeysTest, FindKeyPostsTheCommandForTheModifierState) {
  Line(0, "VK_F5, 0, 1, 0, CMD_SAVE, 0");
  Line(1, "VK_F5, 1, 0, 0, CMD_OPEN, 7");
  Line(2, "402, 0, 0, 0, 402, 1");  // key code 402 never comes; command by number
  Line(3, "R,0,0,0,402,1");
  ReadKeyDefinitions(window_.hwnd());

  PressModifiers(false, true, false);
  EXPECT_TRUE(FindKey(window_.hwnd(), VK_F5));
  PressModifiers(true, false, false);
  EXPECT_TRUE(FindKey(window_.hwnd(), VK_F5));
  PressModifiers(true, true, false);
  EXPECT_FALSE(FindKey(window_.hwnd(), VK_F5)) << "Shift+Ctrl+F5 is not defined";
  PressModifiers(false, false, false);
  EXPECT_FALSE(FindKey(window_.hwnd(), VK_F5));
  EXPECT_TRUE(FindKey(window_.hwnd(), 'R'));
  ASSERT_TRUE(window_.Settle());
  ASSERT_EQ(window_.seen().size(), 3u);
  EXPECT_EQ(window_.seen()[0].wParam, static_cast<WPARAM>(CMD_SAVE));
  EXPECT_EQ(window_.seen()[0].lParam, 0);
  EXPECT_EQ(window_.seen()[1].wParam, static_cast<WPARAM>(CMD_OPEN));
  EXPECT_EQ(window_.seen()[1].lParam, 7);
  EXPECT_EQ(window_.seen()[2].wParam, static_cast<WPARAM>(CMD_REFRESH));
  EXPECT_EQ(window_.seen()[2].lParam, 1);
}

TEST_F(HotKeysTest, ParameterThousandRegistersASystemWideHotKey) {
  Line(0, "VK_F11,0,1,1,CMD_FLY,1000");
  ReadKeyDefinitions(window_.hwnd());
  const KeyDefinitions& defs = CurrentKeyDefinitions();
  ASSERT_EQ(defs.registeredCount, 1);
  EXPECT_EQ(defs.registered[0], CMD_FLY);
  EXPECT_NE(ReadLog().find("Hotkey registriert"), std::string::npos) << ReadLog();
  // The platform refuses a second registration of the same combination.
  EXPECT_FALSE(RegisterHotKey(nullptr, 77, MOD_CONTROL | MOD_ALT, VK_F11));
  UnregisterHotKeys();
  EXPECT_EQ(CurrentKeyDefinitions().registeredCount, 0);
  EXPECT_TRUE(RegisterHotKey(nullptr, 77, MOD_CONTROL | MOD_ALT, VK_F11)) << "freed again";
  UnregisterHotKey(nullptr, 77);
}

TEST_F(HotKeysTest, HotKeyArrivesWhileTheWindowIsHidden) {
  Line(0, "VK_F11,0,1,1,CMD_FLY,1000");
  ReadKeyDefinitions(window_.hwnd());
  ShowWindow(window_.hwnd(), SW_HIDE);
  SendKey(VK_CONTROL, false);
  SendKey(VK_MENU, false);
  SendKey(VK_F11, false);
  SendKey(VK_F11, true);
  SendKey(VK_MENU, true);
  SendKey(VK_CONTROL, true);
  EXPECT_TRUE(RecordingWindow::PumpUntil([&] { return window_.Count(WM_HOTKEY, CMD_FLY) > 0; }));
  ASSERT_TRUE(window_.Settle());
  EXPECT_EQ(window_.Count(WM_HOTKEY, CMD_FLY), 1);
}

TEST_F(HotKeysTest, FailedRegistrationPostsTheHotKeyErrorMessage) {
  WritePrivateProfileStringA("0049", "HotKeyError", "Fehler %d Taste %02X A%d C%d S%d\\nweiter %s", SettingsPath());
  // Shift+F12 already belongs to someone else.
  ASSERT_TRUE(RegisterHotKey(nullptr, 78, MOD_SHIFT, VK_F12));
  Line(0, "VK_F12,1,0,0,CMD_FLY,1000");
  ReadKeyDefinitions(window_.hwnd());
  UnregisterHotKey(nullptr, 78);
  ASSERT_TRUE(window_.Settle());
  ASSERT_EQ(window_.Count(WM_COMMAND, CMD_MESSAGE), 1);
  const char* text = reinterpret_cast<const char*>(window_.seen().back().lParam);
  ASSERT_NE(text, nullptr);
  std::string s(text);
  EXPECT_EQ(s.find("Fehler "), 0u) << s;
  EXPECT_NE(s.find(" Taste 7B A0 C0 S1\r\nweiter %s"), std::string::npos) << s;
  EXPECT_EQ(CurrentKeyDefinitions().table[0].key, VK_F12) << "the definition stays in the table";
}

TEST_F(HotKeysTest, AtMostTenHotKeysAreRegistered) {
  for (int i = 0; i < 12; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "VK_F%d,1,1,1,%d,1000", i + 1, 600 + i);
    Line(i, line);
  }
  EXPECT_EQ(ReadKeyDefinitions(window_.hwnd()), 12);
  EXPECT_EQ(CurrentKeyDefinitions().registeredCount, kRegisteredHotKeysMax);
  EXPECT_NE(ReadLog().find("Err: zu viele globale Hotkeys"), std::string::npos);
}

TEST_F(HotKeysTest, MoreThanTheTableHoldsIsDropped) {
  for (int i = 0; i < 300; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%d,%d,0,0,CMD_OK,%d", 1 + i % 150, i / 150, i);
    Line(i, line);
  }
  EXPECT_EQ(ReadKeyDefinitions(window_.hwnd()), kHotKeyDefinitionsMax);
  EXPECT_NE(ReadLog().find("Err: Tastentabelle voll"), std::string::npos);
}

TEST_F(HotKeysTest, HookProcedureForwardsPressesAndConsumesTabUpDown) {
  SetKeyTarget(window_.hwnd());
  InstallKeyboardHook(window_.hwnd(), MenuOpen, PopupOpen);
  EXPECT_EQ(KeyboardHookProc(HC_ACTION, 'A', 0x001E0001), 0);
  EXPECT_EQ(KeyboardHookProc(HC_ACTION, VK_TAB, 0x000F0001), -1);
  EXPECT_EQ(KeyboardHookProc(HC_ACTION, VK_UP, 1), -1);
  EXPECT_EQ(KeyboardHookProc(HC_ACTION, VK_DOWN, 1), -1);
  EXPECT_EQ(KeyboardHookProc(HC_ACTION, 'A', static_cast<LPARAM>(0xC01E0001)), 0) << "release";
  g_popupOpen = true;
  EXPECT_EQ(KeyboardHookProc(HC_ACTION, VK_TAB, 1), 0) << "Tab reaches the pop-up menu";
  g_popupOpen = false;
  g_menuOpen = true;
  EXPECT_EQ(KeyboardHookProc(HC_ACTION, VK_TAB, 1), 0) << "nothing forwarded while a menu is open";
  g_menuOpen = false;
  // A peek that leaves the key in the queue is followed by the real call:
  // forwarding it too would run the key's command twice.
  EXPECT_EQ(KeyboardHookProc(HC_NOREMOVE, 'A', 0x001E0001), 0);
  SetKeyTarget(nullptr);
  EXPECT_EQ(KeyboardHookProc(HC_ACTION, 'A', 0x001E0001), 0) << "no target: nothing posted";
  SetKeyTarget(window_.hwnd());
  ASSERT_TRUE(window_.Settle());
  EXPECT_EQ(window_.Count(kHookKeyMessage, 'A'), 1);
  EXPECT_EQ(window_.Count(kHookKeyMessage, VK_TAB), 2);
  EXPECT_EQ(window_.Count(kHookKeyMessage, VK_UP), 1);
  EXPECT_EQ(window_.Count(kHookKeyMessage, VK_DOWN), 1);
}

TEST_F(HotKeysTest, RealKeyPressesReachTheTargetThroughTheHook) {
  ASSERT_TRUE(InstallKeyboardHook(window_.hwnd(), MenuOpen, PopupOpen));
  EXPECT_TRUE(KeyboardHookInstalled());
  EXPECT_NE(ReadLog().find("SetWindowsHookEx Keyboard"), std::string::npos);
  Focus(window_.hwnd());
  window_.seen().clear();
  SendKey('B', false);
  SendKey('B', true);
  SendKey(VK_TAB, false);
  SendKey(VK_TAB, true);
  ASSERT_TRUE(window_.SettleInput());
  EXPECT_EQ(window_.Count(kHookKeyMessage, 'B'), 1) << "one press, its release is not forwarded";
  EXPECT_EQ(window_.Count(WM_KEYDOWN, 'B'), 1) << "other keys reach the window too";
  EXPECT_EQ(window_.Count(kHookKeyMessage, VK_TAB), 1);
  EXPECT_EQ(window_.Count(WM_KEYDOWN, VK_TAB), 0) << "Tab is consumed";
  RemoveKeyboardHook();
  EXPECT_FALSE(KeyboardHookInstalled());
  window_.seen().clear();
  SendKey('B', false);
  SendKey('B', true);
  ASSERT_TRUE(window_.SettleInput());
  EXPECT_EQ(window_.Count(kHookKeyMessage, 'B'), 0);
  EXPECT_EQ(window_.Count(WM_KEYDOWN, 'B'), 1);
}

TEST_F(HotKeysTest, KeyFromTheHookRunsItsDefinition) {
  Line(0, "VK_F5,0,0,0,CMD_SAVE,2");
  ReadKeyDefinitions(window_.hwnd());
  // The main window's part: kHookKeyMessage goes to FindKey.
  InstallKeyboardHook(window_.hwnd(), nullptr, nullptr);
  Focus(window_.hwnd());
  window_.seen().clear();
  SendKey(VK_F5, false);
  SendKey(VK_F5, true);
  ASSERT_TRUE(window_.SettleInput());
  ASSERT_EQ(window_.Count(kHookKeyMessage, VK_F5), 1);
  EXPECT_TRUE(FindKey(window_.hwnd(), VK_F5));
  ASSERT_TRUE(window_.Settle());
  EXPECT_EQ(window_.Count(WM_COMMAND, CMD_SAVE), 1);
}

// F10 is also the platform's menu key: with a menu bar its default handling
// would enter the menu, after which the hook forwards nothing. A defined
// F10 (device key 6 in the shipped set) never gets there.
TEST_F(HotKeysTest, DefinedF10RunsItsCommandEveryTimeWithAMenuBar) {
  Line(0, "VK_F10,0,0,0,BUTTON5,0");
  ReadKeyDefinitions(window_.hwnd());
  HMENU bar = CreateMenu();
  AppendMenuA(bar, MF_STRING, 9001, "&Datei");
  SetMenu(window_.hwnd(), bar);
  // The main window's part: forwarded keys go to FindKey, and the hook
  // hears when a menu is open. A menu that opens anyway is closed after a
  // while, so that the test fails instead of waiting in it.
  window_.onMessage = [](HWND hwnd, UINT msg, WPARAM wp, LPARAM) {
    if (msg == kHookKeyMessage) FindKey(hwnd, static_cast<int>(wp));
    if (msg == WM_ENTERMENULOOP) {
      g_menuOpen = true;
      SetTimer(hwnd, 1, 300, nullptr);
    }
    if (msg == WM_TIMER) EndMenu();
    if (msg == WM_EXITMENULOOP) g_menuOpen = false;
  };
  InstallKeyboardHook(window_.hwnd(), MenuOpen, PopupOpen);
  Focus(window_.hwnd());
  window_.seen().clear();
  // Both presses queued at once, as a user types them: the second one
  // arrives while a menu entered by the first would be open.
  for (int press = 0; press < 2; ++press) {
    SendKey(VK_F10, false);
    SendKey(VK_F10, true);
  }
  // A menu entered by mistake keeps the keys until its timer closes it.
  ASSERT_TRUE(window_.SettleInput());
  EXPECT_EQ(window_.Count(WM_COMMAND, BUTTON5), 2);
  EXPECT_FALSE(g_menuOpen);
  KillTimer(window_.hwnd(), 1);
  window_.onMessage = nullptr;
  SetMenu(window_.hwnd(), nullptr);
  DestroyMenu(bar);
}

TEST_F(HotKeysTest, ADefinitionsParameterIsNeverPassedAsAText) {
  Line(0, "VK_F6,0,0,0,181,4096");
  Line(1, "VK_F7,0,0,0,CMD_SAVE,4096");
  ReadKeyDefinitions(window_.hwnd());
  window_.seen().clear();
  EXPECT_TRUE(FindKey(window_.hwnd(), VK_F6));
  EXPECT_TRUE(FindKey(window_.hwnd(), VK_F7));
  ASSERT_TRUE(window_.Settle());
  ASSERT_EQ(window_.seen().size(), 2u);
  EXPECT_EQ(window_.seen()[0].wParam, static_cast<WPARAM>(CMD_MESSAGE));
  EXPECT_EQ(window_.seen()[0].lParam, 0) << "CMD_MESSAGE takes the address of a text";
  EXPECT_EQ(window_.seen()[1].lParam, 4096);
}
