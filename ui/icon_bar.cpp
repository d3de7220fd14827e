#include "ui/icon_bar.h"

#include <commctrl.h>

#include <cstdio>

#include "base/commands.h"
#include "base/owners.h"
#include "base/settings.h"
#include "res/resource_ids.h"
#include "ui/main_layout.h"

namespace {

constexpr int kFirstIcon = IDI_PROGRAM;
constexpr int kLastIcon = IDI_FOCUS_MENU;
constexpr int kFrameWidth = 2;

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
  IconHandle& icon = Bar().icons[id - kFirstIcon][size == kLayoutIconSize ? 0 : 1];
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
void Place(HDC dc, const IconBarView& view, int id, const LayoutRect& at, int command, const char* key,
           const char* def) {
  const int x = at.left, y = at.top, size = at.Width();
  char text[kHoverTextMax];
  // language key from the callers of Place, argument 5
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
  const MainLayout layout = LayoutMain(view.columns, 0, view.pinSize, 0, 0);
  char toolKey[16];
  std::snprintf(toolKey, sizeof toolKey, "Pen%1d", view.tool);
  Place(dc.Get(), view, view.connected ? IDI_CONNECTED : IDI_NOT_CONNECTED, layout.connectIcon, CMD_CONNECT,
        "Icon.connect", "verbinden/trennen");
  Place(dc.Get(), view, IDI_BACK, layout.backIcon, CMD_BACK, "Icon.back", "R\374ckg\344ngig");
  Place(dc.Get(), view, IDI_ACCEPT, layout.acceptIcon, CMD_ACP, "Icon.uebernehmen", "\334bernehmen");
  // language keys: Pen{1..10}
  Place(dc.Get(), view, IDI_FIRST_TOOL - 1 + view.tool, layout.toolIcon, CMD_TOOL_NEXT, toolKey, "Pinsel");
  Place(dc.Get(), view, view.cameraOn ? IDI_CAMERA_ON : IDI_CAMERA_OFF, layout.cameraIcon, CMD_CAM_ONOFF,
        "Icon.cam_onoff", "Kamera ein/aus");
  if (bar.focusMarks) bar.focusMarks(bar.areas);
  Place(dc.Get(), view, IDI_SHAPE_BACK, layout.shapeBackIcon, CMD_TOOL_PREV, "A_Left", "Formenauswahl zur\374ck");
  Place(dc.Get(), view, IDI_SHAPE_FORWARD, layout.shapeForwardIcon, CMD_TOOL_NEXT2, "A_Right",
        "Formenauswahl vorw\344rts");
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
