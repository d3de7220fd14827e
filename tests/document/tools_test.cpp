// The drawing tools from pointer positions to pins, and their primitives.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>

#include "document/tools.h"
#include "page_fixture.h"

namespace {

using Pins = std::set<std::pair<int, int>>;

Pins Marked(const DotPage& page, std::uint8_t mask = kPinNewest) {
  Pins pins;
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x)
      if (Pin(page, x, y) & mask) pins.insert({x, y});
  return pins;
}

// Pointer position in the main window's client area of the centre of a pin.
int Px(int column, int s = 10) { return kPageOffset + column * s + s / 2; }

// One user's stroke through the same calls the main window makes.
struct Stroker {
  DotPage page = EmptyPage();
  ToolState state;
  RecordingView view;

  void Press(int column, int row) {
    PagePoint pin;
    if (!ConsumeSkip(state) && TakePressPin(state, Px(column), Px(row), 10, pin)) ToolPress(state, page, pin, view);
  }
  void Drag(int column, int row, bool left = true) {
    PagePoint pin, from;
    if (!ConsumeSkip(state) && TakeDragPin(state, Px(column), Px(row), 10, pin, from))
      ToolDrag(state, page, from, pin, left, view);
  }
  void RightPress(int column, int row) {
    PagePoint pin;
    if (!ConsumeSkip(state) && TakePressPin(state, Px(column), Px(row), 10, pin)) ToolErase(page, pin, view);
  }
  Pins Shape(int tool, int ax, int ay, int x, int y) {
    page = EmptyPage();
    state.tool = tool;
    Press(ax, ay);
    Drag(x, y);
    return Marked(page);
  }
};

}  // namespace

TEST(PointerToPin, MapsOffsetAndPinSizeAndWrapsLeftOfThePage) {
  PagePoint pin{};
  ASSERT_TRUE(PointerToPin(5, 5, 10, pin));
  EXPECT_EQ(pin.column, 0);
  EXPECT_EQ(pin.row, 0);
  ASSERT_TRUE(PointerToPin(604, 404, 10, pin));
  EXPECT_EQ(pin.column, 59);
  EXPECT_EQ(pin.row, 39);
  EXPECT_FALSE(PointerToPin(605, 100, 10, pin));  // right of the page
  EXPECT_FALSE(PointerToPin(4, 100, 10, pin));    // left of it: wraps to a huge column
  EXPECT_FALSE(PointerToPin(100, -300, 10, pin));
  ASSERT_TRUE(PointerToPin(5 + 14 * 3, 5 + 14 * 2 + 13, 14, pin));
  EXPECT_EQ(pin.column, 3);
  EXPECT_EQ(pin.row, 2);
  EXPECT_FALSE(PointerToPin(100, 100, 0, pin));  // a broken pin size
}

TEST(DrawLine, HorizontalDiagonalSteepAndBackwardLinesSetExactlyTheirPins) {
  DotPage page = EmptyPage();
  DrawLine(page, 10, 5, 20, 5);
  EXPECT_EQ(Marked(page).size(), 11u);
  page = EmptyPage();
  DrawLine(page, 0, 0, 3, 3);
  EXPECT_EQ(Marked(page), (Pins{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
  page = EmptyPage();
  DrawLine(page, 0, 0, 4, 2);  // slope 0.5: the row moves as soon as the error reaches one half
  EXPECT_EQ(Marked(page), (Pins{{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}));
  DotPage back = EmptyPage();
  DrawLine(back, 4, 2, 0, 0);  // walked from the smaller x: the same pins
  EXPECT_EQ(Marked(back), Marked(page));
  page = EmptyPage();
  DrawLine(page, 1, 0, 0, 3);  // steep, x moves toward the end
  EXPECT_EQ(Marked(page), (Pins{{1, 0}, {1, 1}, {0, 2}, {0, 3}}));
  page = EmptyPage();
  DrawLine(page, 7, 7, 7, 7);
  EXPECT_EQ(Marked(page), (Pins{{7, 7}}));
  EXPECT_EQ(page.modified, 1);
}

TEST(DrawLine, EndpointsOutsideThePageTouchOnlyItsPins) {
  DotPage page = EmptyPage();
  DrawLine(page, -10, 20, 70, 20);
  EXPECT_EQ(Marked(page).size(), 60u);
  DrawLine(page, -1000000, -5, 2000000, 5);  // beyond reach: nothing
  DrawLine(page, 30, -100, 30, 500);
  EXPECT_EQ(Marked(page).size(), 60u + 39u);
  for (std::uint8_t p : page.textPins) EXPECT_EQ(p, 0);
}

TEST(Shapes, RectangleIsTheSameWhicheverCornerItIsDraggedFrom) {
  Stroker s;
  Pins rect = s.Shape(kToolRectangle, 10, 10, 14, 13);
  EXPECT_EQ(rect.size(), 14u);                               // 5 x 4 outline
  EXPECT_EQ(s.Shape(kToolRectangle, 14, 13, 10, 10), rect);  // up-left
  EXPECT_EQ(s.Shape(kToolRectangle, 14, 10, 10, 13), rect);  // down-left
  EXPECT_EQ(s.Shape(kToolRectangle, 10, 13, 14, 10), rect);  // up-right
}

TEST(Shapes, SymmetricShapesSpanTheAnchorColumnInEveryDirection) {
  Stroker s;
  const int kDirs[4][2] = {{9, 11}, {-9, 11}, {9, -11}, {-9, -11}};
  for (int tool : {kToolTriangle, kToolDiamond, kToolHexagon, kToolOctagon}) {
    for (const auto& d : kDirs) {
      Pins pins = s.Shape(tool, 30, 20, 30 + d[0], 20 + d[1]);
      ASSERT_FALSE(pins.empty()) << tool;
      int minX = 99, maxX = -1, minY = 99, maxY = -1;
      for (auto [x, y] : pins) {
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
      }
      const std::string where =
          "tool " + std::to_string(tool) + " dir " + std::to_string(d[0]) + "," + std::to_string(d[1]);
      EXPECT_EQ(minX + maxX, 60) << where;  // centred on the anchor's column
      EXPECT_EQ(std::min(minY, maxY), std::min(20, 20 + d[1])) << where;
      EXPECT_EQ(std::max(minY, maxY), std::max(20, 20 + d[1])) << where;
      EXPECT_LE(maxX - 30, 9 + (tool == kToolOctagon ? 1 : 0)) << where;
    }
  }
  // The triangle's apex is the anchor, its base the pointer's row.
  Pins tri = s.Shape(kToolTriangle, 30, 10, 34, 14);
  EXPECT_TRUE(tri.count({30, 10}));
  for (int x = 26; x <= 34; ++x) EXPECT_TRUE(tri.count({x, 14})) << x;
}

TEST(Shapes, DragReplacesThePreviewAndBackToTheAnchorLeavesOnePin) {
  Stroker s;
  s.state.tool = kToolLine;
  Pin(s.page, 0, 0) = kPinCommitted;
  s.Press(20, 20);
  s.Drag(30, 25);
  s.Drag(25, 30);
  EXPECT_FALSE(Marked(s.page).count({30, 25}));  // the first preview is gone
  s.Drag(20, 20);
  EXPECT_EQ(Marked(s.page), (Pins{{20, 20}}));
  EXPECT_EQ(Pin(s.page, 0, 0), kPinCommitted);
}

TEST(Circle, RadiusZeroMarksTheAnchorAndTheEdgeClipsWithoutWrapping) {
  DotPage page = EmptyPage();
  DrawCircle(page, 12, 7, 12, 7);
  EXPECT_EQ(Marked(page), (Pins{{12, 7}}));
  page = EmptyPage();
  DrawCircle(page, 1, 20, 6, 20);
  Pins pins = Marked(page);
  EXPECT_TRUE(pins.count({6, 20}));
  EXPECT_TRUE(pins.count({1, 15}));
  int atColumn0 = 0;
  for (auto [x, y] : pins) {
    EXPECT_LE(x, 6) << "wrapped to the right side";
    atColumn0 += x == 0;
  }
  // Truncation toward zero folds what lies just left of the page onto
  // column 0; the rest is clipped.
  EXPECT_GT(atColumn0, 0);
  EXPECT_LT(atColumn0, 6);
  page = EmptyPage();
  DrawCircle(page, 30, 20, 33, 24);  // radius 5
  pins = Marked(page);
  int minX = 99, maxX = 0, minY = 99, maxY = 0;
  for (auto [x, y] : pins) {
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  EXPECT_EQ(minX, 25);
  EXPECT_EQ(maxX, 35);
  EXPECT_EQ(minY, 15);
  EXPECT_GE(maxY, 24);  // truncated: the lowest point may fall just short of row 25
  EXPECT_LE(maxY, 25);
  EXPECT_FALSE(pins.count({30, 20}));
}

TEST(Fill, EmptyPageFillsEveryPinAndARaisedPinOrABorderStopsIt) {
  Stroker s;
  s.state.tool = kToolFill;
  s.Press(30, 20);
  EXPECT_EQ(Marked(s.page).size(), static_cast<size_t>(kPagePins));
  for (std::uint8_t p : s.page.pins) EXPECT_EQ(p, kPinNewest);

  // A closed rectangle: a fill inside stays inside; on a raised pin nothing.
  DotPage page = EmptyPage();
  DrawShape(page, kToolRectangle, 10, 10, 20, 20);
  AcceptPage(page, s.view);
  DotPage before = page;
  FloodFill(page, 10, 10);
  EXPECT_EQ(std::memcmp(page.pins, before.pins, kPagePins), 0);
  FloodFill(page, 15, 15);
  EXPECT_EQ(Marked(page).size(), 81u);
  FloodFill(page, 15, 15);  // marked pins are borders too
  EXPECT_EQ(Marked(page).size(), 81u);
}

TEST(Tools, EraserErasesOnClickAndDrawsWhenDragged) {
  Stroker s;
  Pin(s.page, 5, 5) = kPinCommitted | 0x40;
  s.state.tool = kToolEraser;
  s.Press(5, 5);
  EXPECT_EQ(Pin(s.page, 5, 5), 0);
  s.Drag(8, 5);
  EXPECT_EQ(Marked(s.page), (Pins{{6, 5}, {7, 5}, {8, 5}}));
}

TEST(Tools, PenStrokeIsOneUndoLayerAndAQuickDragLeavesNoGap) {
  Stroker s;
  s.Press(1, 1);
  s.Drag(1, 1);  // same pin: ignored
  s.Drag(6, 1);  // coalesced movement over five pins
  EXPECT_EQ(Marked(s.page).size(), 6u);
  s.Press(1, 3);  // the second stroke
  s.Drag(3, 3);
  EXPECT_EQ(Marked(s.page, 0x40).size(), 6u);
  UndoStroke(s.page, s.view);
  EXPECT_TRUE(Marked(s.page).empty());
  UndoStroke(s.page, s.view);
  for (std::uint8_t p : s.page.pins) EXPECT_EQ(p, 0);
}

TEST(Tools, RightButtonErasesOnPressAndAlongAPenDrag) {
  Stroker s;
  for (int x = 0; x < 10; ++x) Pin(s.page, x, 2) = kPinCommitted;
  s.RightPress(0, 2);
  EXPECT_EQ(Pin(s.page, 0, 2), 0);
  s.Drag(4, 2, false);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(Pin(s.page, x, 2), x <= 4 ? 0 : kPinCommitted) << x;
  // A move without a button ends the stroke: the next drag does not join.
  EndStroke(s.state);
  s.Drag(9, 2, false);
  EXPECT_EQ(Pin(s.page, 8, 2), kPinCommitted);
  EXPECT_EQ(Pin(s.page, 9, 2), 0);
}

TEST(Tools, SkipCounterSwallowsTheNextEvents) {
  Stroker s;
  s.state.skipCounter = kSkipAfterDialog;
  s.Press(3, 3);
  s.Drag(4, 3);
  EXPECT_TRUE(Marked(s.page).empty());
  s.Drag(5, 3);  // the pen starts a run of its own, no press needed
  EXPECT_EQ(Marked(s.page), (Pins{{5, 3}}));
  EXPECT_EQ(s.state.skipCounter, 0);
  // A shape needs the press that anchors it: a swallowed press leaves the
  // drags without one, and an anchor of an earlier shape is not reused.
  s.state.tool = kToolRectangle;
  s.Press(10, 10);
  s.Drag(12, 12);
  s.state.skipCounter = 1;
  s.Press(30, 30);
  s.Drag(35, 35);
  EXPECT_FALSE(Marked(s.page).count({35, 35}));
  EXPECT_FALSE(Marked(s.page).count({10, 35}));
}

TEST(Tools, NextAndPreviousWrap) {
  EXPECT_EQ(ToolNext(kToolEraser), kToolPen);
  EXPECT_EQ(ToolPrevious(kToolPen), kToolEraser);
  EXPECT_EQ(ToolNext(kToolPen), kToolLine);
  EXPECT_EQ(ToolPrevious(kToolEraser), kToolFill);
}
