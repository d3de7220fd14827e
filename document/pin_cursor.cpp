#include "document/pin_cursor.h"

#include <algorithm>

namespace {

bool IsShape(int tool) { return tool >= kToolLine && tool <= kToolCircle; }

void NewStrokeAt(DotPage& page, int column, int row, PageObserver& view) {
  AgeMarks(page, view);
  page.modified = 1;
  Pin(page, column, row) |= kPinNewest;
}

}  // namespace

void PlaceCursor(PinCursor& cursor, int column, int row) {
  cursor.column = std::clamp(column, 0, kPageColumns - 1);
  cursor.row = std::clamp(row, 0, kPageRows - 1);
}

CursorDid MoveCursor(PinCursor& cursor, const ToolState& tools, DotPage& page, int dx, int dy, bool pen,
                     PageObserver& view) {
  const int fromX = cursor.column, fromY = cursor.row;
  PlaceCursor(cursor, fromX + dx, fromY + dy);
  if (!pen) cursor.penStroke = false;
  if (cursor.column == fromX && cursor.row == fromY) return CursorDid::kNothing;
  if (pen && !cursor.anchored) {
    if (!cursor.penStroke) NewStrokeAt(page, fromX, fromY, view);
    cursor.penStroke = true;
    DrawLine(page, fromX, fromY, cursor.column, cursor.row);
    view.RequestRefresh(false);
  } else if (cursor.anchored && IsShape(tools.tool)) {
    DrawShape(page, tools.tool, page.anchorX, page.anchorY, cursor.column, cursor.row);
    view.RequestRefresh(false);
  }
  return CursorDid::kMoved;
}

CursorDid TogglePinAtCursor(PinCursor& cursor, DotPage& page, PageObserver& view) {
  CancelAnchor(cursor, page, view);
  EndCursorStroke(cursor);
  std::uint8_t& pin = Pin(page, cursor.column, cursor.row);
  if (pin != 0) {
    page.modified = 1;
    pin = 0;
    view.RequestRefresh(false);
    return CursorDid::kLowered;
  }
  NewStrokeAt(page, cursor.column, cursor.row, view);
  view.RequestRefresh(false);
  return CursorDid::kRaised;
}

CursorDid ApplyToolAtCursor(PinCursor& cursor, const ToolState& tools, DotPage& page, PageObserver& view) {
  EndCursorStroke(cursor);
  const int x = cursor.column, y = cursor.row;
  if (cursor.anchored) {
    if (IsShape(tools.tool)) {
      // What followed the cursor stays: the stroke is done.
      DrawShape(page, tools.tool, page.anchorX, page.anchorY, x, y);
      cursor.anchored = false;
      view.RequestRefresh(false);
      return CursorDid::kShapeDrawn;
    }
    CancelAnchor(cursor, page, view);  // the tool changed to one without a shape
  }
  switch (tools.tool) {
    case kToolEraser:
      page.modified = 1;
      Pin(page, x, y) = 0;
      view.RequestRefresh(false);
      return CursorDid::kLowered;
    case kToolFill:
      AgeMarks(page, view);
      page.modified = 1;
      FloodFill(page, x, y);
      view.RequestRefresh(false);
      return CursorDid::kFilled;
    case kToolPen:
      NewStrokeAt(page, x, y, view);
      view.RequestRefresh(false);
      return CursorDid::kRaised;
    default:
      if (!IsShape(tools.tool)) return CursorDid::kNothing;
      AgeMarks(page, view);
      page.anchorX = x;
      page.anchorY = y;
      cursor.anchored = true;
      DrawShape(page, tools.tool, x, y, x, y);
      view.RequestRefresh(false);
      return CursorDid::kAnchored;
  }
}

CursorDid CancelAnchor(PinCursor& cursor, DotPage& page, PageObserver& view) {
  if (!cursor.anchored) return CursorDid::kNothing;
  cursor.anchored = false;
  // The anchor aged every stroke before it: the newest layer holds only
  // the shape that followed the cursor.
  ClearMarks(page, kPinNewest);
  view.RequestRefresh(false);
  return CursorDid::kCancelled;
}

void EndCursorStroke(PinCursor& cursor) { cursor.penStroke = false; }

bool PinRaisedAtCursor(const PinCursor& cursor, const DotPage& page) {
  return Pin(page, cursor.column, cursor.row) != 0;
}
