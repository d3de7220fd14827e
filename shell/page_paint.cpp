#include "shell/page_paint.h"

#include "shell/app_state.h"
#include "shell/scoped_win.h"
#include "shell/ui_resources.h"

namespace {

void DrawLine(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

void FillSquare(HDC dc, int x, int y, int size, HBRUSH brush) {
  if (size <= 0) return;
  RECT r = {x, y, x + size, y + size};
  FillRect(dc, &r, brush);
}

int PinSize(const DotPage& page) { return page.pinSize > 0 ? page.pinSize : g_app.boxSize; }

void PaintTextGrid(const DotPage& page, HDC dc) {
  int s = PinSize(page);
  SelectGuard pen(dc, GetStockObject(BLACK_PEN));
  for (int r = 0; r <= kTextRows; ++r) DrawLine(dc, 0, s * r, kTextColumns * s, s * r);
  for (int c = 0; c <= kTextColumns; ++c) DrawLine(dc, s * c, 0, s * c, kTextRows * s);
}

void PaintTextPins(const DotPage& page, HDC dc) {
  int s = PinSize(page);
  for (int r = 0; r < kTextRows; ++r)
    for (int c = 0; c < kTextColumns; ++c)
      FillSquare(dc, s * c + 2, s * r + 2, s - 4,
                 ColorBrush(page.textPins[r * kPageColumns + c] ? kColDot : kColDotBack));
}

}  // namespace

HBRUSH PinBrush(std::uint8_t pin) {
  static constexpr ColorId kMarks[6] = {kColDotBlue,  kColDotYellow,  kColDotGreen,
                                        kColDotBrown, kColDotDarkRed, kColDotRed};
  std::uint8_t marks = pin & 0xFC;
  if (marks) {
    for (int bit = 0; bit < 6; ++bit)
      if (marks == (0x04 << bit)) return ColorBrush(kMarks[bit]);
    return ColorBrush(kColDotGold);
  }
  static constexpr ColorId kLow[4] = {kColDotBack, kColDot, kColDotDarkBlue, kColDotGray};
  return ColorBrush(kLow[pin & 0x03]);
}

void PaintGrid(const DotPage& page, HWND pageWindow, HWND textWindow) {
  if (pageWindow) {
    WindowDc dc(pageWindow);
    if (dc) {
      int s = PinSize(page);
      SelectGuard pen(dc.Get(), GetStockObject(BLACK_PEN));
      for (int r = 0; r <= kPageRows; ++r) DrawLine(dc.Get(), 0, s * r, kPageColumns * s, s * r);
      for (int c = 0; c <= kPageColumns; ++c) DrawLine(dc.Get(), s * c, 0, s * c, kPageRows * s);
    }
  }
  if (textWindow) {
    WindowDc dc(textWindow);
    if (dc) PaintTextGrid(page, dc.Get());
  }
}

void PaintPins(const DotPage& page, HWND pageWindow) {
  if (!pageWindow) return;
  WindowDc dc(pageWindow);
  if (!dc) return;
  int s = PinSize(page);
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x) FillSquare(dc.Get(), s * x + 1, s * y + 1, s - 2, PinBrush(Pin(page, x, y)));
}

void PaintPin(const DotPage& page, HWND pageWindow, int x, int y) {
  if (!pageWindow || !PinInRange(x, y)) return;
  WindowDc dc(pageWindow);
  if (!dc) return;
  int s = PinSize(page);
  FillSquare(dc.Get(), s * x + 1, s * y + 1, s - 2, PinBrush(Pin(page, x, y)));
}

void PaintTextLine(const DotPage& page, HWND window) {
  if (!window) return;
  WindowDc dc(window);
  if (!dc) return;
  PaintTextGrid(page, dc.Get());
  PaintTextPins(page, dc.Get());
}
