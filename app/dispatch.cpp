#include "app/dispatch.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/braille_link.h"
#include "app/camera_link.h"
#include "app/device_keys.h"
#include "app/device_link.h"
#include "app/file_commands.h"
#include "app/keyboard_focus.h"
#include "app/language.h"
#include "app/main_window.h"
#include "app/page_input.h"
#include "app/text_render.h"
#include "base/commands.h"
#include "base/log.h"
#include "base/settings.h"
#include "base/sound.h"
#include "base/text.h"
#include "base/trace.h"
#include "braille/fonts.h"
#include "document/dot_page.h"
#include "document/page_paint.h"
#include "ui/dialogs.h"
#include "ui/menus.h"

namespace {

constexpr int kBrowseTextMax = 60;  // editWnd text taken by the device keys (59 characters)

void ShellOpen(HWND window, const char* path) {
  auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(window, "open", path, nullptr, nullptr, SW_SHOWMAXIMIZED));
  if (result < 32) LogWrite("Err: Exec hat den Fehlerkode:%d", static_cast<int>(result));
}

void SetMenuCheck(int id, bool on) {
  HMENU menu = GetMenu(g_app.mainWindow);
  if (menu) CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

// ---- view and refresh ------------------------------------------------------

// The graphic leaves for the device first; laying out and painting the
// window follow (the device's frame takes 27 ms on the wire, the window
// waits for nobody).
void CommandRefresh(LPARAM lParam) {
  const bool layout = RefreshNeedsLayout(g_main.refreshCountdown, g_main.refreshPeriod, static_cast<long>(lParam));
  PackPage(g_page, g_dtm);
  PackTextLine(g_page, g_dtm, DeviceLastText());
  TraceMark(TraceStage::kPacked);
  DeviceSendGraphic();
  if (layout) {
    LayoutMainWindow(g_page.columns, g_page.rows, g_page.pinSize);
    CameraRelayout();
  }
  PaintPins(g_page, g_view.page);
  PaintCursor();
  PaintTextLine(g_page, g_view.txtwnd);
  if (g_view.editWnd) {
    // Setting the same text again would only move the caret to the start.
    char current[kDtmTextBuffer] = "";
    GetWindowTextA(g_view.editWnd, current, sizeof current);
    if (std::strncmp(current, g_dtm.text, sizeof current) != 0) SetWindowTextA(g_view.editWnd, g_dtm.text);
  }
  DeviceUpdateTextLine();
  TraceMark(TraceStage::kPainted);
  PostMessageA(g_app.mainWindow, WM_COMMAND, CMD_SEND_PAGE, 0);
}

HWND CurrentList() { return g_main.brailleFocus == kFocusLanguage ? g_view.brLngWnd : g_view.brGradeWnd; }

void CommandUpDown(int step) {
  if (g_main.popupOpen) return;
  if (g_main.brailleFocus != kFocusLanguage && g_main.brailleFocus != kFocusGrade) return;
  HWND list = CurrentList();
  if (!list) return;
  BrailleShowFocus();
  LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  if (count <= 0) return;
  LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0) + step;
  if (index < 0) index = 0;
  if (index >= count) index = count - 1;
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  AnnounceListEntry(list);
}

// ---- device keys -----------------------------------------------------------

void CommandDeviceKey(int id) {
  static constexpr const char* kSounds[kDeviceKeyCount] = {"key1", "key2", "key3", "key3", "Key2", "key3"};
  int key = id - BUTTON0;
  LogWrite("WM_COMMAND BUTTON%d", key);
  PlayEventSound(kSounds[key], kSoundStart);
  // While the page has the keyboard focus the keys work its pin cursor.
  if (CursorDeviceKey(key)) return;
  if (key == 0 || key == 5 || g_main.brailleFocus != kFocusGraphic) return;
  char text[kBrowseTextMax] = "";
  if (g_view.editWnd) GetWindowTextA(g_view.editWnd, text, sizeof text);
  const BrowseStep step = BrowseText(key, static_cast<int>(std::strlen(text)), g_main.textPosition);
  if (step.render == BrowseRender::kText) RenderTextBig(nullptr, 0, 0, text + step.at);
  if (step.render == BrowseRender::kChar) RenderCharBig(nullptr, 0, 0, text[step.at]);
}

// ---- device ----------------------------------------------------------------

void CommandConnect() {
  const bool was = DeviceConnected();
  DeviceToggleConnection();
  TraceMark(TraceStage::kStartPhase, 10, "connect");
  if (DeviceConnected()) PlayEventSound("connect", kSoundStart);
  // language keys: Dev.on Dev.off Dev.none
  ShowStatusText(DeviceConnected() ? "Dev.on" : was ? "Dev.off" : "Dev.none");
  DrawMainIconBar(g_app.mainWindow);
  if (g_app.splash) {
    DestroyWindow(g_app.splash);
    g_app.splash = nullptr;
  }
}

void CommandAutostart() {
  int value = ProfileGetInt("AutoStart", 0, "Device") == 0 ? 1 : 0;
  ProfileWriteInt("AutoStart", value, "Device");
  SetMenuCheck(CMD_AUTOSTART, value != 0);
  ShowStatusText(value ? "autoconnect.on" : "autoconnect.off");
}

// ---- document ----------------------------------------------------------

void CommandDeleteAll() {
  EndCursorRun();
  PlayEventSound("Erase_all", kSoundStart);
  ShowStatusText("DEL_ALL");
  DeleteAll(g_page, g_dtm, MainPageObserver());
}

void CommandInvert() {
  EndCursorRun();
  PlayEventSound("klick", kSoundStart);
  if (g_view.page) InvertPage(g_page, MainPageObserver());
}

void CommandAccept() {
  EndCursorRun();
  PlayEventSound("klick", kSoundStart);
  if (g_view.page) AcceptPage(g_page, MainPageObserver());
}

void CommandBack() {
  EndCursorRun();
  PlayEventSound("klick", kSoundStart);
  UndoStroke(g_page, MainPageObserver());
}

void CommandCancel(HWND window, LPARAM lParam) {
  if (CursorCommand(CMD_CANCEL, lParam)) return;
  if (!DropFlyWindow()) PostMessageA(window, WM_COMMAND, CMD_BACK, 0);
}

// ---- settings, help and program -----------------------------------------

void CommandSound() {
  int value = ProfileGetInt("Sound", 1, "Def") == 0 ? 1 : 0;
  ProfileWriteInt("Sound", value, "Def");
  SetSoundOn(value != 0);
  SetMenuCheck(CMD_SOUND, value != 0);
  ShowStatusText(value ? "Sound.on" : "sound.off");
  PlayEventSound("klick", kSoundStart);
}

void CommandHelp(HWND window) {
  ShowStatusText("open.help");
  char path[kValueMax];
  GetText("Help", path, ".\\Help\\RelivoX_0049.chm", sizeof path);
  LogWrite("Help:%s", path);
  ShellOpen(window, path);
}

void CommandWeb(HWND window) {
  ShowStatusText("open.Web");
  char address[kValueMax];
  ProfileGetString("Web", address, kDefaultWebPage, "Def", sizeof address);
  LogWrite("Web:%s", address);
  ShellOpen(window, address);
}

void CommandMessage(LPARAM lParam) {
  const char* text = reinterpret_cast<const char*>(lParam);
  // The text is logged as text: it may carry percent signs of its own.
  LogWrite("%s", text ? text : "");
  SetDialogMessage(text);
  ShowMessageDialog(kModeMessage);
}

bool CommandInRanges(int id, LPARAM lParam) {
  (void)lParam;
  if (CameraCommand(id)) return true;
  if (CommandInRange(id, CMD_BFONT_FIRST, CMD_BFONT_LAST)) {
    ChooseBrailleFont(id - CMD_BFONT_FIRST);
    RebuildMenus();
    return true;
  }
  if (CommandInRange(id, CMD_TFONT_FIRST, CMD_TFONT_LAST)) {
    ChooseTextFont(id - CMD_TFONT_FIRST);
    RebuildMenus();
    return true;
  }
  if (CommandInRange(id, CMD_LANGUAGE_FIRST, CMD_LANGUAGE_LAST)) {
    ChooseLanguage(id - CMD_LANGUAGE_FIRST);
    return true;
  }
  if (CommandInRange(id, CMD_COM_FIRST, CMD_COM_LAST)) {
    CheckMenuEntry(Menus().port, kPortEntries, id - CMD_COM_FIRST);
    DeviceSelectPort(id - CMD_COM_FIRST);
    return true;
  }
  return false;
}

}  // namespace

void OnCommand(HWND window, WPARAM wParam, LPARAM lParam) {
  // A change of the text line goes to the device's braille line at once,
  // not at the next tick.
  if (lParam && reinterpret_cast<HWND>(lParam) == g_view.editWnd) {
    if (HIWORD(wParam) == EN_CHANGE) DeviceUpdateTextLine();
    return;
  }
  const int id = LOWORD(wParam);
  TraceMark(TraceStage::kCommandDispatched, id);
  if (CommandInRanges(id, lParam)) return;
  switch (id) {
    case CMD_OPEN: CommandOpen(window); break;
    case CMD_SAVE: CommandSave(window); break;
    case CMD_SAVEAS: CommandSaveAs(window); break;
    case CMD_DELETEALL: CommandDeleteAll(); break;
    case CMD_INVERT: CommandInvert(); break;
    case CMD_ACP: CommandAccept(); break;
    case CMD_BACK: CommandBack(); break;
    case CMD_CANCEL: CommandCancel(window, lParam); break;
    case CMD_OK:
    case CMD_LEFT:
    case CMD_RIGHT:
    case CMD_PIN: CursorCommand(id, lParam); break;
    case CMD_FOCUS_PAGE: FocusPlace(g_view.page); break;
    case CMD_CURSOR_BLINK: ToggleCursorBlink(); break;
    case CMD_TOOL_NEXT:
    case CMD_TOOL_NEXT2: ChangeTool(+1); break;
    case CMD_TOOL_PREV: ChangeTool(-1); break;
    case CMD_CONNECT: CommandConnect(); break;
    case CMD_SEND_PAGE: DeviceSendPage(); break;
    case CMD_AUTOSTART: CommandAutostart(); break;
    case CMD_REFRESH: CommandRefresh(lParam); break;
    case CMD_FOCUS_EDIT: RestoreFocus(); break;
    case IDM_REF: LogWrite("IDM_REF"); break;
    case ID_BRLNG_LIST:
    case ID_BRGRADE_LIST:
      if (HIWORD(wParam) == LBN_SELCHANGE || HIWORD(wParam) == LBN_DBLCLK || HIWORD(wParam) == LBN_SETFOCUS)
        BrailleListNotified(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
      break;
    case CMD_UP:
    case CMD_DOWN:
      if (!CursorCommand(id, lParam)) CommandUpDown(id == CMD_UP ? -1 : +1);
      break;
    case CMD_TAB: WalkFocus(+1); break;
    case CMD_BTAB: WalkFocus(-1); break;
    case CMD_FOCUS_LANG:
      LogWrite("IDM_ICON+5");
      FocusPlace(g_view.brLngWnd);
      break;
    case CMD_FOCUS_GRADE:
      LogWrite("IDM_ICON+6");
      FocusPlace(g_view.brGradeWnd);
      break;
    case CMD_FOCUS_GRAPHIC: FocusPlace(g_view.editWnd); break;
    case BUTTON0:
    case BUTTON1:
    case BUTTON2:
    case BUTTON3:
    case BUTTON4:
    case BUTTON5: CommandDeviceKey(id); break;
    case CMD_FLY:
      LogWrite("WM_COMMAND CMD_FLY");
      // The menu's entry for the screen view does what its hot key does.
      if (g_main.menuCommand) PostMessageA(window, WM_HOTKEY, CMD_FLY, 0);
      break;
    case CMD_OUTLINE: CommandPictureOutline(window); break;
    case CMD_SOUND: CommandSound(); break;
    case CMD_HELP: CommandHelp(window); break;
    case CMD_WEB: CommandWeb(window); break;
    case CMD_ABOUT:
      ShowStatusText("show.About");
      ShowAboutDialog(kAboutProgram);
      break;
    case CMD_INFO:
      ShowStatusText("show.Info");
      ShowAboutDialog(kAboutDevice);
      break;
    case CMD_MESSAGE: CommandMessage(lParam); break;
    case CMD_EXIT:
      LogWrite("CMD_EXIT:");
      SendMessageA(window, WM_CLOSE, 0, 0);
      break;
    default:
      // CMD_NEW, CMD_CAMRES, CMD_SHIFT_/ALT_PLUS/MINUS and unknown
      // identifiers do nothing (CMD_OK only on the page).
      break;
  }
}
