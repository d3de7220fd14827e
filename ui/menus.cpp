#include "ui/menus.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "base/commands.h"
#include "base/keynames.h"
#include "base/log.h"
#include "base/settings.h"
#include "base/text.h"

// Screen readers read an owner-drawn item's data as the platform's record.
static_assert(offsetof(MenuBarEntry, msaa) == 0, "the screen readers' record comes first");

namespace {

constexpr int kFontChoicesInMenu = CMD_BFONT_LAST - CMD_BFONT_FIRST + 1;

struct MenuState {
  MenuHandles handles;
  MenuTexts texts;
  MenuBarEntry entries[kMenuBarMax] = {};
  char languages[kLanguageListMax][kLanguageCodeMax] = {};
  int languageCount = 0;
};

MenuState& State() {
  static MenuState state;
  return state;
}

// A caption from the language section: escapes expanded, cut to `max`.
void ReadCaption(const char* key, char* out, int max) {
  char text[kUnescapeWorkArea];
  // language key from the callers of ReadCaption, argument 0
  GetText(key, text, "-", kValueMax);
  UnescapeText(text, kValueMax);
  text[kValueMax - 1] = '\0';
  CopyText(out, static_cast<std::size_t>(max) + 1, text);
}

void ReadTexts(MenuTexts& t) {
  GetText("Grau", t.grau,
          "nicht verf\xfc"
          "gbar",
          sizeof t.grau);
  GetText("Mark", t.mark, "ausgew\xe4hlt", sizeof t.mark);
  GetText("SubMenu", t.subMenu, "Untermen\xfc", sizeof t.subMenu);
  GetText("SysMenu", t.sysMenu, "Systemmen\xfc", sizeof t.sysMenu);
  GetText("Menu", t.menu, "Hauptmenu", sizeof t.menu);
}

void ReadLanguages(MenuState& s) {
  s.languageCount = 0;
  ForEachNumberedKey("Language", 99, [&s](int, const char* code) {
    CopyText(s.languages[s.languageCount], kLanguageCodeMax, code);
    return ++s.languageCount < kLanguageListMax;
  });
}

// The port menu's failure is logged with one space after "Err:", every
// other menu's with two.
enum class MenuLine { kPort, kOther };
void DestroyOne(HMENU& menu, MenuLine line, const char* name) {
  if (menu && !DestroyMenu(menu))
    LogWrite(line == MenuLine::kPort ? "Err: bei DestroyMenu %s" : "Err:  bei DestroyMenu %s", name);
  menu = nullptr;
}

void DestroyMenus(HWND window, MenuHandles& h) {
  // The window lets go of its bar first, so that it never holds a
  // destroyed menu.
  if (window) SetMenu(window, nullptr);
  // Destroying a menu destroys its submenus: the bar goes last but one.
  DestroyOne(h.port, MenuLine::kPort, "hCom");
  DestroyOne(h.camera, MenuLine::kOther, "hCam");
  DestroyOne(h.language, MenuLine::kOther, "hLanguage");
  DestroyOne(h.brailleFont, MenuLine::kOther, "hBFontSub");
  DestroyOne(h.textFont, MenuLine::kOther, "hTFontSub");
  DestroyOne(h.bar, MenuLine::kOther, "hMenu");
  DestroyOne(h.cameraPopup, MenuLine::kOther, "pCam");
  h.resolution = nullptr;
}

UINT Checked(bool on) { return on ? MF_CHECKED : MF_UNCHECKED; }

HMENU LanguageMenu(const MenuState& s) {
  HMENU menu = CreatePopupMenu();
  for (int n = 0; n < s.languageCount; ++n) {
    char name[kMenuCaptionMax + 1];
    char text[kValueMax];
    ProfileGetString("Lng", text, "?", s.languages[n], sizeof text);
    CopyText(name, sizeof name, text);
    const bool current = ContainsNoCase(s.languages[n], LanguageSection());
    AppendMenuA(menu, MF_STRING | Checked(current), static_cast<UINT_PTR>(CMD_LANGUAGE + n), name);
  }
  return menu;
}

// The font submenu: the faces "BFont00", "BFont01", ... present in the
// language section; the chosen one checked.
HMENU FontMenu(const char* prefix, int firstId) {
  HMENU menu = CreatePopupMenu();
  // language key from the callers of FontMenu, argument 0
  const int chosen = ProfileGetInt(prefix, 0, LanguageSection());
  int position = 0;
  for (int n = 0; n <= 99 && position < kFontChoicesInMenu; ++n) {
    char key[16];
    std::snprintf(key, sizeof key, "%s%02d", prefix, n);
    if (!ProfileHasKey(key, LanguageSection())) continue;
    char face[kMenuCaptionMax + 1];
    // language keys read only where present
    ReadCaption(key, face, kMenuCaptionMax);
    AppendMenuA(menu, MF_STRING | Checked(position == chosen), static_cast<UINT_PTR>(firstId + position), face);
    ++position;
  }
  return menu;
}

HMENU PortMenu(const MenuSources& sources) {
  HMENU menu = CreatePopupMenu();
  const int stored = ProfileGetInt("COM", 0, "Device");
  const int count = sources.portCount ? sources.portCount() : 0;
  for (int i = 0; i < count && i < kPortEntries; ++i) {
    const int port = sources.portAt(i);
    LogWrite("ComMenu:%d %d %d ", i, stored, port);
    char name[16];
    std::snprintf(name, sizeof name, "COM%1d", port);
    AppendMenuA(menu, MF_STRING | Checked(port == stored), static_cast<UINT_PTR>(CMD_COM_SELECT + i), name);
  }
  return menu;
}

HMENU FilledMenu(void (*fill)(HMENU)) {
  HMENU menu = CreatePopupMenu();
  if (fill) fill(menu);
  return menu;
}

void AppendSubmenu(HMENU parent, HMENU sub, const char* caption) {
  AppendMenuA(parent, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), caption);
}

// One item of menu m: its caption and command, and what the command makes
// of it.
void AppendItem(MenuState& s, const MenuSources& sources, HMENU menu, int m, int i) {
  char key[16];
  std::snprintf(key, sizeof key, "Menu%1d-%1d", m, i);
  char caption[kMenuCaptionMax + 1];
  // language keys: @menus
  ReadCaption(key, caption, kMenuCaptionMax);
  char token[kValueMax];
  ProfileGetString(key, token, "0", "CMD", sizeof token);
  const int id = NameToValue(token);
  MenuHandles& h = s.handles;
  switch (id) {
    case -1:
      LogWrite("Err: %s nicht gefunden", token);
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      return;
    case 0: AppendMenuA(menu, MF_SEPARATOR, 0, nullptr); return;
    case CMD_BFONT: AppendSubmenu(menu, h.brailleFont = FontMenu("BFont", CMD_BFONT), caption); return;
    case CMD_TFONT: AppendSubmenu(menu, h.textFont = FontMenu("TFont", CMD_TFONT), caption); return;
    case CMD_CAMRES: AppendSubmenu(menu, h.resolution = FilledMenu(sources.fillResolutions), caption); return;
    case CMD_CAM: AppendSubmenu(menu, h.camera = FilledMenu(sources.fillCameras), caption); return;
    case CMD_LANGUAGE: AppendSubmenu(menu, h.language = LanguageMenu(s), caption); return;
    case CMD_COM_SELECT: AppendSubmenu(menu, h.port = PortMenu(sources), caption); return;
    default: break;
  }
  UINT flags = MF_STRING;
  if (id == CMD_AUTOSTART) flags |= Checked(ProfileGetInt("autostart", 0, "Device") != 0);
  if (id == CMD_SOUND) flags |= Checked(ProfileGetInt("sound", 1, "Def") != 0);
  AppendMenuA(menu, flags, static_cast<UINT_PTR>(id), caption);
}

void SetEntryCaption(MenuBarEntry& e, int index, const char* caption) {
  e = MenuBarEntry{};
  CopyText(e.caption, sizeof e.caption, caption);
  e.index = index;
  int n = MultiByteToWideChar(CP_ACP, 0, e.caption, -1, e.wide, kMenuCaptionMax + 1);
  if (n <= 0) e.wide[0] = L'\0';
  e.msaa.dwMSAASignature = static_cast<DWORD>(MSAA_MENU_SIG);
  e.msaa.cchWText = static_cast<DWORD>(wcslen(e.wide));
  e.msaa.pszWText = e.wide;
}

// Menu m with all its items, then its bar entry made owner-drawn.
void AppendMenuBarEntry(MenuState& s, const MenuSources& sources, int m) {
  char key[16];
  std::snprintf(key, sizeof key, "Menu%1d", m);
  char caption[kMenuCaptionMax + 1];
  // language keys: @menus
  ReadCaption(key, caption, kMenuCaptionMax);
  HMENU menu = CreatePopupMenu();
  for (int i = 0; i < kMenuItemsMax; ++i) {
    std::snprintf(key, sizeof key, "Menu%1d-%1d", m, i);
    if (i > 0 && !ProfileHasKey(key, LanguageSection())) break;
    AppendItem(s, sources, menu, m, i);
  }
  MenuBarEntry& entry = s.entries[m];
  SetEntryCaption(entry, m, caption);
  MENUITEMINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_SUBMENU | MIIM_DATA | MIIM_ID;
  info.fType = MFT_OWNERDRAW;
  info.hSubMenu = menu;
  info.wID = 0;
  info.dwItemData = reinterpret_cast<ULONG_PTR>(&entry);
  InsertMenuItemA(s.handles.bar, static_cast<UINT>(m), TRUE, &info);
}

HMENU CameraPopup() {
  HMENU menu = CreatePopupMenu();
  int count = 0;
  for (int n = 0; n < kCameraPopupMax; ++n) {
    char key[16];
    std::snprintf(key, sizeof key, "%s%02d", "PCam", n);
    if (!ProfileHasKey(key, LanguageSection())) continue;
    char caption[kPopupCaptionMax + 1];
    // The entries of the camera and screen pop-up menu.
    // language keys: PCam{00..07}
    ReadCaption(key, caption, kPopupCaptionMax);
    AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(n + 1), caption);
    ++count;
  }
  LogWrite("Cam Popup:%d", count);
  return menu;
}

}  // namespace

char UpperChar(char c) {
  // CharUpper turns a single character passed in the low word.
  auto upper = reinterpret_cast<UINT_PTR>(
      CharUpperA(reinterpret_cast<LPSTR>(static_cast<UINT_PTR>(static_cast<unsigned char>(c)))));
  return static_cast<char>(upper & 0xFF);
}

namespace {

const MenuBarEntry* EntryOf(ULONG_PTR data) {
  auto* entry = reinterpret_cast<const MenuBarEntry*>(data);
  const MenuState& s = State();
  if (entry < s.entries || entry >= s.entries + kMenuBarMax) return nullptr;
  return entry;
}

}  // namespace

void BuildMenus(HWND window, const MenuSources& sources) {
  MenuState& s = State();
  ReadTexts(s.texts);
  ReadLanguages(s);
  DestroyMenus(window, s.handles);
  s.handles.bar = CreateMenu();
  for (int m = 0; m < kMenuBarMax; ++m) {
    char key[16];
    std::snprintf(key, sizeof key, "Menu%1d", m);
    if (m > 0 && !ProfileHasKey(key, LanguageSection())) break;
    AppendMenuBarEntry(s, sources, m);
  }
  s.handles.cameraPopup = CameraPopup();
  if (window) {
    SetMenu(window, s.handles.bar);
    DrawMenuBar(window);
  }
}

const MenuHandles& Menus() { return State().handles; }
const MenuTexts& MenuAnnounceTexts() { return State().texts; }

int LanguageCount() { return State().languageCount; }

const char* LanguageCode(int n) {
  const MenuState& s = State();
  return n >= 0 && n < s.languageCount ? s.languages[n] : nullptr;
}

void CheckMenuEntry(HMENU menu, int count, int checked) {
  if (!menu) return;
  for (int i = 0; i < count; ++i) CheckMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | Checked(i == checked));
}

void MenuItemCaption(HMENU menu, UINT position, char* out, int size) {
  if (!out || size <= 0) return;
  out[0] = '\0';
  MENUITEMINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_DATA;
  if (!GetMenuItemInfoA(menu, position, TRUE, &info)) return;
  if (info.fType & MFT_OWNERDRAW) {
    if (const MenuBarEntry* entry = EntryOf(info.dwItemData))
      CopyText(out, static_cast<std::size_t>(size), entry->caption);
    return;
  }
  GetMenuStringA(menu, position, out, size, MF_BYPOSITION);
}

bool MeasureMenuBarEntry(MEASUREITEMSTRUCT& item, HFONT font) {
  if (item.CtlType != ODT_MENU) return false;
  const MenuBarEntry* entry = EntryOf(item.itemData);
  if (!entry) return false;
  // The extent of the text as it is drawn: the access letter's "&" takes
  // no room.
  HDC dc = GetDC(nullptr);
  RECT size = {0, 0, 0, 0};
  if (dc) {
    HGDIOBJ old = SelectObject(dc, font);
    DrawTextA(dc, entry->caption, -1, &size, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  item.itemWidth = static_cast<UINT>(size.right + 2);
  item.itemHeight = static_cast<UINT>(size.bottom + 2);
  return true;
}

bool DrawMenuBarEntry(const DRAWITEMSTRUCT& item, const MenuLook& look) {
  if (item.CtlType != ODT_MENU) return false;
  const MenuBarEntry* entry = EntryOf(item.itemData);
  if (!entry) return false;
  const bool selected = (item.itemState & (ODS_SELECTED | ODS_FOCUS | ODS_HOTLIGHT)) != 0;
  RECT r = item.rcItem;
  FillRect(item.hDC, &r, selected ? look.faceSelected : look.face);
  SetBkMode(item.hDC, TRANSPARENT);
  // A greyed entry (the camera's, without a capture library) looks it.
  const bool grayed = (item.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
  SetTextColor(item.hDC, grayed ? GetSysColor(COLOR_GRAYTEXT) : selected ? look.textSelected : look.text);
  HGDIOBJ old = SelectObject(item.hDC, look.font);
  DrawTextA(item.hDC, entry->caption, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(item.hDC, old);
  return true;
}

LRESULT MenuBarChar(HMENU menu, char letter) {
  const int count = GetMenuItemCount(menu);
  const char wanted = UpperChar(letter);
  for (int i = 0; i < count; ++i) {
    char caption[kMenuCaptionMax + 1];
    MenuItemCaption(menu, static_cast<UINT>(i), caption, sizeof caption);
    const char* amp = std::strchr(caption, '&');
    while (amp && amp[1] == '&') amp = std::strchr(amp + 2, '&');
    if (amp && UpperChar(amp[1]) == wanted) return MAKELRESULT(i, MNC_EXECUTE);
  }
  return 0;
}
