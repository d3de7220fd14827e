#include "app/page_input.h"

#include <windowsx.h>

#include <cstdio>

#include "app/app_state.h"
#include "app/device_link.h"
#include "app/main_window.h"
#include "base/commands.h"
#include "base/log.h"
#include "base/owners.h"
#include "base/sound.h"
#include "base/text.h"
#include "base/ui_resources.h"
#include "document/page_paint.h"
#include "document/tools.h"
#include "ui/icon_bar.h"

namespace {

constexpr int kToolKeyMax = 16;

struct PointerState {
  int button = -1;             // device key highlighted under the pointer
  PagePoint shown = {-1, -1};  // pin whose position the status line shows
  bool tracking = false;       // WM_MOUSELEAVE asked for
};

// Somewhere no button or hint area is.
constexpr POINT kNowhere = {-32768, -32768};

PointerState& Pointer() {
  static PointerState state;
  return state;
}

POINT At(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

// A child window's rectangle in the main window's client area.
RECT ChildRect(HWND child) {
  RECT r = {0, 0, 0, 0};
  if (!child) return r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, g_app.mainWindow, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int ButtonAt(POINT p) {
  for (int i = 0; i < kDeviceButtons; ++i) {
    RECT r = ChildRect(g_view.buttons[i]);
    if (PtInRect(&r, p)) return i;
  }
  return -1;
}

int PinSize() { return g_page.pinSize > 0 ? g_page.pinSize : g_app.boxSize; }

// The position shown for a drag or a plain move waits until the program
// has nothing else to do (timer messages come last): a stroke's pins reach
// the device first, the status line follows within milliseconds.
struct PendingStatus {
  char key[kToolKeyMax] = "";
  PagePoint pin = {0, 0};
  UINT_PTR timer = 0;
};

PendingStatus& Pending() {
  static PendingStatus pending;
  return pending;
}

void CancelPendingStatus() {
  PendingStatus& p = Pending();
  if (p.timer) KillTimer(nullptr, p.timer);
  p.timer = 0;
}

void CALLBACK ShowPendingStatus(HWND, UINT, UINT_PTR, DWORD) {
  CancelPendingStatus();
  // language key from the callers of ShowPositionSoon, argument 0
  ShowStatusPos(Pending().key, Pending().pin.column, Pending().pin.row);
}

void ShowPositionSoon(const char* key, PagePoint pin) {
  PendingStatus& p = Pending();
  CopyText(p.key, sizeof p.key, key);
  p.pin = pin;
  if (!p.timer) p.timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, ShowPendingStatus);
  Pointer().shown = pin;
}

void ToolKey(char (&key)[kToolKeyMax]) { std::snprintf(key, sizeof key, "Pen%1d", g_tools.tool); }

// A press shows its position at once.
void ShowToolPosition(PagePoint pin) {
  CancelPendingStatus();
  char key[kToolKeyMax];
  ToolKey(key);
  // language keys: Pen{1..10}
  ShowStatusPos(key, pin.column, pin.row);
  Pointer().shown = pin;
}

IconBarView BarView(HWND window) {
  return IconBarView{window,       g_app.instance,           g_page.columns ? g_page.columns : kPageColumns,
                     PinSize(),    DeviceConnected(),        g_main.cameraViewActive,
                     g_tools.tool, ColorBrush(kColMainBack), ColorBrush(kColIcon)};
}

// ---- the floating text line -------------------------------------------------

LRESULT CALLBACK FlyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT) {
    { PaintDc paint(window); }
    PaintTextLine(g_page, window, true);
    return 0;
  }
  auto old = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_USERDATA));
  return CallWindowProcA(old, window, message, wParam, lParam);
}

// Opaque: a transparent window would not clip the page below it, which
// would paint over the copy.
void CreateFlyWindow(POINT p) {
  RECT text;
  GetWindowRect(g_view.txtwnd, &text);
  g_view.flyWnd =
      CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, p.x, p.y, text.right - text.left,
                      text.bottom - text.top, g_app.mainWindow, nullptr, g_app.instance, nullptr);
  if (!g_view.flyWnd) return;
  LONG_PTR old = SetWindowLongPtrA(g_view.flyWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FlyProc));
  SetWindowLongPtrA(g_view.flyWnd, GWLP_USERDATA, old);
  SetWindowPos(g_view.flyWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  PaintTextLine(g_page, g_view.flyWnd, true);
}

void MoveFlyWindow(POINT p) {
  SetWindowPos(g_view.flyWnd, HWND_TOP, p.x, p.y, 0, 0, SWP_NOSIZE);
  PaintTextLine(g_page, g_view.flyWnd, true);
}

// Division that rounds toward minus infinity: a copy lying left of or
// above the page stamps exactly where it is shown.
int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

void StampFlyWindow() {
  RECT fly, page;
  GetWindowRect(g_view.flyWnd, &fly);
  GetWindowRect(g_view.page, &page);
  const int s = PinSize();
  const int c0 = FloorDiv(fly.left - page.left + kPageOffset, s);
  const int r0 = FloorDiv(fly.top - page.top + kPageOffset, s);
  LogWrite("Stempel: %d %d", c0, r0);
  StampTextLine(g_page, c0, r0, MainPageObserver());
  DestroyWindow(g_view.flyWnd);
  g_view.flyWnd = nullptr;
  g_tools.skipCounter = kSkipAfterStamp;
}

bool OverTextLine(POINT p) {
  RECT r = ChildRect(g_view.txtwnd);
  return g_view.txtwnd && PtInRect(&r, p);
}

// ---- hover -------------------------------------------------------------------

void HoverButtons(POINT p) {
  PointerState& state = Pointer();
  const int i = ButtonAt(p);
  if (i == state.button) return;
  const int previous = state.button;
  state.button = i;
  // Painted at once: the key shows its frame (or loses it) now.
  constexpr UINT kNow = RDW_INVALIDATE | RDW_UPDATENOW;
  if (previous >= 0) RedrawWindow(g_view.buttons[previous], nullptr, nullptr, kNow);
  if (i >= 0) {
    RedrawWindow(g_view.buttons[i], nullptr, nullptr, kNow);
    CancelPendingStatus();
    ShowStatus(g_view.buttonHelp[i]);
  }
}

void HoverIcons(POINT p) {
  bool changed = false;
  const int i = HoverHintArea(BarView(g_app.mainWindow), p.x, p.y, changed);
  if (changed && i >= 0) {
    CancelPendingStatus();
    ShowStatus(HintAreas().area[i].text);
  }
}

}  // namespace

void OnLeftButtonDown(HWND window, WPARAM wParam, LPARAM lParam) {
  const POINT p = At(lParam);
  LogWrite("WM_LBUTTONDOWN: Y:%d X:%d wp:%d", static_cast<int>(p.y), static_cast<int>(p.x), static_cast<int>(wParam));
  const int button = ButtonAt(p);
  if (button >= 0) {
    PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(BUTTON0 + button), 0);
    return;
  }
  const int area = HoverAreaAt(HintAreas(), p.x, p.y);
  if (area >= 0) {
    PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(HintAreas().area[area].command), 0);
    return;
  }
  if (!(wParam & MK_LBUTTON) || ConsumeSkip(g_tools)) return;
  if (g_view.flyWnd) {
    StampFlyWindow();
    return;
  }
  if (OverTextLine(p)) {
    CreateFlyWindow(p);
    return;
  }
  PagePoint pin;
  if (!TakePressPin(g_tools, p.x, p.y, PinSize(), pin)) return;
  ShowToolPosition(pin);
  if (g_tools.tool != kToolEraser) PlayEventSound("Draw", kSoundStart);
  ToolPress(g_tools, g_page, pin, MainPageObserver());
  if (g_tools.tool == kToolFill) ShowStatusText("Fill");
}

void OnRightButtonDown(HWND window, WPARAM wParam, LPARAM lParam) {
  (void)window;
  const POINT p = At(lParam);
  LogWrite("WM_RBUTTONDOWN: Y:%d X:%d WP:%d", static_cast<int>(p.y), static_cast<int>(p.x), static_cast<int>(wParam));
  if (!(wParam & MK_RBUTTON) || g_main.cameraViewActive || ConsumeSkip(g_tools)) return;
  if (DropFlyWindow()) return;
  PagePoint pin;
  if (!TakePressPin(g_tools, p.x, p.y, PinSize(), pin)) return;
  ShowToolPosition(pin);
  ToolErase(g_page, pin, MainPageObserver());
}

void OnMouseMove(HWND window, WPARAM wParam, LPARAM lParam) {
  const POINT p = At(lParam);
  const bool left = (wParam & MK_LBUTTON) != 0, right = (wParam & MK_RBUTTON) != 0;
  PagePoint pin;
  const bool onPage = PointerToPin(p.x, p.y, PinSize(), pin);
  const bool newPin = onPage && (pin.column != Pointer().shown.column || pin.row != Pointer().shown.row);
  // The position first, also while the floating text line is carried: it
  // tells where the line will be stamped.
  if (g_view.flyWnd) {
    if (newPin) ShowPositionSoon("pos", pin);
    MoveFlyWindow(p);
    return;
  }
  if (!left && !right) {
    EndStroke(g_tools);
    if (newPin) ShowPositionSoon("pos", pin);
    HoverButtons(p);
    HoverIcons(p);
    if (!Pointer().tracking) {
      // Told when the pointer leaves, so that no highlight stays behind.
      TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, 0};
      Pointer().tracking = TrackMouseEvent(&track) != 0;
    }
    return;
  }
  if (ConsumeSkip(g_tools)) return;
  PagePoint from;
  if (!TakeDragPin(g_tools, p.x, p.y, PinSize(), pin, from)) return;
  char key[kToolKeyMax];
  ToolKey(key);
  // language keys: Pen{1..10}
  ShowPositionSoon(key, pin);
  ToolDrag(g_tools, g_page, from, pin, left, MainPageObserver());
}

void OnMouseLeave() {
  Pointer().tracking = false;
  HoverButtons(kNowhere);
  HoverIcons(kNowhere);
}

bool DropFlyWindow() {
  if (!g_view.flyWnd) return false;
  DestroyWindow(g_view.flyWnd);
  g_view.flyWnd = nullptr;
  g_tools.skipCounter = kSkipAfterDrop;
  return true;
}

int HighlightedButton() { return Pointer().button; }

void DrawMainIconBar(HWND window) {
  DrawIconBar(BarView(window));
  ShowInfoPanel();
}

void ChangeTool(int step) {
  PlayEventSound("klick", kSoundStart);
  g_tools.tool = step > 0 ? ToolNext(g_tools.tool) : ToolPrevious(g_tools.tool);
  DrawMainIconBar(g_app.mainWindow);
  char key[kToolKeyMax];
  ToolKey(key);
  CancelPendingStatus();
  // language keys: Pen{1..10}
  ShowStatusText(key);
}
