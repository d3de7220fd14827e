#include "ui/dialogs.h"

#include <cstdio>
#include <cstring>

#include "base/commands.h"
#include "base/hotkeys.h"
#include "base/library_files.h"
#include "base/log.h"
#include "base/owners.h"
#include "base/settings.h"
#include "base/sound.h"
#include "base/text.h"
#include "base/textformat.h"
#include "res/resource_ids.h"
#include "ui/button_draw.h"

namespace {

// Height of the program name in the title strip, and the shadow colour.
constexpr int kHeadFontHeight = 40;
constexpr COLORREF kHeadShadow = RGB(0, 0, 0x37);

struct DialogState {
  HWND mainWindow = nullptr;
  DialogSources sources{};
  MessageMode mode = kModeMessage;  // message dialog mode
  bool open = false;                // a message dialog runs
  AboutMode aboutMode = kAboutProgram;
  char message[kMessageTextMax + 1] = "";  // text of mode 408
};

DialogState& State() {
  static DialogState state;
  return state;
}

// Text and background colour and a brush of one colour name.
class ColorSet {
 public:
  explicit ColorSet(const char* name)
      : text_(GetColorText(name)), back_(GetColorBack(name)), brush_(CreateColorBrush(name)) {}
  ColorSet(const ColorSet&) = delete;
  ColorSet& operator=(const ColorSet&) = delete;
  // For WM_CTLCOLOR*: colours into the device context, the brush back.
  INT_PTR Apply(HDC dc) const {
    SetTextColor(dc, text_);
    SetBkColor(dc, back_);
    return reinterpret_cast<INT_PTR>(brush_.Get());
  }
  COLORREF Text() const { return text_; }
  HBRUSH Brush() const { return brush_.Get(); }

 private:
  COLORREF text_;
  COLORREF back_;
  GdiObject<HBRUSH> brush_;
};

// What one running dialog paints with; lives on the stack of the Show
// function for as long as the dialog runs.
struct DialogRecord {
  ColorSet dlg{"Dlg"};
  ColorSet statics{"Static"};
  ColorSet buttons{"BTN"};
  ButtonResources buttonLook;
  HWND previousTarget = nullptr;  // key receiver before this dialog
  bool previousOpen = false;      // dialog-open flag before this dialog
  bool finished = false;
  WNDPROC areaProc = nullptr;  // the message area's own procedure
  char text[kMessageTextMax + 1] = "";
};

DialogRecord* Record(HWND dialog) { return reinterpret_cast<DialogRecord*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

// Paints the message text into the message area: the dialog brush, the
// text centred 20 pixels below the top, in the dialog's font and colour.
LRESULT CALLBACK MessageAreaProc(HWND area, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND dialog = GetParent(area);
  DialogRecord* rec = Record(dialog);
  if (!rec) return DefWindowProcA(area, message, wParam, lParam);
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT) {
    PaintDc paint(area);
    RECT r;
    GetClientRect(area, &r);
    FillRect(paint.Get(), &r, rec->dlg.Brush());
    r.top += 20;
    SetBkMode(paint.Get(), TRANSPARENT);
    SetTextColor(paint.Get(), rec->dlg.Text());
    SelectGuard font(paint.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    DrawTextA(paint.Get(), rec->text, -1, &r, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    return 0;
  }
  return CallWindowProcA(rec->areaProc, area, message, wParam, lParam);
}

// The text of a mode, escapes expanded.
void BuildMessageText(MessageMode mode, char (&out)[kMessageTextMax + 1]) {
  DialogState& s = State();
  char format[kValueMax] = "";
  char title[kValueMax] = "";
  const char* argument = "";
  out[0] = '\0';
  switch (mode) {
    case kModeFileNotSaved: {
      GetText("FileNotSaved", format, "(%s)\\n", sizeof format);
      const char* file = s.sources.fileTitle ? s.sources.fileTitle() : nullptr;
      if (file && file[0]) {
        CopyText(title, sizeof title, file);
      } else {
        GetText("unknown", title, "unbekannt", sizeof title);
      }
      argument = title;
      break;
    }
    case kModeLouisMissing:
      GetText("LouisLoadErr", format, "%s\\n", sizeof format);
      argument = kLouisLibraryFile;
      break;
    case kModeCaptureMissing:
      GetText("LCLoadErr", format, "%s\\n", sizeof format);
      argument = kCaptureLibraryFile;
      break;
    case kModeMessage: CopyText(out, sizeof out, s.message); break;
    default: break;
  }
  if (format[0]) {
    FormatArg arg = TextArg(argument);
    FormatUserText(out, sizeof out, format, &arg, 1);
  }
  UnescapeText(out, kMessageTextMax);
  out[kMessageTextMax] = '\0';
}

// The captions of the owner-drawn buttons in the templates are keys of the
// language section: each button takes its text when the dialog starts, so
// that it is shown and read out in the interface language.
void TranslateButtons(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[16] = "";
    GetClassNameA(child, cls, sizeof cls);
    const bool ownerDrawn = (GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
    if (lstrcmpiA(cls, "Button") != 0 || !ownerDrawn || GetDlgCtrlID(child) == IDC_HEAD) continue;
    char caption[kButtonCaptionMax] = "", text[kButtonCaptionMax] = "";
    GetWindowTextA(child, caption, sizeof caption);
    if (!caption[0]) continue;
    // language keys: @dialog-buttons
    GetText(caption, text, caption, sizeof text);
    SetWindowTextA(child, text);
  }
}

void FocusControl(HWND dialog, int id) {
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

// The control of the dialog under a client point, or null.
int ControlAt(HWND dialog, LPARAM lParam) {
  POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  HWND child = ChildWindowFromPoint(dialog, p);
  return (child && child != dialog) ? GetDlgCtrlID(child) : 0;
}

void FinishSelect(HWND dialog, int result) {
  DialogRecord* rec = Record(dialog);
  if (!rec || rec->finished) return;
  rec->finished = true;
  DialogState& s = State();
  EndDialog(dialog, result);
  // The receiver and the flag this dialog found: the main window and clear,
  // or an outer dialog that keeps its keys.
  SetKeyTarget(rec->previousTarget ? rec->previousTarget : s.mainWindow);
  LogWrite(result ? "SelectProc WM_CLOSE TRUE" : "SelectProc WM_CLOSE FALSE");
  PostMessageA(s.mainWindow, WM_COMMAND, IDM_REF, 0);
  s.open = rec->previousOpen;
}

void FinishAbout(HWND dialog) {
  DialogRecord* rec = Record(dialog);
  if (!rec || rec->finished) return;
  rec->finished = true;
  EndDialog(dialog, IDOK);
  SetKeyTarget(rec->previousTarget ? rec->previousTarget : State().mainWindow);
  LogWrite("ConfigProc WM_CLOSE");
  PostMessageA(State().mainWindow, WM_COMMAND, IDM_REF, 0);
}

// Messages both dialogs handle alike; true when handled, with the result.
bool CommonMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  DialogRecord* rec = Record(dialog);
  switch (message) {
    case kHookKeyMessage:
      FindKey(dialog, static_cast<int>(wParam));
      *result = TRUE;
      return true;
    case WM_CLOSE:  // the close box confirms
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
      *result = TRUE;
      return true;
    case WM_PAINT:
      SetForegroundWindow(dialog);
      *result = FALSE;
      return true;
    case WM_CTLCOLORDLG:
      if (!rec) return false;
      *result = rec->dlg.Apply(reinterpret_cast<HDC>(wParam));
      return true;
    case WM_CTLCOLORSTATIC:
      if (!rec) return false;
      *result = rec->statics.Apply(reinterpret_cast<HDC>(wParam));
      return true;
    case WM_CTLCOLORBTN:
      if (!rec) return false;
      *result = rec->buttons.Apply(reinterpret_cast<HDC>(wParam));
      return true;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (!rec || !item || item->CtlType != ODT_BUTTON) return false;
      if (item->CtlID == IDC_HEAD) {
        DrawHead(*item);
      } else {
        DrawOwnerButton(*item, rec->buttonLook.Look());
      }
      *result = TRUE;
      return true;
    }
    default: return false;
  }
}

INT_PTR SelectInit(HWND dialog, LPARAM lParam) {
  DialogState& s = State();
  auto* rec = reinterpret_cast<DialogRecord*>(lParam);
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(rec));
  LogWrite("WM_InitDIALOG SelectProc %d", s.open ? 1 : 0);
  rec->previousOpen = s.open;
  rec->previousTarget = KeyTarget();
  if (!s.open) {
    PlayEventSound("Hint", kSoundStart);
    SetKeyTarget(dialog);
  }
  TranslateButtons(dialog);
  HWND area = GetDlgItem(dialog, IDC_MESSAGE);
  if (area)
    rec->areaProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(area, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MessageAreaProc)));
  PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(s.mode), 0);
  s.open = true;
  return TRUE;
}

void SelectShowText(HWND dialog, MessageMode mode) {
  DialogRecord* rec = Record(dialog);
  if (!rec) return;
  BuildMessageText(mode, rec->text);
  HWND area = GetDlgItem(dialog, IDC_MESSAGE);
  SetWindowTextA(area, rec->text);
  InvalidateRect(area, nullptr, TRUE);
  UpdateWindow(area);
  FocusControl(dialog, IDOK);
}

INT_PTR AboutInit(HWND dialog, LPARAM lParam) {
  DialogState& s = State();
  auto* rec = reinterpret_cast<DialogRecord*>(lParam);
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(rec));
  LogWrite("ConfigProc");
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HICON icon = LoadIconA(instance, "PROGRAMICON");  // shared: never destroyed
  if (icon) {
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  }
  rec->previousTarget = KeyTarget();
  SetKeyTarget(dialog);
  TranslateButtons(dialog);
  RECT client;
  GetClientRect(dialog, &client);
  int x = (GetSystemMetrics(SM_CXFULLSCREEN) - client.right) / 4 + 20;
  int y = (GetSystemMetrics(SM_CYFULLSCREEN) - client.bottom) / 2;
  MoveWindow(dialog, x, y, client.right, client.bottom, TRUE);

  char version[kValueMax];
  AboutVersionLine(version, sizeof version);
  SetDlgItemTextA(dialog, IDC_VERSION, version);

  char text[kAboutTextMax + 1] = "";
  char format[kValueMax] = "";
  if (s.aboutMode == kAboutProgram) {
    GetText("About.msg", text, "", sizeof text);
  } else {
    GetText("Info.msg", format, "", sizeof format);
    DeviceInfoText device{"", "", 0};
    if (s.sources.deviceInfo) device = s.sources.deviceInfo();
    const FormatArg args[] = {TextArg(device.name), TextArg(device.version), IntArg(device.port)};
    FormatUserText(text, sizeof text, format, args, sizeof args / sizeof args[0]);
  }
  UnescapeText(text, kAboutTextMax);
  text[kAboutTextMax] = '\0';
  SetDlgItemTextA(dialog, IDC_ABOUT_TEXT, text);
  ShowWindow(dialog, SW_SHOW);
  FocusControl(dialog, IDOK);
  return FALSE;  // the focus is set
}

}  // namespace

void DialogsInit(HWND mainWindow, const DialogSources& sources) {
  State().mainWindow = mainWindow;
  State().sources = sources;
}

void SetDialogMessage(const char* text) { CopyText(State().message, sizeof State().message, text ? text : ""); }

bool MessageDialogOpen() { return State().open; }

int ShowMessageDialog(MessageMode mode) {
  DialogState& s = State();
  s.mode = mode;
  LogWrite("ConfigSelect %d %d", mode, s.open ? 1 : 0);
  DialogRecord rec;
  INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DIALOGSELECT), s.mainWindow,
                                   SelectProc, reinterpret_cast<LPARAM>(&rec));
  if (result <= 0 && !rec.finished) {
    LogWrite("Err: Dialog %d nicht erstellt %lu", mode, static_cast<unsigned long>(GetLastError()));
  }
  return result == 1 ? 1 : 0;
}

void ShowAboutDialog(AboutMode mode) {
  DialogState& s = State();
  s.aboutMode = mode;
  DialogRecord rec;
  INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DIALOGABOUT), s.mainWindow,
                                   ConfigProc, reinterpret_cast<LPARAM>(&rec));
  if (result <= 0) LogWrite("Err: Dialog About nicht erstellt %lu", static_cast<unsigned long>(GetLastError()));
}

INT_PTR CALLBACK SelectProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return SelectInit(dialog, lParam);
  INT_PTR result = FALSE;
  if (CommonMessage(dialog, message, wParam, lParam, &result)) return result;
  switch (message) {
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id >= kModeFileNotSaved && id <= kModeMessage) {
        SelectShowText(dialog, static_cast<MessageMode>(id));
      } else if (id == IDOK || id == CMD_OK) {
        FinishSelect(dialog, 1);
      } else if (id == IDCANCEL || id == CMD_CANCEL) {
        FinishSelect(dialog, 0);
      } else if (id == CMD_TAB) {
        bool onOkay = GetFocus() == GetDlgItem(dialog, IDOK);
        FocusControl(dialog, onOkay ? IDCANCEL : IDOK);
      }
      return TRUE;
    }
    case WM_MOUSEMOVE:
      if (wParam & MK_LBUTTON) {
        LogWrite("HS:WM_MOUSEMOVE");
        if (ControlAt(dialog, lParam) == IDOK) PostMessageA(dialog, WM_COMMAND, CMD_OK, 0);
      }
      return TRUE;
    case WM_LBUTTONDBLCLK: {
      LogWrite("HS:WM_LBUTTONDBLCLK");
      int id = ControlAt(dialog, lParam);
      if (id == IDOK) PostMessageA(dialog, WM_COMMAND, CMD_OK, 0);
      if (id == IDCANCEL) PostMessageA(dialog, WM_COMMAND, CMD_CANCEL, 0);
      return TRUE;
    }
    default: return FALSE;
  }
}

INT_PTR CALLBACK ConfigProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return AboutInit(dialog, lParam);
  INT_PTR result = FALSE;
  if (CommonMessage(dialog, message, wParam, lParam, &result)) return result;
  if (message == WM_COMMAND) {
    int id = LOWORD(wParam);
    // Escape (IDCANCEL) closes the about dialog as well: it has nothing to
    // cancel.
    if (id == IDOK || id == IDCANCEL || id == CMD_OK || id == CMD_CANCEL) FinishAbout(dialog);
    return TRUE;
  }
  return FALSE;
}

void DrawHead(const DRAWITEMSTRUCT& item) {
  if (!(item.itemAction & ODA_DRAWENTIRE)) return;
  LogWrite("DrawHead");
  HDC dc = item.hDC;
  const RECT& r = item.rcItem;
  GdiObject<HBRUSH> title(CreateColorBrush("title"));
  GdiObject<HBRUSH> border(CreateColorBrush("Edit.Rand"));
  FillRect(dc, &r, title.Get());
  RECT edges[] = {{r.left, r.top, r.right, r.top + 5},
                  {r.left, r.bottom - 5, r.right, r.bottom},
                  {r.left, r.top, r.left + 6, r.bottom},
                  {r.right - 6, r.top, r.right, r.bottom}};
  for (const RECT& e : edges) FillRect(dc, &e, border.Get());

  char name[kValueMax];
  GetText("About", name, "RelivoX", sizeof name);
  GdiObject<HFONT> font(CreateFontA(kHeadFontHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Tahoma"));
  SelectGuard selected(dc, font.Get());
  SetBkMode(dc, TRANSPARENT);
  RECT text = r;
  text.top += 5;
  SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
  DrawTextA(dc, name, -1, &text, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
  text.left += 30;
  text.top += 15;
  SetTextColor(dc, kHeadShadow);
  DrawTextA(dc, name, -1, &text, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);

  int side = (r.bottom - r.top) - 14;
  if (side > 0) {
    auto icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
    if (icon) {
      DrawIconEx(dc, r.left + 5, r.top + 5, icon, side, side, 0, nullptr, DI_NORMAL);
      DestroyIcon(icon);
    }
  }
}

void AboutVersionLine(char* out, int size) {
  // The build date as "Jan 19 2026": the compiler pads a one-digit day
  // with a space, which is dropped here.
  char date[16] = "";
  const char* d = __DATE__;
  std::size_t n = 0;
  for (std::size_t i = 0; d[i] && n + 1 < sizeof date; ++i) {
    if (d[i] == ' ' && n > 0 && date[n - 1] == ' ') continue;
    date[n++] = d[i];
  }
  date[n] = '\0';
  std::snprintf(out, static_cast<std::size_t>(size), "Relivo X Win %s / %s", kProgramVersion, date);
}
