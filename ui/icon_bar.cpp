#include "ui/icon_bar.h"

#include <commctrl.h>

#include <cstdio>

#include "base/commands.h"
#include "base/owners.h"
#include "base/settings.h"

namespace {

constexpr int kFirstIcon = 100;
constexpr int kLastIcon = 122;
constexpr int kFrameWidth = 2;
constexpr int kCameraAreaGap = 150;  // the camera area starts 61 pins + 150 pixels from the left

struct IconBar {
  IconHandle icons[kLastIcon - kFirstIcon + 1][2];  // large and small
  HoverAreas areas;
  HintAreaRegistrar focusMarks = nullptr;
  int framed = -1;          // hint area under the pointer
  HWND tooltips = nullptr;  // owned by the window it belongs to
  int tools = 0;            // tools registered with it, ids 0 .. tools - 1
};

IconBar& Bar() {
  static IconBar bar;
  return bar;
}

HICON Icon(HINSTANCE instance, int id, int size) {
  if (id < kFirstIcon || id > kLastIcon) return nullptr;
  IconHandle& icon = Bar().icons[id - kFirstIcon][size == kIconSize ? 0 : 1];
  if (!icon)
    icon.Reset(static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
  return icon.Get();
}

RECT AreaRect(const HoverArea& a, int grow) {
  return RECT{a.left - grow, a.top - grow, a.right + grow, a.bottom + grow};
}

void Frame(HDC dc, const HoverArea& a, HBRUSH brush) {
  for (int i = 1; i <= kFrameWidth; ++i) {
    RECT r = AreaRect(a, i);
    FrameRect(dc, &r, brush);
  }
}

// One icon: the background under it, the icon, and its hint area.
void Place(HDC dc, const IconBarView& view, int id, int x, int y, int size, int command, const char* key,
           const char* def) {
  char text[kHoverTextMax];
  GetText(key, text, def, sizeof text);
  HoverAreas& areas = Bar().areas;
  if (!AddHoverArea(areas, x, y, size, command, text)) return;
  RECT r = AreaRect(areas.area[areas.count - 1], kFrameWidth);
  FillRect(dc, &r, view.background);
  HICON icon = Icon(view.instance, id, size);
  if (icon) DrawIconEx(dc, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
}

// Every hint area is also a tool of a tooltip control: its text is the
// area's accessible name, and a screen reader reads it out.
void SyncTooltips(IconBar& bar, HWND window) {
  if (!bar.tooltips || GetParent(bar.tooltips) != window) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    bar.tools = 0;
    bar.tooltips =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, nullptr, nullptr);
    if (!bar.tooltips) return;
  }
  TTTOOLINFOA tool = {};
  tool.cbSize = sizeof tool;
  tool.hwnd = window;
  for (int i = 0; i < bar.tools; ++i) {
    tool.uId = static_cast<UINT_PTR>(i);
    SendMessageA(bar.tooltips, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  bar.tools = bar.areas.count;
  for (int i = 0; i < bar.areas.count; ++i) {
    HoverArea& a = bar.areas.area[i];
    tool = TTTOOLINFOA{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = static_cast<UINT_PTR>(i);
    tool.rect = RECT{a.left, a.top, a.right, a.bottom};
    tool.lpszText = a.text;
    SendMessageA(bar.tooltips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

}  // namespace

void SetFocusMarkRegistrar(HintAreaRegistrar registrar) { Bar().focusMarks = registrar; }

HoverAreas& HintAreas() { return Bar().areas; }

void DrawIconBar(const IconBarView& view) {
  IconBar& bar = Bar();
  ClearHoverAreas(bar.areas);
  if (!view.window) return;
  WindowDc dc(view.window);
  if (!dc) return;
  const int c = view.columns * view.pinSize;
  const int a = 61 * view.pinSize + kCameraAreaGap;
  const int x0 = c + (a - c - kIconSize) / 2;
  char toolKey[16];
  std::snprintf(toolKey, sizeof toolKey, "Pen%1d", view.tool);
  Place(dc.Get(), view, view.connected ? kIconConnected : kIconNotConnected, x0 - 38, 150, kIconSize, CMD_CONNECT,
        "Icon.connect", "verbinden/trennen");
  Place(dc.Get(), view, kIconBack, x0 - 38, 218, kIconSize, CMD_BACK, "Icon.back",
        "R\xfc"
        "ckg\xe4ngig");
  Place(dc.Get(), view, kIconAccept, x0 + 30, 218, kIconSize, CMD_ACP, "Icon.uebernehmen",
        "\xdc"
        "bernehmen");
  Place(dc.Get(), view, kIconFirstTool - 1 + view.tool, x0, 286, kIconSize, CMD_TOOL_NEXT, toolKey, "Pinsel");
  Place(dc.Get(), view, view.cameraOn ? kIconCameraOn : kIconCameraOff, x0 + 30, 150, kIconSize, CMD_CAM_ONOFF,
        "Icon.cam_onoff", "Kamera ein/aus");
  if (bar.focusMarks) bar.focusMarks(bar.areas);
  Place(dc.Get(), view, kIconArrowLeft, x0 - 32, 318, kSmallIconSize, CMD_TOOL_PREV, "A_Left",
        "Formenauswahl zur\xfc"
        "ck");
  Place(dc.Get(), view, kIconArrowRight, x0 + 64, 318, kSmallIconSize, CMD_TOOL_NEXT2, "A_Right",
        "Formenauswahl vorw\xe4rts");
  SyncTooltips(bar, view.window);
  if (bar.framed >= bar.areas.count) bar.framed = -1;
  if (bar.framed >= 0) Frame(dc.Get(), bar.areas.area[bar.framed], view.frame);
}

int HoverHintArea(const IconBarView& view, int x, int y, bool& changed) {
  IconBar& bar = Bar();
  const int index = HoverAreaAt(bar.areas, x, y);
  changed = index != bar.framed;
  if (!changed) return index;
  WindowDc dc(view.window);
  if (dc) {
    if (bar.framed >= 0 && bar.framed < bar.areas.count) Frame(dc.Get(), bar.areas.area[bar.framed], view.background);
    if (index >= 0) Frame(dc.Get(), bar.areas.area[index], view.frame);
  }
  bar.framed = index;
  return index;
}
