// The pin cursor: drawing on the page with keys instead of a mouse. The
// cursor stands on one pin; it moves a pin at a time and stays on the page.
// Moved with the pen, it draws the pins it passes as one stroke; Space
// raises or lowers the pin under it; Enter applies the current tool there
// as a press of the mouse would (a shape's first Enter sets its anchor, the
// shape then follows the cursor as it follows a dragging mouse, and the
// second Enter leaves it drawn); Esc drops an anchor with its shape.
// Everything drawn goes into the newest stroke layer, so undo takes it back
// as it takes back a stroke of the mouse. Free of platform headers.
#pragma once
#include "document/dot_page.h"
#include "document/tools.h"

struct PinCursor {
  int column = 0;
  int row = 0;
  bool anchored = false;   // a shape's anchor is set (DotPage anchor): the shape follows the cursor
  bool penStroke = false;  // the pen's moves draw into the stroke their first move began
};

// What a cursor action did, for its announcement.
enum class CursorDid {
  kNothing,     // the cursor stayed (at the page's edge) or nothing changed
  kMoved,       // moved; with the pen, drew on its way; a shape followed
  kRaised,      // the pin under the cursor was raised
  kLowered,     // the pin under the cursor was lowered (erased)
  kAnchored,    // a shape's anchor was set at the cursor
  kShapeDrawn,  // the shape from the anchor to the cursor was left drawn
  kFilled,      // the area around the cursor was filled
  kCancelled,   // the anchor and its shape were dropped
};

// Moves by (dx, dy) pins, kept on the page. With `pen` the pins from the
// old to the new place are drawn (the first pen move of a run begins a new
// stroke); a shape whose anchor is set is drawn again to the new place.
CursorDid MoveCursor(PinCursor& cursor, const ToolState& tools, DotPage& page, int dx, int dy, bool pen,
                     PageObserver& view);
// Puts the cursor on a pin (kept on the page), without drawing.
void PlaceCursor(PinCursor& cursor, int column, int row);
// Space: a lowered pin is raised as a new stroke, a raised one lowered.
CursorDid TogglePinAtCursor(PinCursor& cursor, DotPage& page, PageObserver& view);
// Enter: the current tool at the cursor. Pen: the pin raised as a new
// stroke; eraser: lowered; fill: the fill from the cursor; a shape: its
// anchor set, or, when set, the shape left drawn.
CursorDid ApplyToolAtCursor(PinCursor& cursor, const ToolState& tools, DotPage& page, PageObserver& view);
// Esc: drops a set anchor and the shape that followed it.
CursorDid CancelAnchor(PinCursor& cursor, DotPage& page, PageObserver& view);
// Ends a pen run: the next pen move begins a new stroke (any other action
// of the user does this).
void EndCursorStroke(PinCursor& cursor);
// The pin under the cursor is raised (any bit set).
bool PinRaisedAtCursor(const PinCursor& cursor, const DotPage& page);
