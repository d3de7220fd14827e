// The menus of the real RelivoX.exe with the shipped settings: the bar's
// captions as a screen reader reads them (the MSAAMENUINFO record of the
// owner-drawn entries, read from inside the process by a hook DLL), a
// command chosen by keyboard, and a switch of the interface language that
// every kind of text follows. Screenshots of an open menu in each language
// are left in the test's folder (menu-0049.bmp, menu-0044.bmp).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/commands.h"
#include "res/resource_ids.h"
#include "tests/app/app_driver.h"
#include "tests/app/menu_probe.h"

namespace {

// A caption as the settings hold it, its tab escape expanded.
std::string Expanded(std::string text) {
  for (std::size_t at; (at = text.find("\\t")) != std::string::npos;) text.replace(at, 2, "\t");
  return text;
}

std::string Caption(const std::string& line) {
  const std::size_t at = line.find(" text=");
  return at == std::string::npos ? "" : line.substr(at + 6);
}

// The dumped line of the first item with this command identifier.
std::string ItemWithId(const std::string& dump, int id) {
  const std::size_t at = dump.find(" id=" + std::to_string(id) + " ");
  if (at == std::string::npos) return "";
  const std::size_t line = dump.rfind('\n', at) + 1;
  return dump.substr(line, dump.find('\n', at) - line);
}

bool Checked(const std::string& dump, int id) { return ItemWithId(dump, id).find(" checked=1 ") != std::string::npos; }

HWND ChildAt(HWND main, const char* cls, bool lowest) {
  HWND found = nullptr;
  LONG best = lowest ? -1 : 1 << 30;
  for (const ChildInfo& c : Children(main)) {
    if (_stricmp(c.cls.c_str(), cls) != 0) continue;
    if (lowest ? c.rect.top > best : c.rect.top < best) {
      best = c.rect.top;
      found = c.window;
    }
  }
  return found;
}
HWND StatusLine(HWND main) { return ChildAt(main, "Edit", true); }
HWND InfoPanel(HWND main) { return ChildAt(main, "Edit", false); }

void Key(WORD vk, bool up) {
  INPUT key = {};
  key.type = INPUT_KEYBOARD;
  key.ki.wVk = vk;
  key.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &key, sizeof key);
}

void Press(WORD vk) {
  Key(vk, false);
  Key(vk, true);
}

// Alt, then the access letter of a menu of the bar: the menu opens, and
// the status line announces its first item (access letter first).
bool OpenMenu(const AppRun& run, char letter, const char* announced) {
  SetForegroundWindow(run.main);
  Press(VK_MENU);
  Press(static_cast<WORD>(letter));
  for (int i = 0; i < 200; ++i) {
    if (WindowText(StatusLine(run.main)).find(announced) != std::string::npos) return true;
    Sleep(50);
  }
  ADD_FAILURE() << "status line: " << WindowText(StatusLine(run.main));
  return false;
}

void CloseMenu(const AppRun& run) {
  Press(VK_ESCAPE);
  Press(VK_ESCAPE);
  Sync(run);
}

// The whole screen as a 24-bit BMP file.
void SaveScreen(const char* path) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  const DWORD size = static_cast<DWORD>(((w * 3 + 3) & ~3) * h);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + size;
  std::string out(reinterpret_cast<const char*>(&file), sizeof file);
  out.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.append(static_cast<const char*>(bits), size);
  WriteFileBytes(path, out.data(), out.size());
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

void ExpectBarFromSettings(const AppRun& run, const std::string& dump, const char* language) {
  const std::string ini = run.IniPath();
  for (int m = 0; m < 7; ++m) {
    const std::string entry = Item(dump, "bar " + std::to_string(m));
    EXPECT_NE(entry.find(" od=1 "), std::string::npos) << entry;
    EXPECT_EQ(Caption(entry), "msaa:" + IniValue(ini, language, ("Menu" + std::to_string(m)).c_str())) << entry;
  }
  EXPECT_EQ(Item(dump, "bar 7"), "") << "seven menus";
  // All on one line of the bar.
  const std::string first = Item(dump, "rect bar 0"), last = Item(dump, "rect bar 6");
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(std::atoi(first.c_str() + first.rfind(' ')), std::atoi(last.c_str() + last.rfind(' '))) << dump;
}

// What a language shows outside the menus: the info panel, the device
// keys' names, the braille hint, the icon bar's tooltips, the status line
// and a dialog.
bool ChildShows(HWND main, const std::string& text) {
  for (const ChildInfo& c : Children(main))
    if (WindowText(c.window).rfind(text, 0) == 0) return true;
  return false;
}

// Some texts are rewritten by the tick: wait a little for them.
bool Shows(HWND main, const std::string& text) {
  for (int i = 0; i < 100; ++i) {
    if (ChildShows(main, text)) return true;
    Sleep(50);
  }
  return false;
}

void ExpectTexts(const AppRun& run, const std::string& dump, const char* notConnected, const char* key1,
                 const char* hint, const char* undo, const char* ready, const char* device, const char* okay) {
  for (int i = 0; i < 100 && WindowText(InfoPanel(run.main)).rfind(notConnected, 0) != 0; ++i) Sleep(50);
  EXPECT_EQ(WindowText(InfoPanel(run.main)).rfind(notConnected, 0), 0u) << WindowText(InfoPanel(run.main));
  EXPECT_TRUE(Shows(run.main, key1)) << key1;
  EXPECT_TRUE(Shows(run.main, hint)) << hint;
  EXPECT_EQ(Item(dump, "tip 1"), std::string("tip 1 text=") + undo);
  // The status line says "ready" whenever the program is activated.
  PostMessageA(run.main, WM_ACTIVATEAPP, TRUE, 0);
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(WindowText(StatusLine(run.main)), ready);
  PostCommand(run, CMD_INFO);
  HWND dialog = WaitDialog(run.Pid(), nullptr, 10000);
  ASSERT_NE(dialog, nullptr);
  const std::string message = WindowText(GetDlgItem(dialog, IDC_ABOUT_TEXT));
  EXPECT_EQ(message.rfind(device, 0), 0u) << message;
  EXPECT_EQ(WindowText(GetDlgItem(dialog, IDOK)), okay) << "the button is named in the language";
  ClickButton(dialog, IDOK);
  for (int i = 0; i < 100 && !Dialogs(run.Pid()).empty(); ++i) Sleep(50);
}

}  // namespace

TEST(AppMenus, ShippedMenusKeyboardAndALiveLanguageSwitch) {
  const std::string folder = MakeRunFolder();
  const std::string ini = folder + "res\\RelivoX.ini";
  WritePrivateProfileStringA("Def", "Debug", "1", ini.c_str());
  WritePrivateProfileStringA("Def", "Sound", "0", ini.c_str());
  WritePrivateProfileStringA("Device", "autostart", "0", ini.c_str());
  AppRun run;
  ASSERT_TRUE(StartApp(run, folder));
  // The first connect takes the start-up picture away (no device answers).
  PostCommand(run, CMD_CONNECT);
  ASSERT_TRUE(Sync(run));

  // German: the bar as a screen reader reads it, the live submenus.
  std::string dump = ReadMenus(run);
  ExpectBarFromSettings(run, dump, "0049");
  EXPECT_EQ(Caption(Item(dump, "bar 0.0")), Expanded(IniValue(ini, "0049", "Menu0-0")));
  EXPECT_EQ(IdOf(dump, "Deutsch"), CMD_LANGUAGE);
  EXPECT_NE(Item(dump, "bar 5.1.0").find("checked=1"), std::string::npos) << "the current language is checked";
  const int english = IdOf(dump, "English");
  EXPECT_EQ(english, CMD_LANGUAGE + 1);
  ExpectTexts(run, dump, "nicht\r\nverbunden", "Taste 1", "Braillegrafik",
              "R\xfc"
              "ckg\xe4ngig",
              "Bereit", "Ger\xe4t:", "Okay");

  // A command by keyboard: Alt, G(er\xe4t), A(u)tomatisch verbinden.
  ASSERT_TRUE(OpenMenu(run, 'G', "V  Verbinden/Trennen\tF2"));
  SaveScreen("menu-0049.bmp");
  Press('U');
  // Keys go their own way into the program: wait for what the command does.
  for (int i = 0; i < 200 && IniValue(ini, "Device", "AutoStart") != "1"; ++i) Sleep(50);
  EXPECT_EQ(IniValue(ini, "Device", "AutoStart"), "1");
  ASSERT_TRUE(Sync(run));
  EXPECT_NE(Item(ReadMenus(run), "bar 2.2").find("checked=1"), std::string::npos);

  // English through the language menu's command: everything follows.
  PostCommand(run, english);
  ASSERT_TRUE(Sync(run));
  EXPECT_EQ(IniValue(ini, "Def", "Lng"), "0044");
  dump = ReadMenus(run);
  ExpectBarFromSettings(run, dump, "0044");
  EXPECT_NE(Item(dump, "bar 5.1.1").find("checked=1"), std::string::npos);
  ExpectTexts(run, dump, "not\r\nconnected", "Key 1", "Braille graphic", "Undo", "Ready", "Device:", "OK");
  ASSERT_TRUE(OpenMenu(run, 'D', "C  Connect/Disconnect\tF2"));
  SaveScreen("menu-0044.bmp");
  CloseMenu(run);

  // And back to German.
  PostCommand(run, IdOf(dump, "Deutsch"));
  ASSERT_TRUE(Sync(run));
  ExpectBarFromSettings(run, ReadMenus(run), "0049");
  EXPECT_EQ(WindowText(InfoPanel(run.main)).rfind("nicht", 0), 0u);

  // The screen view needs no camera: its entry is in the options menu,
  // enabled while the camera menu is greyed.
  dump = ReadMenus(run);
  EXPECT_NE(Item(dump, "bar 4").find("gray=1"), std::string::npos) << "no camera here";
  EXPECT_NE(Item(dump, "bar 5.2").find("id=" + std::to_string(CMD_FLY) + " "), std::string::npos) << dump;
  EXPECT_NE(Item(dump, "bar 5.2").find("gray=0"), std::string::npos);
  std::string log = ReadFileText(run.LogPath());
  EXPECT_NE(log.find("Cam Popup:"), std::string::npos);
  // Each language made its own render fonts: at start-up and at both switches.
  int fonts = 0;
  for (std::size_t at = 0; (at = log.find("BmpFontInit() aufgerufen", at)) != std::string::npos; ++at) ++fonts;
  EXPECT_EQ(fonts, 3);
  EXPECT_EQ(log.find("nicht gefunden"), std::string::npos) << "every command of the shipped menus is known";

  // The check marks of the sound (off in this run) and of the chosen fonts
  // follow their settings and the commands that change them.
  dump = ReadMenus(run);
  ASSERT_NE(ItemWithId(dump, CMD_SOUND), "");
  ASSERT_NE(ItemWithId(dump, CMD_TFONT + 1), "") << "two text fonts ship";
  EXPECT_FALSE(Checked(dump, CMD_SOUND));
  EXPECT_TRUE(Checked(dump, CMD_BFONT));
  EXPECT_TRUE(Checked(dump, CMD_TFONT));
  EXPECT_FALSE(Checked(dump, CMD_TFONT + 1));
  PostCommand(run, CMD_SOUND);
  PostCommand(run, CMD_TFONT + 1);
  ASSERT_TRUE(Sync(run));
  dump = ReadMenus(run);
  EXPECT_TRUE(Checked(dump, CMD_SOUND));
  EXPECT_EQ(IniValue(ini, "Def", "Sound"), "1");
  EXPECT_FALSE(Checked(dump, CMD_TFONT));
  EXPECT_TRUE(Checked(dump, CMD_TFONT + 1));
  EXPECT_EQ(IniValue(ini, "0049", "TFont"), "1");
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 10000));
}
