// Drawing with the pin cursor: moves kept on the page, the pen's run as one
// stroke that undo takes back, Space, a shape by two Enters with Esc in
// between, fill and eraser at the cursor.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "document/pin_cursor.h"
#include "page_fixture.h"

namespace {

using Pins = std::set<std::pair<int, int>>;

Pins Raised(const DotPage& page) {
  Pins pins;
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x)
      if (Pin(page, x, y)) pins.insert({x, y});
  return pins;
}

struct Keys {
  DotPage page = EmptyPage();
  ToolState tools;
  PinCursor cursor;
  RecordingView view;
  CursorDid Move(int dx, int dy, bool pen = false) { return MoveCursor(cursor, tools, page, dx, dy, pen, view); }
  CursorDid Enter() { return ApplyToolAtCursor(cursor, tools, page, view); }
};

}  // namespace

TEST(PinCursor, StaysOnThePage) {
  Keys k;
  EXPECT_EQ(k.Move(-1, 0), CursorDid::kNothing);
  EXPECT_EQ(k.Move(0, -5), CursorDid::kNothing);
  EXPECT_EQ(k.Move(100, 100), CursorDid::kMoved);
  EXPECT_EQ(k.cursor.column, kPageColumns - 1);
  EXPECT_EQ(k.cursor.row, kPageRows - 1);
  EXPECT_EQ(k.Move(1, 1), CursorDid::kNothing);
  EXPECT_TRUE(Raised(k.page).empty()) << "plain moves draw nothing";
  PlaceCursor(k.cursor, -3, 99);
  EXPECT_EQ(k.cursor.column, 0);
  EXPECT_EQ(k.cursor.row, kPageRows - 1);
}

TEST(PinCursor, APenRunIsOneStrokeThatUndoTakesBack) {
  Keys k;
  PlaceCursor(k.cursor, 10, 5);
  TogglePinAtCursor(k.cursor, k.page, k.view);  // an earlier stroke
  EXPECT_TRUE(PinRaisedAtCursor(k.cursor, k.page));
  for (int i = 0; i < 3; ++i) k.Move(1, 0, true);
  k.Move(0, 1, true);
  EXPECT_EQ(Raised(k.page), (Pins{{10, 5}, {11, 5}, {12, 5}, {13, 5}, {13, 6}}));
  UndoStroke(k.page, k.view);
  EXPECT_EQ(Raised(k.page), (Pins{{10, 5}})) << "the whole run, and only it";
  // A plain move ends the run: the next pen move is a stroke of its own.
  k.Move(0, 1);
  k.Move(1, 0, true);
  k.Move(-1, 0);
  k.Move(-1, 0, true);
  UndoStroke(k.page, k.view);
  EXPECT_EQ(Raised(k.page), (Pins{{10, 5}, {13, 7}, {14, 7}}));
}

TEST(PinCursor, SpaceRaisesAsAStrokeAndLowers) {
  Keys k;
  PlaceCursor(k.cursor, 3, 4);
  EXPECT_EQ(TogglePinAtCursor(k.cursor, k.page, k.view), CursorDid::kRaised);
  EXPECT_EQ(Pin(k.page, 3, 4), kPinNewest);
  EXPECT_EQ(k.page.modified, 1);
  EXPECT_EQ(TogglePinAtCursor(k.cursor, k.page, k.view), CursorDid::kLowered);
  EXPECT_EQ(Pin(k.page, 3, 4), 0);
  Pin(k.page, 3, 4) = kPinCommitted;  // a loaded pin is lowered too
  EXPECT_EQ(TogglePinAtCursor(k.cursor, k.page, k.view), CursorDid::kLowered);
  EXPECT_GT(k.view.refreshes, 0);
}

TEST(PinCursor, AShapeFollowsFromItsAnchorAndEscDropsIt) {
  Keys k;
  k.tools.tool = kToolRectangle;
  Pin(k.page, 0, 0) = kPinCommitted;
  PlaceCursor(k.cursor, 2, 2);
  EXPECT_EQ(k.Enter(), CursorDid::kAnchored);
  EXPECT_EQ(Raised(k.page), (Pins{{0, 0}, {2, 2}})) << "the anchor can be felt";
  k.Move(2, 0);
  k.Move(0, 2);
  EXPECT_EQ(Raised(k.page), (Pins{{0, 0}, {2, 2}, {3, 2}, {4, 2}, {2, 3}, {4, 3}, {2, 4}, {3, 4}, {4, 4}}));
  EXPECT_EQ(CancelAnchor(k.cursor, k.page, k.view), CursorDid::kCancelled);
  EXPECT_EQ(Raised(k.page), (Pins{{0, 0}}));
  EXPECT_EQ(CancelAnchor(k.cursor, k.page, k.view), CursorDid::kNothing);

  // Anchor, move, Enter: the shape stays and is one stroke.
  k.tools.tool = kToolLine;
  EXPECT_EQ(k.Enter(), CursorDid::kAnchored);
  k.Move(3, 0);
  EXPECT_EQ(k.Enter(), CursorDid::kShapeDrawn);
  EXPECT_FALSE(k.cursor.anchored);
  EXPECT_EQ(Raised(k.page), (Pins{{0, 0}, {4, 4}, {5, 4}, {6, 4}, {7, 4}}));
  k.Move(0, 1);
  EXPECT_EQ(Raised(k.page).size(), 5u) << "a drawn shape no longer follows";
  UndoStroke(k.page, k.view);
  EXPECT_EQ(Raised(k.page), (Pins{{0, 0}}));
}

TEST(PinCursor, FillEraserAndPenAtTheCursor) {
  Keys k;
  for (int x = 0; x < kPageColumns; ++x) Pin(k.page, x, 1) = kPinCommitted;
  k.tools.tool = kToolFill;
  EXPECT_EQ(k.Enter(), CursorDid::kFilled);
  for (int x = 0; x < kPageColumns; ++x) EXPECT_EQ(Pin(k.page, x, 0), kPinNewest) << x;
  EXPECT_EQ(Pin(k.page, 0, 2), 0) << "the row of pins is a border";
  k.tools.tool = kToolEraser;
  EXPECT_EQ(k.Enter(), CursorDid::kLowered);
  EXPECT_EQ(Pin(k.page, 0, 0), 0);
  k.tools.tool = kToolPen;
  k.Move(0, 3);
  EXPECT_EQ(k.Enter(), CursorDid::kRaised);
  EXPECT_EQ(Pin(k.page, 0, 3), kPinNewest);
  // An anchor left from a shape tool is dropped when the tool is no shape.
  k.tools.tool = kToolCircle;
  k.Move(10, 10);
  EXPECT_EQ(k.Enter(), CursorDid::kAnchored);
  k.tools.tool = kToolPen;
  EXPECT_EQ(k.Enter(), CursorDid::kRaised);
  EXPECT_FALSE(k.cursor.anchored);
}
