// The drawing tools: pointer events on the page window in, pin edits out.
// A pen, seven shapes dragged from an anchor, a flood fill and an eraser;
// the right button erases. Every tool draws into the newest stroke layer
// (bit 7 of a pin), so that undo can take the stroke back. Nothing here
// knows about windows: the main window maps its mouse messages onto these
// calls and shows what the page observer asks for.
#pragma once
#include <cstdint>

#include "document/dot_page.h"

constexpr int kToolPen = 1;
constexpr int kToolLine = 2;
constexpr int kToolTriangle = 3;
constexpr int kToolRectangle = 4;
constexpr int kToolDiamond = 5;
constexpr int kToolHexagon = 6;
constexpr int kToolOctagon = 7;
constexpr int kToolCircle = 8;
constexpr int kToolFill = 9;
constexpr int kToolEraser = 10;
constexpr int kToolCount = 10;

// Offset of the page window in the main window's client area, in pixels.
constexpr int kPageOffset = 5;
// Pointer events ignored after a file dialog returned a file, after the
// floating text line was dropped and after it was stamped: the click that
// ends those must not draw as well.
constexpr int kSkipAfterDialog = 2;
constexpr int kSkipAfterDrop = 2;
constexpr int kSkipAfterStamp = 1;
// Line endpoints further than this from the page are not drawn (a pointer
// position never is; it keeps the walk along a line short).
constexpr int kLineReach = 1 << 16;

struct ToolState {
  int tool = kToolPen;  // 1..10
  int lastX = -1;       // pin the last button or drag event acted on
  int lastY = -1;
  int skipCounter = 0;  // pointer events on the page still to be ignored
  // A drag continues from the last pin: a quick movement that skipped pins
  // is drawn as the line between them. Broken by a move without button
  // and by the pointer leaving the page.
  bool strokeOpen = false;
  // A shape is dragged only from an anchor that a press of the same stroke
  // set, never from one left over from an earlier shape.
  bool anchored = false;
};

struct PagePoint {
  int column;
  int row;
};

// Pin under a pointer position in the main window's client area: column
// ((px - 5) mod 65536) / pin size, row the same with py. Positions left of
// or above the page give huge values; false when outside the page (or
// when the pin size is not positive).
bool PointerToPin(int px, int py, int pinSize, PagePoint& pin);

// True (and counts down) when the skip counter says this event is to be
// ignored.
bool ConsumeSkip(ToolState& state);

// Maps a button press: true when it lands on the page. The pin becomes the
// last pin and opens a stroke.
bool TakePressPin(ToolState& state, int px, int py, int pinSize, PagePoint& pin);
// Maps a drag: true when it lands on the page on another pin than the last
// one. `from` is where the stroke continues from, or the pin itself when
// no stroke is open.
bool TakeDragPin(ToolState& state, int px, int py, int pinSize, PagePoint& pin, PagePoint& from);
// A move with no button down ends the stroke.
void EndStroke(ToolState& state);

// The left button's press action of the current tool on a pin.
void ToolPress(ToolState& state, DotPage& page, PagePoint pin, PageObserver& view);
// The drag action: with the left button (left = true) or only the right.
void ToolDrag(const ToolState& state, DotPage& page, PagePoint from, PagePoint pin, bool left, PageObserver& view);
// The right button pressed: erases the pin, whatever the tool.
void ToolErase(DotPage& page, PagePoint pin, PageObserver& view);

// Tool + 1 (10 wraps to 1) and tool - 1 (1 wraps to 10).
int ToolNext(int tool);
int ToolPrevious(int tool);

// Drawing primitives; every one sets modified and marks with bit 7 only
// the pins inside the page.
// A digital differential analyser in 32-bit floats between two pins.
void DrawLine(DotPage& page, int x0, int y0, int x1, int y1);
// The preview of a shape tool (2..8) from the anchor to (x, y): the old
// preview (bit 7) is cleared first.
void DrawShape(DotPage& page, int tool, int ax, int ay, int x, int y);
void DrawCircle(DotPage& page, int ax, int ay, int x, int y);
// Marks with exactly 0x80 every pin reachable from (x, y) through
// 4-neighbours whose byte is 0.
void FloodFill(DotPage& page, int x, int y);
