#include "app/main_window.h"
#include "res/resource_ids.h"

#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/braille_link.h"
#include "app/camera_link.h"
#include "app/device_keys.h"
#include "app/device_link.h"
#include "app/dispatch.h"
#include "app/file_commands.h"
#include "app/keyboard_focus.h"
#include "app/language.h"
#include "app/page_input.h"
#include "base/accessible.h"
#include "base/commands.h"
#include "base/hotkeys.h"
#include "base/log.h"
#include "base/owners.h"
#include "base/settings.h"
#include "base/sound.h"
#include "base/text.h"
#include "base/trace.h"
#include "base/ui_resources.h"
#include "braille/fonts.h"
#include "document/file_select.h"
#include "document/page_paint.h"
#include "ui/button_draw.h"
#include "ui/main_layout.h"
#include "ui/menus.h"

namespace {

constexpr int kMenuTextMax = 100;  // item text taken by position
constexpr int kAnnounceMax = 200;  // rewritten menu text
constexpr int kStatusTextMax = 512;
constexpr int kInfoTextMax = 512;
constexpr char kCloseMark[] = "[x] ";
constexpr int kButtonFrameWidth = 2;
constexpr COLORREF kEditYellow = 0x00FFFF;      // the text field's own background
constexpr UINT WM_DPICHANGED_MESSAGE = 0x02E0;  // WM_DPICHANGED, which older headers lack

// Menu announcement: the menu-bar item announced last.
struct MenuAnnouncement {
  HMENU menu = nullptr;
  UINT item = 0xFFFFFFFF;
};
MenuAnnouncement g_announce;

// ---- child windows -------------------------------------------------------

// The page, the text line, the device keys and the status line paint
// themselves on top of what their control draws, so that they survive
// being covered and uncovered.
enum class Painted { kPage, kText, kButton, kStatus };

LRESULT CALLBACK ChildPaintProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void Subclass(HWND window) {
  LONG_PTR old = SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ChildPaintProc));
  SetWindowLongPtrA(window, GWLP_USERDATA, old);
}

int ButtonIndex(HWND window) {
  for (int i = 0; i < kDeviceButtons; ++i)
    if (g_view.buttons[i] == window) return i;
  return -1;
}

void PaintButton(int i) {
  HWND button = g_view.buttons[i];
  WindowDc dc(button);
  if (!dc) return;
  RECT r;
  GetClientRect(button, &r);
  FillRect(dc.Get(), &r, ColorBrush(static_cast<ColorId>(kColButton0 + i)));
  SetBkMode(dc.Get(), TRANSPARENT);
  SetTextColor(dc.Get(), ColorText(static_cast<ColorId>(kColButton0 + i)));
  SelectGuard font(dc.Get(), InterfaceFont(kFontDeviceButton));
  DrawTextA(dc.Get(), g_view.buttonLabel[i], -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  // The key under the pointer, and the one with the keyboard focus, is framed.
  if (HighlightedButton() == i || GetFocus() == button) {
    for (int inset = 0; inset < kButtonFrameWidth; ++inset, InflateRect(&r, -1, -1))
      FrameRect(dc.Get(), &r, ColorBrush(kColButtonFocus));
  }
}

void PaintStatus() {
  HWND status = g_view.statusWnd;
  WindowDc dc(status);
  if (!dc) return;
  char text[kStatusTextMax];
  GetWindowTextA(status, text, sizeof text);
  RECT r;
  GetClientRect(status, &r);
  FillRect(dc.Get(), &r, ColorBrush(kColStatus));
  SetBkMode(dc.Get(), TRANSPARENT);
  SetTextColor(dc.Get(), ColorText(kColStatus));
  SelectGuard font(dc.Get(), InterfaceFont(kFontStatus));
  // The menu announcement separates its parts with tabs.
  TabbedTextOutA(dc.Get(), 4, 2, text, static_cast<int>(std::strlen(text)), 0, nullptr, 4);
}

void PaintChild(HWND window) {
  if (window == g_view.page) {
    PaintPageWindow(g_page, window);
  } else if (window == g_view.txtwnd) {
    PaintTextLine(g_page, window, true);
  } else if (window == g_view.statusWnd) {
    PaintStatus();
  } else {
    int i = ButtonIndex(window);
    if (i >= 0) PaintButton(i);
  }
}

// A device key with the keyboard focus is pressed with Space or Enter,
// as with the mouse; the focus frame follows the focus.
bool DeviceKeyInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const int i = ButtonIndex(window);
  if (i < 0) return false;
  if (message == WM_KEYDOWN && (wParam == VK_SPACE || wParam == VK_RETURN)) {
    constexpr LPARAM kRepeated = 1L << 30;  // a held key's repeats press once
    if (!(lParam & kRepeated)) PostMessageA(g_app.mainWindow, WM_COMMAND, static_cast<WPARAM>(BUTTON0 + i), 0);
    return true;
  }
  if (message == WM_SETFOCUS || message == WM_KILLFOCUS) InvalidateRect(window, nullptr, FALSE);
  return false;
}

LRESULT CALLBACK ChildPaintProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto old = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (DeviceKeyInput(window, message, wParam, lParam)) return 0;
  // The page shows the pin cursor while it has the keyboard focus; the
  // change is taken up once the focus has moved.
  if (window == g_view.page && (message == WM_SETFOCUS || message == WM_KILLFOCUS))
    PostMessageA(g_app.mainWindow, WM_PAGE_FOCUS, 0, 0);
  // The page and the text line are drawn whole from a bitmap: the control
  // neither erases nor paints them first.
  if (window == g_view.page || window == g_view.txtwnd) {
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_PAINT) {
      { PaintDc paint(window); }
      PaintChild(window);
      if (window == g_view.page) PaintCursor();
      return 0;
    }
  }
  LRESULT result = CallWindowProcA(old, window, message, wParam, lParam);
  if (message == WM_PAINT || (message == WM_SETTEXT && window == g_view.statusWnd)) PaintChild(window);
  return result;
}

HWND MakeChild(DWORD exStyle, const char* cls, DWORD style, int x, int y, int w, int h, int id) {
  return CreateWindowExA(exStyle, cls, "", style, x, y, w, h, g_app.mainWindow,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_app.instance, nullptr);
}

void ReadButtonLabels() {
  for (int i = 0; i < kDeviceButtons; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "Button%1d", i);
    // language keys: Button{0..5}
    GetText(key, g_view.buttonLabel[i], "<>", kButtonLabelMax);
    std::snprintf(key, sizeof key, "Buttons%1d.str", i);
    // language keys: Buttons{0..5}.str
    GetText(key, g_view.buttonHelp[i], "<>", kButtonLabelMax);
    // The help text is the key's accessible name.
    if (g_view.buttons[i]) SetWindowTextA(g_view.buttons[i], g_view.buttonHelp[i]);
  }
}

HWND MakeChild(DWORD exStyle, const char* cls, DWORD style, const LayoutRect& at, int id) {
  return MakeChild(exStyle, cls, style, at.left, at.top, at.Width(), at.Height(), id);
}

void CreateChildren(int c, int r, int p) {
  RECT client;
  GetClientRect(g_app.mainWindow, &client);
  const MainLayout at = LayoutMain(c, r, p, client.right, client.bottom, g_app.dpi);
  const DWORD kChild = WS_CHILD | WS_VISIBLE;
  if (!g_view.page) {
    // Clipped against the floating text line that may lie above them.
    g_view.page = MakeChild(0, "STATIC", kChild | WS_BORDER | WS_CLIPSIBLINGS, at.page, 0);
    Subclass(g_view.page);
  }
  if (!g_view.txtwnd) {
    g_view.txtwnd = MakeChild(0, "STATIC", kChild | WS_BORDER | WS_CLIPSIBLINGS, at.textLine, 0);
    Subclass(g_view.txtwnd);
  }
  ReadButtonLabels();
  for (int i = 0; i < kDeviceButtons; ++i) {
    if (g_view.buttons[i]) continue;
    g_view.buttons[i] = MakeChild(0, "STATIC", kChild, at.deviceKeys[i], 0);
    Subclass(g_view.buttons[i]);
    SetWindowTextA(g_view.buttons[i], g_view.buttonHelp[i]);
  }
  if (!g_view.cambutton) g_view.cambutton = MakeChild(0, "STATIC", kChild | WS_BORDER, at.cameraButton, 0);
  const DWORD kList = kChild | WS_VSCROLL | LBS_NOTIFY;
  if (!g_view.brLngWnd) g_view.brLngWnd = MakeChild(0, "LISTBOX", kList, at.languageList, ID_BRLNG_LIST);
  if (!g_view.brGradeWnd) g_view.brGradeWnd = MakeChild(0, "LISTBOX", kList, at.gradeList, ID_BRGRADE_LIST);
  if (!g_view.brDotWnd)
    g_view.brDotWnd =
        MakeChild(0, "EDIT", kChild | ES_MULTILINE | ES_READONLY | ES_WANTRETURN, at.brailleGraphic, ID_BRGRADE_LIST);
  if (!g_view.editWnd) {
    g_view.editWnd = MakeChild(0, "EDIT", kChild | WS_BORDER | ES_AUTOVSCROLL, at.textField, 0);
    SendMessageA(g_view.editWnd, WM_SETFONT, reinterpret_cast<WPARAM>(InterfaceFont(kFontEdit)), FALSE);
    SendMessageA(g_view.editWnd, EM_LIMITTEXT, kEditTextMax, 0);
  }
  if (!g_view.statusWnd) {
    g_view.statusWnd = MakeChild(0, "EDIT", kChild | WS_BORDER, at.statusLine, 0);
    Subclass(g_view.statusWnd);
    StartAnnouncements(g_view.statusWnd);
  }
  if (!g_view.infoWnd) {
    g_view.infoWnd = MakeChild(WS_EX_CLIENTEDGE, "EDIT", kChild | WS_DLGFRAME | ES_MULTILINE | ES_READONLY | ES_CENTER,
                               at.infoPanel, 0);
    SendMessageA(g_view.infoWnd, WM_SETFONT, reinterpret_cast<WPARAM>(InterfaceFont(kFontInfo)), FALSE);
  }
}

// ---- caption strip ---------------------------------------------------------

int CaptionHeight() { return GetSystemMetrics(SM_CYSIZEFRAME) + GetSystemMetrics(SM_CYSIZE); }

// The strip in window coordinates. Without the standard caption the
// platform puts the menu bar right below the top frame: the strip then
// lies between the menu bar and the client area, where the room for it is
// made (WM_NCCALCSIZE).
RECT StripRect(HWND window) {
  RECT w;
  GetWindowRect(window, &w);
  RECT strip = {0, 0, w.right - w.left, CaptionHeight()};
  HMENU bar = GetMenu(window);
  const int items = bar ? GetMenuItemCount(bar) : 0;
  RECT last;
  if (items > 0 && GetMenuItemRect(window, bar, static_cast<UINT>(items - 1), &last)) {
    strip.top = last.bottom - w.top + 1;
    strip.bottom = strip.top + GetSystemMetrics(SM_CYSIZE);
  }
  return strip;
}

RECT CloseMarkRect(HWND window, HDC dc) {
  RECT w;
  GetWindowRect(window, &w);
  SIZE size = {0, 0};
  {
    SelectGuard font(dc, InterfaceFont(kFontTitle));
    GetTextExtentPoint32A(dc, kCloseMark, static_cast<int>(std::strlen(kCloseMark)), &size);
  }
  int width = w.right - w.left;
  const RECT strip = StripRect(window);
  return RECT{width - size.cx - GetSystemMetrics(SM_CXSIZEFRAME), strip.top, width, strip.bottom};
}

void DrawCaption(HWND window) {
  WindowDc dc(window, true);
  if (!dc) return;
  const int frame = GetSystemMetrics(SM_CXSIZEFRAME);
  RECT strip = StripRect(window);
  FillRect(dc.Get(), &strip, ColorBrush(kColTitle));
  SetBkMode(dc.Get(), TRANSPARENT);
  int iconSize = strip.bottom - strip.top - 4;
  HICON icon = static_cast<HICON>(
      LoadImageA(g_app.instance, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON, iconSize, iconSize, LR_DEFAULTCOLOR));
  if (icon) {
    DrawIconEx(dc.Get(), frame + 4, strip.top + 2, icon, iconSize, iconSize, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
  }
  SelectGuard font(dc.Get(), InterfaceFont(kFontTitle));
  RECT text = strip;
  text.left = 40 + frame;
  SetTextColor(dc.Get(), ColorText(kColTitle));
  DrawTextA(dc.Get(), g_app.programName, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SetTextColor(dc.Get(), SystemColorsInUse() ? ColorText(kColTitle) : RGB(0, 0, 0));
  RECT close = strip;
  close.right -= frame;
  DrawTextA(dc.Get(), kCloseMark, -1, &close, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

// ---- messages ------------------------------------------------------------

void Append(char* text, std::size_t size, const char* more) { std::strncat(text, more, size - std::strlen(text) - 1); }

void ShowMenuSelection(WPARAM wParam, LPARAM lParam) {
  UINT item = LOWORD(wParam);
  UINT flags = HIWORD(wParam);
  HMENU menu = reinterpret_cast<HMENU>(lParam);
  if (flags == 0xFFFF && !menu) {
    g_main.menuOpen = false;
    ShowStatusText("Ready");
    return;
  }
  const MenuTexts& texts = MenuAnnounceTexts();
  bool system = (flags & MF_SYSMENU) != 0;
  char text[kAnnounceMax + 2 * kValueMax] = "";
  if (flags & MF_POPUP) {
    g_main.menuOpen = true;
    if (system) {
      CopyText(text, sizeof text, texts.sysMenu);
    } else {
      // An owner-drawn entry of the bar has its caption in its record.
      MenuItemCaption(menu, item, text, kMenuTextMax);
    }
    Append(text, sizeof text, " \t");
    if (menu == GetMenu(g_app.mainWindow)) {
      Append(text, sizeof text, texts.menu);
      if (g_announce.menu == menu && g_announce.item == item) text[0] = '\0';
      g_announce.menu = menu;
      g_announce.item = item;
    } else {
      Append(text, sizeof text, texts.subMenu);
    }
  } else {
    GetMenuStringA(menu, item, text, kMenuTextMax, MF_BYCOMMAND);
  }
  if (!text[0]) return;
  // Read-out form: the access letter first, the ampersands dropped.
  char spoken[kAnnounceMax + 2 * kValueMax] = "   ";
  std::size_t n = 3;
  for (const char* s = text; *s && n < kAnnounceMax - 1; ++s) {
    if (*s == '&') {
      if (s[1]) spoken[0] = UpperChar(s[1]);
      continue;
    }
    spoken[n++] = *s;
  }
  spoken[n] = '\0';
  Append(spoken, sizeof spoken, " \t");
  UINT state = GetMenuState(menu, item, (flags & MF_POPUP) ? MF_BYPOSITION : MF_BYCOMMAND);
  if (state != 0xFFFFFFFF && (state & MF_CHECKED)) Append(spoken, sizeof spoken, texts.mark);
  if (state != 0xFFFFFFFF && (state & MF_GRAYED)) Append(spoken, sizeof spoken, texts.grau);
  ShowStatus(spoken);
}

LRESULT OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlType == ODT_MENU) {
    const MenuLook look{InterfaceFont(kFontMenu), ColorBrush(kColMenu), ColorBrush(kColMenuSel), ColorText(kColMenu),
                        ColorText(kColMenuSel)};
    return DrawMenuBarEntry(item, look) ? TRUE : FALSE;
  }
  if (item.CtlType == ODT_BUTTON) {
    static ButtonResources buttons;
    DrawOwnerButton(item, buttons.Look());
    return TRUE;
  }
  return FALSE;
}

void OnTick(HWND window) {
  static bool first = true;
  if (first) {
    first = false;
    LogWrite("Erster Takt");
    TraceMark(TraceStage::kStartPhase, 11, "first-tick");
  }
  DeviceReadFrame();
  DeviceWatchLink();
  std::uint16_t code = 0;
  if (DeviceTakeKey(code) && g_app.soundFlag) Beep(1800, 15);
  // The camera and screen views take the device's keys for themselves; the
  // braille line follows the typed text in every view.
  if (!CameraTick(window, code)) {
    CursorBlinkTick();
    int command = DeviceKeyCommand(code);
    if (command) PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(command), 0);
  }
  DeviceUpdateTextLine();
}

void OnHotKey(HWND window, WPARAM wParam, LPARAM lParam) {
  LogWrite("WM_HOTKEY:%4d %8X", static_cast<int>(wParam), static_cast<unsigned>(lParam));
  if (wParam == static_cast<WPARAM>(CMD_FLY)) ScreenHotKey(window);
}

LRESULT OnCtlColorEdit(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  HWND control = reinterpret_cast<HWND>(lParam);
  if (control == g_view.editWnd) {
    SetTextColor(dc, ColorText(kColEdit));
    SetBkColor(dc, SystemColorsInUse() ? ColorBack(kColEdit) : kEditYellow);
    return reinterpret_cast<LRESULT>(ColorBrush(kColEdit));
  }
  if (control == g_view.statusWnd) {
    SetTextColor(dc, ColorText(kColStatus));
    return reinterpret_cast<LRESULT>(ColorBrush(kColStatus));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT OnCtlColorStatic(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  if (reinterpret_cast<HWND>(lParam) == g_view.infoWnd) {
    SetTextColor(dc, ColorText(kColInfo));
    SetBkColor(dc, ColorBack(kColInfo));
    return reinterpret_cast<LRESULT>(ColorBrush(kColInfoBrush));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT OnCtlColorScrollbar(WPARAM wParam, LPARAM lParam) {
  // The camera's threshold and zoom sliders use "Scrollbar", every other
  // scroll bar "Ctrlbar".
  HDC dc = reinterpret_cast<HDC>(wParam);
  HWND bar = reinterpret_cast<HWND>(lParam);
  const bool camera = bar && (bar == CameraThresholdBar() || bar == CameraZoomBar());
  const ColorId colour = camera ? kColScrollbar : kColCtrlbar;
  SetTextColor(dc, ColorText(colour));
  SetBkColor(dc, ColorBack(colour));
  return reinterpret_cast<LRESULT>(ColorBrush(colour));
}

// The system's colours changed, or its high-contrast mode went on or off:
// every colour is read again and everything painted anew.
void ColorsChanged(HWND window) {
  LoadColors();
  LogWrite("Farben: %s", SystemColorsInUse() ? "System (hoher Kontrast)" : "Einstellungen");
  SetClassLongPtrA(window, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(ColorBrush(kColMainBack)));
  PaintGrid(g_page, g_view.page, g_view.txtwnd);
  DrawMenuBar(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  RequestRefresh(1);
}

LRESULT OnNcHitTest(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT hit = DefWindowProcA(window, message, wParam, lParam);
  if (hit != HTNOWHERE && hit != HTCLIENT) return hit;
  RECT w;
  GetWindowRect(window, &w);
  POINT pt = {static_cast<short>(LOWORD(lParam)) - w.left, static_cast<short>(HIWORD(lParam)) - w.top};
  const RECT strip = StripRect(window);
  if (pt.y < strip.top || pt.y >= strip.bottom) return hit;
  WindowDc dc(window, true);
  RECT close = CloseMarkRect(window, dc.Get());
  return PtInRect(&close, pt) ? HTCLOSE : HTCAPTION;
}

LRESULT OnNcCalcSize(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = DefWindowProcA(window, message, wParam, lParam);
  // The caption strip takes the room the standard caption would have.
  auto* rect = reinterpret_cast<RECT*>(lParam);
  rect->top += GetSystemMetrics(SM_CYSIZE);
  if (rect->top > rect->bottom) rect->top = rect->bottom;
  return result;
}

}  // namespace

// ---- interface -------------------------------------------------------------

bool RegisterMainClass(HINSTANCE instance) {
  WNDCLASSA cls = {};
  cls.style = CS_HREDRAW | CS_VREDRAW | CS_PARENTDC;
  cls.lpfnWndProc = MainWndProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  cls.hbrBackground = ColorBrush(kColMainBack);
  cls.lpszClassName = kMainClassName;
  return RegisterClassA(&cls) != 0;
}

HWND CreateMainWindow(HINSTANCE instance, int boxSize) {
  const LayoutRect at = MainWindowRect(boxSize, g_app.dpi);
  HWND window = CreateWindowExA(0, kMainClassName, "", WS_VISIBLE | WS_THICKFRAME | WS_SYSMENU, at.left, at.top,
                                at.Width(), at.Height(), nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  // A top-level window always gets the standard caption at creation; the
  // caption strip replaces it.
  SetWindowLongA(window, GWL_STYLE, GetWindowLongA(window, GWL_STYLE) & ~WS_CAPTION);
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  GetWindowRect(window, &g_app.firstRect);
  return window;
}

namespace {

void PlaceChild(HWND child, const LayoutRect& at) {
  if (child) SetWindowPos(child, nullptr, at.left, at.top, at.Width(), at.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

// The children at the places of the layout (after the scaling changed).
void PlaceChildren() {
  RECT client;
  GetClientRect(g_app.mainWindow, &client);
  const MainLayout at = LayoutMain(kPageColumns, kPageRows, g_app.boxSize, client.right, client.bottom, g_app.dpi);
  PlaceChild(g_view.page, at.page);
  PlaceChild(g_view.txtwnd, at.textLine);
  for (int i = 0; i < kDeviceButtons; ++i) PlaceChild(g_view.buttons[i], at.deviceKeys[i]);
  PlaceChild(g_view.cambutton, at.cameraButton);
  PlaceChild(g_view.brLngWnd, at.languageList);
  PlaceChild(g_view.brGradeWnd, at.gradeList);
  PlaceChild(g_view.brDotWnd, at.brailleGraphic);
  PlaceChild(g_view.editWnd, at.textField);
  PlaceChild(g_view.statusWnd, at.statusLine);
  PlaceChild(g_view.infoWnd, at.infoPanel);
}

}  // namespace

void ApplyDpi(HWND window, int dpi, const RECT* suggested) {
  LogWrite("DPI: %d", dpi);
  g_app.dpi = dpi;
  g_app.boxSize = ScaleToDpi(ProfileGetInt("Box_Size", 10, "Def"), dpi);
  CreateInterfaceFonts(dpi);
  // The controls hold the fonts they were given: they get the new ones.
  if (g_view.editWnd)
    SendMessageA(g_view.editWnd, WM_SETFONT, reinterpret_cast<WPARAM>(InterfaceFont(kFontEdit)), TRUE);
  if (g_view.infoWnd)
    SendMessageA(g_view.infoWnd, WM_SETFONT, reinterpret_cast<WPARAM>(InterfaceFont(kFontInfo)), TRUE);
  if (suggested)
    SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  else {
    const LayoutRect at = MainWindowRect(g_app.boxSize, dpi);
    SetWindowPos(window, nullptr, 0, 0, at.Width(), at.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  GetWindowRect(window, &g_app.firstRect);
  PlaceChildren();
  RebuildMenus();
}

void LayoutMainWindow(int columns, int rows, int pinSize) {
  g_page.columns = static_cast<std::uint8_t>(columns);
  g_page.rows = static_cast<std::uint8_t>(rows);
  g_page.pinSize = static_cast<std::uint8_t>(pinSize);
  if (!g_app.mainWindow) return;
  CreateChildren(columns, rows, pinSize);
  ExposeMainControls();
  ShowWindow(g_view.page, SW_SHOW);
  ShowWindow(g_view.txtwnd, SW_SHOW);
  PaintGrid(g_page, g_view.page, g_view.txtwnd);
  HWND children[] = {g_view.cambutton, g_view.brLngWnd,  g_view.brGradeWnd, g_view.brDotWnd,
                     g_view.editWnd,   g_view.statusWnd, g_view.infoWnd};
  // Repainted when the queue has nothing else: a layout follows every
  // change of the whole page, and input must not wait for the paint.
  for (HWND child : children) {
    ShowWindow(child, SW_SHOW);
    InvalidateRect(child, nullptr, TRUE);
  }
  BrailleLayout();
  for (HWND button : g_view.buttons) {
    ShowWindow(button, SW_SHOW);
    InvalidateRect(button, nullptr, TRUE);
  }
  DrawMainIconBar(g_app.mainWindow);
}

void ShowStatus(const char* text) { ShowStatus(text, StatusSpeech::kSpoken); }

void ShowStatus(const char* text, StatusSpeech speech) {
  if (!g_view.statusWnd) return;
  SetWindowTextA(g_view.statusWnd, text ? text : "");
  BrailleShowFocus();
  // A menu reads itself out to a screen reader: while one is open the
  // status line only shows what is highlighted.
  Announce(text, speech == StatusSpeech::kSpoken && !g_main.menuOpen);
}

void ShowStatusText(const char* key) {
  char text[kValueMax];
  // language key from the callers of ShowStatusText, argument 0
  GetText(key, text, "-", sizeof text);
  ShowStatus(text);
}

void ShowStatusPos(const char* key, int x, int y) {
  char text[kValueMax];
  // language key from the callers of ShowStatusPos, argument 0
  GetText(key, text, "-", sizeof text);
  char line[kValueMax + 16];
  std::snprintf(line, sizeof line, "[%2d %2d] %s", x, y, text);
  ShowStatus(line);
}

void ShowInfoPanel() {
  if (!g_view.infoWnd) return;
  char text[kInfoTextMax];
  // While no device is connected the label for a missing device (or for
  // one that went away and is being looked for) stands in for its name,
  // in the current language.
  const char* name = DeviceConnected() && DeviceName()[0] ? DeviceName()
                     : DeviceLost()                       ? g_app.deviceSearching
                                                          : g_app.notConnected;
  if (DeviceConnected()) {
    std::snprintf(text, sizeof text, "%s\r\n%s\r\n<COM%d>\r\n\r\n%s\r\n[%s]", name, DeviceVersion(), DevicePortNumber(),
                  g_files.title, g_files.extension);
  } else {
    std::snprintf(text, sizeof text, "%s\r\n%s\r\n\r\n%s\r\n[%s]", name, DeviceVersion(), g_files.title,
                  g_files.extension);
  }
  SetWindowTextA(g_view.infoWnd, text);
}

void RequestRefresh(int n) {
  if (g_app.mainWindow) PostMessageA(g_app.mainWindow, WM_COMMAND, CMD_REFRESH, n);
}

void CloseMainWindow(HWND window) {
  LogWrite("WM_CLOSE Exit");
  if (!AskToSaveModifiedPage(window)) return;
  PlayEventSound("Ende", kSoundWait);
  RemoveFontFiles();
  BrailleClose();
  PostQuitMessage(0);
  DestroyWindow(window);
}

namespace {

class WindowObserver : public PageObserver {
 public:
  void RequestRefresh(bool full) override {
    TraceMark(TraceStage::kPageChanged, full ? 1 : 0);
    ::RequestRefresh(full ? 1 : 0);
  }
  void RepaintPins() override {
    PaintPins(g_page, g_view.page);
    PaintCursor();
  }
  void RepaintPin(int x, int y) override { PaintPin(g_page, g_view.page, x, y); }
  void RepaintTextLine() override { PaintTextLine(g_page, g_view.txtwnd); }
  void ShowStatus(const char* text) override { ::ShowStatus(text); }
  void GetText(const char* key, char* out, const char* def, int size) override {
    // language key from the callers of GetText, argument 0
    ::GetText(key, out, def, size);
  }
  void SetEditText(const char* text) override {
    if (g_view.editWnd) SetWindowTextA(g_view.editWnd, text);
    DeviceUpdateTextLine();
  }
};

}  // namespace

PageObserver& MainPageObserver() {
  static WindowObserver observer;
  return observer;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      LogWrite("WM_CREATE");
      DrawMainIconBar(window);
      break;
    case WM_ACTIVATE:
      PaintTextLine(g_page, g_view.txtwnd);
      PostMessageA(window, WM_COMMAND, CMD_FOCUS_EDIT, 0);
      break;
    case WM_PAINT: {
      {
        PaintDc paint(window);
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        DrawMainIconBar(window);
      }
      PostMessageA(window, WM_COMMAND, CMD_FOCUS_EDIT, 0);
      return 0;
    }
    case WM_ACTIVATEAPP:
      ShowStatusText("Ready");
      PostMessageA(window, WM_COMMAND, CMD_FOCUS_EDIT, 0);
      break;
    case WM_NCPAINT:
    case WM_NCACTIVATE:
      if (wParam != 0) {
        DefWindowProcA(window, message, wParam, lParam);
        DrawCaption(window);
        return 0;
      }
      break;
    case WM_NCCALCSIZE:
      if (wParam) return OnNcCalcSize(window, message, wParam, lParam);
      break;
    case WM_NCHITTEST: return OnNcHitTest(window, message, wParam, lParam);
    case WM_NCLBUTTONDOWN:
      if (wParam == HTCLOSE) {
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
      }
      break;
    case WM_MEASUREITEM:
      if (wParam == 0)
        return MeasureMenuBarEntry(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam), InterfaceFont(kFontMenu));
      return 0;
    case WM_DRAWITEM: return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_MENUCHAR:
      // The bar's entries are owner-drawn: their access letters are
      // looked up here.
      if (reinterpret_cast<HMENU>(lParam) == Menus().bar && Menus().bar)
        if (LRESULT hit = MenuBarChar(Menus().bar, static_cast<char>(LOWORD(wParam)))) return hit;
      break;
    case WM_MENUSELECT: ShowMenuSelection(wParam, lParam); break;
    case WM_EXITMENULOOP:
      // The command of a chosen item is already in the queue; the marker
      // posted behind it ends the commands that came from the menu.
      g_main.menuCommand = true;
      PostMessageA(window, WM_MENU_DONE, 0, 0);
      break;
    case WM_MENU_DONE: g_main.menuCommand = false; return 0;
    case WM_PAGE_FOCUS: PageFocusChanged(); return 0;
    case WM_SYSCOLORCHANGE: ColorsChanged(window); break;
    case WM_DPICHANGED_MESSAGE: ApplyDpi(window, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETHIGHCONTRAST) ColorsChanged(window);
      break;
    case WM_START_LATER:
      CaptureStart();
      TraceMark(TraceStage::kStartPhase, 9, "capture");
      return 0;
    case WM_TIMER:
      if (wParam == kGraphicTimerId) {
        DeviceGraphicDue();
        return 0;
      }
      OnTick(window);
      return 0;
    case WM_HSCROLL: CameraScrolled(wParam, lParam); break;
    case WM_CTLCOLOREDIT: return OnCtlColorEdit(window, message, wParam, lParam);
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(window, message, wParam, lParam);
    case WM_CTLCOLORSCROLLBAR: return OnCtlColorScrollbar(wParam, lParam);
    case WM_MOUSEMOVE: OnMouseMove(window, wParam, lParam); break;
    case WM_MOUSELEAVE: OnMouseLeave(); break;
    case WM_LBUTTONDOWN: OnLeftButtonDown(window, wParam, lParam); break;
    case WM_RBUTTONDOWN: OnRightButtonDown(window, wParam, lParam); break;
    case WM_HOTKEY: OnHotKey(window, wParam, lParam); break;
    case kHookKeyMessage:
      LogWrite("MY_KEYDOWN hWnd: %0X", static_cast<unsigned>(wParam));
      if (FindKey(window, static_cast<int>(wParam))) return 0;
      break;
    case WM_STILL_CAPTURED: LogWrite("UWM_STILL_CAPTURED"); break;
    case WM_DEVICECHANGE: CameraDeviceChange(wParam, lParam); return TRUE;
    case WM_COMMAND: OnCommand(window, wParam, lParam); return 0;
    case WM_CLOSE: CloseMainWindow(window); return 0;
    case WM_DESTROY:
      LogWrite("WM_DESTROY");
      CaptureShutdown();
      return 0;
    default: break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
