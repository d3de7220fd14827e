#include "document/tools.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr int kPointerWrap = 65536;  // pointer coordinates are 16-bit
constexpr float kTwoPi = 6.28318f;
constexpr double kCircleStep = 0.001;

void Plot(DotPage& page, int x, int y) {
  if (PinInRange(x, y)) Pin(page, x, y) |= kPinNewest;
}

bool Reachable(int v) { return v > -kLineReach && v < kLineReach; }

bool IsShapeTool(int tool) { return tool >= kToolLine && tool <= kToolCircle; }

// The pins of a digital line between two pins, in 32-bit floats: the walk
// follows the longer axis from the endpoint with the smaller coordinate;
// the other coordinate moves one step toward the far end whenever the
// error reaches one half.
template <typename PlotAt>
void Walk(int start, int end, int minorStart, int minorEnd, float slope, PlotAt plotAt) {
  const int step = minorEnd > minorStart ? 1 : (minorEnd < minorStart ? -1 : 0);
  float e = 0.0f;
  int minor = minorStart;
  for (int major = start; major <= end; ++major) {
    plotAt(major, minor);
    e += slope;
    if (e >= 0.5f) {
      e -= 1.0f;
      minor += step;
    }
  }
}

template <typename PlotAt>
void LinePins(int x0, int y0, int x1, int y1, PlotAt plotAt) {
  if (!Reachable(x0) || !Reachable(y0) || !Reachable(x1) || !Reachable(y1)) return;
  const float dx = static_cast<float>(std::abs(x1 - x0));
  const float dy = static_cast<float>(std::abs(y1 - y0));
  if (dx > dy) {
    const bool forward = x1 >= x0;
    Walk(forward ? x0 : x1, forward ? x1 : x0, forward ? y0 : y1, forward ? y1 : y0, dy / dx, plotAt);
  } else {
    const bool forward = y1 >= y0;
    const float slope = dy == 0.0f ? 0.0f : dx / dy;
    Walk(forward ? y0 : y1, forward ? y1 : y0, forward ? x0 : x1, forward ? x1 : x0, slope,
         [&](int y, int x) { plotAt(x, y); });
  }
}

// The pen-like drags act on the run of pins from the last one (which the
// previous event has handled already) to this one, so that a quick
// movement leaves no gaps.
template <typename Act>
void Run(PagePoint from, PagePoint to, Act act) {
  const bool single = from.column == to.column && from.row == to.row;
  LinePins(from.column, from.row, to.column, to.row, [&](int x, int y) {
    if (PinInRange(x, y) && (single || x != from.column || y != from.row)) act(x, y);
  });
}

}  // namespace

bool PointerToPin(int px, int py, int pinSize, PagePoint& pin) {
  if (pinSize <= 0) return false;
  // The wrap makes positions left of or above the page huge.
  const int column = ((px - kPageOffset) & (kPointerWrap - 1)) / pinSize;
  const int row = ((py - kPageOffset) & (kPointerWrap - 1)) / pinSize;
  if (column >= kPageColumns || row >= kPageRows) return false;
  pin = PagePoint{column, row};
  return true;
}

bool ConsumeSkip(ToolState& state) {
  if (state.skipCounter <= 0) return false;
  --state.skipCounter;
  state.strokeOpen = false;
  state.anchored = false;
  return true;
}

bool TakePressPin(ToolState& state, int px, int py, int pinSize, PagePoint& pin) {
  // A press starts a stroke even on the pin the last one ended on.
  if (!PointerToPin(px, py, pinSize, pin)) return false;
  state.lastX = pin.column;
  state.lastY = pin.row;
  state.strokeOpen = true;
  return true;
}

bool TakeDragPin(ToolState& state, int px, int py, int pinSize, PagePoint& pin, PagePoint& from) {
  if (!PointerToPin(px, py, pinSize, pin)) {
    state.strokeOpen = false;
    return false;
  }
  if (pin.column == state.lastX && pin.row == state.lastY) return false;
  from = state.strokeOpen ? PagePoint{state.lastX, state.lastY} : pin;
  state.lastX = pin.column;
  state.lastY = pin.row;
  state.strokeOpen = true;
  return true;
}

void EndStroke(ToolState& state) {
  state.strokeOpen = false;
  state.anchored = false;
}

void ToolPress(ToolState& state, DotPage& page, PagePoint pin, PageObserver& view) {
  const int tool = state.tool;
  state.anchored = IsShapeTool(tool);
  if (tool == kToolEraser) {
    page.modified = 1;
    Pin(page, pin.column, pin.row) = 0;
  } else if (tool == kToolFill) {
    AgeMarks(page, view);
    page.modified = 1;
    FloodFill(page, pin.column, pin.row);
  } else if (IsShapeTool(tool)) {
    AgeMarks(page, view);
    page.anchorX = pin.column;
    page.anchorY = pin.row;
  } else {
    AgeMarks(page, view);
    page.modified = 1;
    Pin(page, pin.column, pin.row) |= kPinNewest;
  }
  view.RequestRefresh(false);
}

void ToolDrag(const ToolState& state, DotPage& page, PagePoint from, PagePoint pin, bool left, PageObserver& view) {
  const int tool = state.tool;
  if (tool == kToolFill) return;
  if (IsShapeTool(tool)) {
    if (state.anchored) DrawShape(page, tool, page.anchorX, page.anchorY, pin.column, pin.row);
  } else if (left) {
    // The pen; the eraser draws too when dragged with the left button.
    page.modified = 1;
    Run(from, pin, [&](int x, int y) { Pin(page, x, y) |= kPinNewest; });
  } else {
    page.modified = 1;
    Run(from, pin, [&](int x, int y) { Pin(page, x, y) = 0; });
  }
  view.RequestRefresh(false);
}

void ToolErase(DotPage& page, PagePoint pin, PageObserver& view) {
  page.modified = 1;
  Pin(page, pin.column, pin.row) = 0;
  view.RequestRefresh(false);
}

int ToolNext(int tool) { return tool >= kToolCount || tool < 1 ? 1 : tool + 1; }
int ToolPrevious(int tool) { return tool <= 1 || tool > kToolCount ? kToolCount : tool - 1; }

void DrawLine(DotPage& page, int x0, int y0, int x1, int y1) {
  page.modified = 1;
  LinePins(x0, y0, x1, y1, [&](int x, int y) { Plot(page, x, y); });
}

void DrawShape(DotPage& page, int tool, int ax, int ay, int x, int y) {
  if (tool == kToolCircle) {
    DrawCircle(page, ax, ay, x, y);
    return;
  }
  ClearMarks(page, kPinNewest);
  const int mx = 2 * ax - x;  // the pointer's column mirrored at the anchor
  switch (tool) {
    case kToolLine: DrawLine(page, ax, ay, x, y); break;
    case kToolTriangle:
      DrawLine(page, ax, ay, x, y);
      DrawLine(page, ax, ay, mx, y);
      DrawLine(page, mx, y, x, y);
      break;
    case kToolRectangle:
      DrawLine(page, ax, ay, ax, y);
      DrawLine(page, ax, ay, x, ay);
      DrawLine(page, x, ay, x, y);
      DrawLine(page, x, y, ax, y);
      break;
    case kToolDiamond: {
      const int h = (y - ay) / 2;
      DrawLine(page, ax, ay, x, ay + h);
      DrawLine(page, ax, ay, mx, ay + h);
      DrawLine(page, x, ay + h, ax, y);
      DrawLine(page, mx, ay + h, ax, y);
      break;
    }
    case kToolHexagon: {
      const int q = (y - ay) / 4, w = (x - ax) / 2;
      DrawLine(page, ax, ay, ax - w, ay + q);
      DrawLine(page, ax, ay, ax + w, ay + q);
      DrawLine(page, ax - w, ay + q, ax - w, y - q);
      DrawLine(page, ax + w, ay + q, ax + w, y - q);
      DrawLine(page, ax, y, ax - w, y - q);
      DrawLine(page, ax, y, ax + w, y - q);
      break;
    }
    case kToolOctagon: {
      const int a = (x - ax) / 4, q = (y - ay) / 4, w = (x - ax) / 2;
      DrawLine(page, ax - a, ay, ax + a, ay);
      DrawLine(page, ax - a, ay, ax - w, ay + q);
      DrawLine(page, ax + a, ay, ax + w, ay + q);
      DrawLine(page, ax - w - 1, ay + q + 1, ax - w - 1, y - q - 1);
      DrawLine(page, ax + w + 1, ay + q + 1, ax + w + 1, y - q - 1);
      DrawLine(page, ax - a, y, ax - w, y - q);
      DrawLine(page, ax + a, y, ax + w, y - q);
      DrawLine(page, ax - a, y, ax + a, y);
      break;
    }
    default: break;
  }
}

void DrawCircle(DotPage& page, int ax, int ay, int x, int y) {
  page.modified = 1;
  const float ddx = static_cast<float>(ax - x), ddy = static_cast<float>(ay - y);
  const float r = std::sqrt(ddx * ddx + ddy * ddy);
  ClearMarks(page, kPinNewest);
  for (float t = 0.0f; t <= kTwoPi; t = static_cast<float>(static_cast<double>(t) + kCircleStep)) {
    const float rowF = static_cast<float>(std::sin(static_cast<double>(t)) * r + ay);
    const float columnF = static_cast<float>(std::cos(static_cast<double>(t)) * r + ax);
    // Far outside the page nothing is plotted; the cast stays defined.
    if (std::fabs(rowF) >= kLineReach || std::fabs(columnF) >= kLineReach) continue;
    Plot(page, static_cast<int>(columnF), static_cast<int>(rowF));
  }
}

void FloodFill(DotPage& page, int x, int y) {
  if (!PinInRange(x, y) || Pin(page, x, y) != 0) return;
  // An explicit stack instead of the recursion: every pin is marked when
  // it is pushed, so each one is pushed at most once.
  std::uint16_t stack[kPagePins];
  int top = 0;
  Pin(page, x, y) = kPinNewest;
  stack[top++] = static_cast<std::uint16_t>(y * kPageColumns + x);
  static constexpr int kSteps[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
  while (top > 0) {
    const int at = stack[--top];
    const int cx = at % kPageColumns, cy = at / kPageColumns;
    for (const auto& step : kSteps) {
      const int nx = cx + step[0], ny = cy + step[1];
      if (!PinInRange(nx, ny) || Pin(page, nx, ny) != 0) continue;
      Pin(page, nx, ny) = kPinNewest;
      stack[top++] = static_cast<std::uint16_t>(ny * kPageColumns + nx);
    }
  }
}
