#include "document/page_paint.h"

#include <cstring>
#include <memory>

#include "base/owners.h"
#include "base/ui_resources.h"

namespace {

// Set by the layout; nothing is painted before it.
int PinSize(const DotPage& page) { return page.pinSize; }

// What lies between the squares and the grid lines: the face of the static
// control the page is.
HBRUSH GapBrush() { return GetSysColorBrush(COLOR_BTNFACE); }

void Line(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

void Grid(HDC dc, int s, int columns, int rows) {
  // In high contrast the lines take the system's text colour.
  GdiObject<HPEN> system;
  if (SystemColorsInUse()) system.Reset(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT)));
  SelectGuard pen(dc, system ? static_cast<HGDIOBJ>(system.Get()) : GetStockObject(BLACK_PEN));
  for (int r = 0; r <= rows; ++r) Line(dc, 0, s * r, columns * s, s * r);
  for (int c = 0; c <= columns; ++c) Line(dc, s * c, 0, s * c, rows * s);
}

// The client area of a window in the coordinates of its window rectangle.
RECT ClientInWindow(HWND window) {
  RECT w, c;
  GetWindowRect(window, &w);
  GetClientRect(window, &c);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  OffsetRect(&c, origin.x - w.left, origin.y - w.top);
  return c;
}

// A bitmap the size of a window with a memory device context that holds it.
class Canvas {
 public:
  Canvas(HWND window, int width, int height) : width_(width), height_(height) {
    WindowDc screen(window);
    bitmap_.Reset(CreateCompatibleBitmap(screen.Get(), width, height));
    dc_ = std::make_unique<MemoryDc>(screen.Get());
    if (bitmap_ && dc_->Get()) select_ = std::make_unique<SelectGuard>(dc_->Get(), bitmap_.Get());
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas() {
    select_.reset();  // the bitmap leaves the context before either goes
    dc_.reset();
  }
  bool Ok() const { return select_ != nullptr; }
  HDC Dc() const { return dc_->Get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Copies the part `r` (window coordinates) onto the window's client area.
  void Blit(HWND window, RECT r) const {
    RECT client = ClientInWindow(window);
    if (!IntersectRect(&r, &r, &client)) return;
    WindowDc dc(window);
    if (!dc) return;
    BitBlt(dc.Get(), r.left - client.left, r.top - client.top, r.right - r.left, r.bottom - r.top, Dc(), r.left, r.top,
           SRCCOPY);
  }

 private:
  int width_;
  int height_;
  GdiObject<HBITMAP> bitmap_;
  std::unique_ptr<MemoryDc> dc_;
  std::unique_ptr<SelectGuard> select_;
};

RECT WindowSize(HWND window) {
  RECT w;
  GetWindowRect(window, &w);
  return RECT{0, 0, w.right - w.left, w.bottom - w.top};
}

// The page window's bitmap and the pin bytes it shows.
struct PageCanvas {
  HWND window = nullptr;
  int pinSize = 0;
  std::unique_ptr<Canvas> canvas;
  std::uint8_t shown[kPagePins] = {};
  bool pinsShown = false;       // every square shows the byte in `shown`
  int colors = -1;              // colour generation the squares were painted with
  RECT unshown = {0, 0, 0, 0};  // drawn into the bitmap, not yet on the screen
};

PageCanvas& ThePage() {
  static PageCanvas page;
  return page;
}

// The canvas of the page window, made (grid and gaps drawn) when the
// window, its size or the pin size changed.
PageCanvas* PageFor(HWND window, int s) {
  PageCanvas& p = ThePage();
  RECT size = WindowSize(window);
  if (p.window != window || p.pinSize != s || !p.canvas || p.canvas->Width() != size.right ||
      p.canvas->Height() != size.bottom) {
    p.canvas = std::make_unique<Canvas>(window, size.right, size.bottom);
    p.window = window;
    p.pinSize = s;
    p.pinsShown = false;
    if (!p.canvas->Ok()) return nullptr;
    FillRect(p.canvas->Dc(), &size, GapBrush());
    Grid(p.canvas->Dc(), s, kPageColumns, kPageRows);
  }
  if (p.colors != ColorGeneration()) {
    p.colors = ColorGeneration();
    p.pinsShown = false;
  }
  return p.canvas->Ok() ? &p : nullptr;
}

// Draws the pins that differ from what the canvas shows; returns the
// rectangle around them (empty when none).
RECT SyncPins(PageCanvas& p, const DotPage& page) {
  RECT dirty = {0, 0, 0, 0};
  const int s = p.pinSize;
  for (int y = 0; y < kPageRows; ++y) {
    for (int x = 0; x < kPageColumns; ++x) {
      const int i = y * kPageColumns + x;
      const std::uint8_t pin = page.pins[i];
      if (p.pinsShown && p.shown[i] == pin) continue;
      p.shown[i] = pin;
      RECT r = {s * x + 1, s * y + 1, s * x + s - 1, s * y + s - 1};
      if (s > 2) FillRect(p.canvas->Dc(), &r, PinBrush(pin));
      UnionRect(&dirty, &dirty, &r);
    }
  }
  p.pinsShown = true;
  return dirty;
}

// The text line's last painted pins, so that a refresh that changed
// nothing on it draws nothing.
struct TextLineShown {
  HWND window = nullptr;
  std::uint8_t pins[kTextPins] = {};
};

TextLineShown& LastTextLine() {
  static TextLineShown shown;
  return shown;
}

}  // namespace

HBRUSH PinBrush(std::uint8_t pin) {
  static constexpr ColorId kMarks[6] = {kColDotBlue,  kColDotYellow,  kColDotGreen,
                                        kColDotBrown, kColDotDarkRed, kColDotRed};
  const std::uint8_t marks = pin & 0xFC;
  if (marks) {
    for (int bit = 0; bit < 6; ++bit)
      if (marks == (0x04 << bit)) return ColorBrush(kMarks[bit]);
    return ColorBrush(kColDotGold);
  }
  static constexpr ColorId kLow[4] = {kColDotBack, kColDot, kColDotDarkBlue, kColDotGray};
  return ColorBrush(kLow[pin & 0x03]);
}

void PaintGrid(const DotPage& page, HWND pageWindow, HWND textWindow) {
  const int s = PinSize(page);
  if (pageWindow && s > 0) {
    if (PageCanvas* p = PageFor(pageWindow, s)) {
      Grid(p->canvas->Dc(), s, kPageColumns, kPageRows);
      SyncPins(*p, page);
      p->unshown = RECT{0, 0, 0, 0};
      p->canvas->Blit(pageWindow, WindowSize(pageWindow));
    }
  }
  if (textWindow) PaintTextLine(page, textWindow, true);
}

void PaintPins(const DotPage& page, HWND pageWindow) {
  const int s = PinSize(page);
  if (!pageWindow || s <= 0) return;
  PageCanvas* p = PageFor(pageWindow, s);
  if (!p) return;
  RECT dirty = SyncPins(*p, page);
  UnionRect(&dirty, &dirty, &p->unshown);
  p->unshown = RECT{0, 0, 0, 0};
  if (!IsRectEmpty(&dirty)) p->canvas->Blit(pageWindow, dirty);
}

void PaintPin(const DotPage& page, HWND pageWindow, int x, int y) {
  const int s = PinSize(page);
  if (!pageWindow || s <= 0 || !PinInRange(x, y)) return;
  PageCanvas* p = PageFor(pageWindow, s);
  if (!p) return;
  const int i = y * kPageColumns + x;
  p->shown[i] = page.pins[i];
  RECT r = {s * x + 1, s * y + 1, s * x + s - 1, s * y + s - 1};
  if (s > 2) FillRect(p->canvas->Dc(), &r, PinBrush(page.pins[i]));
  UnionRect(&p->unshown, &p->unshown, &r);
}

void PaintPageWindow(const DotPage& page, HWND pageWindow) {
  const int s = PinSize(page);
  if (!pageWindow || s <= 0) return;
  PageCanvas* p = PageFor(pageWindow, s);
  if (!p) return;
  SyncPins(*p, page);
  p->unshown = RECT{0, 0, 0, 0};
  p->canvas->Blit(pageWindow, WindowSize(pageWindow));
}

void PaintTextLine(const DotPage& page, HWND window, bool force) {
  const int s = PinSize(page);
  if (!window || s <= 0) return;
  TextLineShown& last = LastTextLine();
  if (!force && last.window == window && std::memcmp(last.pins, page.textPins, kTextPins) == 0) return;
  RECT size = WindowSize(window);
  Canvas canvas(window, size.right, size.bottom);
  if (!canvas.Ok()) return;
  FillRect(canvas.Dc(), &size, GapBrush());
  Grid(canvas.Dc(), s, kTextColumns, kTextRows);
  if (s > 4) {
    for (int r = 0; r < kTextRows; ++r) {
      for (int c = 0; c < kTextColumns; ++c) {
        RECT sq = {s * c + 2, s * r + 2, s * c + s - 2, s * r + s - 2};
        FillRect(canvas.Dc(), &sq, ColorBrush(page.textPins[r * kPageColumns + c] ? kColDot : kColDotBack));
      }
    }
  }
  canvas.Blit(window, size);
  last.window = window;
  std::memcpy(last.pins, page.textPins, kTextPins);
}

void PaintPinFrame(const DotPage& page, HWND pageWindow, int x, int y, HBRUSH brush) {
  const int s = PinSize(page);
  if (!pageWindow || s <= 0 || !PinInRange(x, y)) return;
  const RECT client = ClientInWindow(pageWindow);
  WindowDc dc(pageWindow);
  if (!dc) return;
  // On the grid lines around the square and one pixel into it.
  RECT r = {s * x - client.left, s * y - client.top, s * x + s + 1 - client.left, s * y + s + 1 - client.top};
  for (int ring = 0; ring < kPinFrameWidth; ++ring, InflateRect(&r, -1, -1)) FrameRect(dc.Get(), &r, brush);
}

void UnpaintPinFrame(const DotPage& page, HWND pageWindow, int x, int y) {
  const int s = PinSize(page);
  if (!pageWindow || s <= 0 || !PinInRange(x, y)) return;
  PageCanvas* p = PageFor(pageWindow, s);
  if (!p) return;
  p->canvas->Blit(pageWindow, RECT{s * x, s * y, s * x + s + 1, s * y + s + 1});
}

void ReleasePageCanvas() { ThePage().canvas.reset(); }
