#include "camera/fly_window.h"

#include "camera/view_model.h"
#include "shell/scoped_win.h"

namespace {

constexpr char kFlyClass[] = "RelivoFly";
constexpr COLORREF kRimColour = RGB(0, 0, 128);

LRESULT CALLBACK FlyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT) {
    PaintDc paint(window);
    RECT r;
    GetClientRect(window, &r);
    GdiObject<HBRUSH> rim(CreateSolidBrush(kRimColour));
    GdiObject<HBRUSH> inside(CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrA(window, GWLP_USERDATA))));
    FillRect(paint.Get(), &r, rim.Get());
    InflateRect(&r, -kFlyRim, -kFlyRim);
    FillRect(paint.Get(), &r, inside.Get());
    return 0;
  }
  if (message == WM_NCHITTEST) return HTTRANSPARENT;
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterFlyClass(HINSTANCE instance) {
  WNDCLASSA existing;
  if (GetClassInfoA(instance, kFlyClass, &existing)) return true;
  WNDCLASSA cls = {};
  cls.lpfnWndProc = FlyProc;
  cls.hInstance = instance;
  cls.lpszClassName = kFlyClass;
  return RegisterClassA(&cls) != 0;
}

}  // namespace

HWND CreateFlyWindow(HWND owner, HINSTANCE instance, const FlyArea& area, const FlyLook& look) {
  if (!RegisterFlyClass(instance)) return nullptr;
  DWORD exStyle = WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  if (look.topmost) exStyle |= WS_EX_TOPMOST;
  HWND fly = CreateWindowExA(exStyle, kFlyClass, "", WS_POPUP, area.x - kFlyRim, area.y - kFlyRim,
                             area.width + 2 * kFlyRim, area.height + 2 * kFlyRim, owner, nullptr, instance, nullptr);
  if (!fly) return nullptr;
  SetWindowLongPtrA(fly, GWLP_USERDATA, static_cast<LONG_PTR>(look.key));
  SetLayeredWindowAttributes(fly, look.key, look.alpha, LWA_COLORKEY | LWA_ALPHA);
  ShowWindow(fly, SW_SHOWNOACTIVATE);
  return fly;
}

void MoveFlyWindow(HWND fly, const FlyArea& area) {
  if (!fly) return;
  SetWindowPos(fly, nullptr, area.x - kFlyRim, area.y - kFlyRim, area.width + 2 * kFlyRim, area.height + 2 * kFlyRim,
               SWP_NOACTIVATE | SWP_NOZORDER);
}

FlyArea FlyAreaAt(POINT pointer, int factor) {
  const int width = kFlyUnitWidth * factor, height = kFlyUnitHeight * factor;
  return FlyArea{pointer.x - width / 2, pointer.y - height / 2, width, height};
}
