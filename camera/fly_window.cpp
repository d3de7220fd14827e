#include "camera/fly_window.h"

#include "base/owners.h"
#include "camera/view_model.h"

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
    FillRect(paint.Get(), &r, rim.Get());
    return 0;
  }
  if (message == WM_NCHITTEST) return HTTRANSPARENT;
  return DefWindowProcA(window, message, wParam, lParam);
}

// The window is only its rim: the inside is cut out of its region, so the
// window never covers what lies under it.
void CutOutInside(HWND fly, int width, int height) {
  HRGN rim = CreateRectRgn(0, 0, width, height);
  HRGN inside = CreateRectRgn(kFlyRim, kFlyRim, width - kFlyRim, height - kFlyRim);
  if (rim && inside) CombineRgn(rim, rim, inside, RGN_DIFF);
  if (inside) DeleteObject(inside);
  // The window owns the region from here on.
  if (rim && !SetWindowRgn(fly, rim, TRUE)) DeleteObject(rim);
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
  SetLayeredWindowAttributes(fly, 0, look.alpha, LWA_ALPHA);
  CutOutInside(fly, area.width + 2 * kFlyRim, area.height + 2 * kFlyRim);
  ShowWindow(fly, SW_SHOWNOACTIVATE);
  return fly;
}

void MoveFlyWindow(HWND fly, const FlyArea& area) {
  if (!fly) return;
  RECT now;
  GetWindowRect(fly, &now);
  const int width = area.width + 2 * kFlyRim, height = area.height + 2 * kFlyRim;
  if (now.right - now.left != width || now.bottom - now.top != height) CutOutInside(fly, width, height);
  SetWindowPos(fly, nullptr, area.x - kFlyRim, area.y - kFlyRim, area.width + 2 * kFlyRim, area.height + 2 * kFlyRim,
               SWP_NOACTIVATE | SWP_NOZORDER);
}

FlyArea FlyAreaAt(POINT pointer, int factor) {
  const int width = kFlyUnitWidth * factor, height = kFlyUnitHeight * factor;
  return FlyArea{pointer.x - width / 2, pointer.y - height / 2, width, height};
}
