#include <gtest/gtest.h>

#include "document/dot_page.h"
#include "page_fixture.h"

TEST(Packing, PinPositionsLandOnTheDeviceBits) {
  struct Case {
    int x, y, byte, bit;
  } cases[] = {{0, 0, 0, 0}, {59, 39, 299, 7}, {1, 4, 30, 4}, {0, 3, 0, 3}, {1, 0, 0, 4}, {2, 0, 1, 0}};
  for (const Case& c : cases) {
    DotPage page = EmptyPage();
    DTM record = EmptyRecord();
    Pin(page, c.x, c.y) = 1;
    PackPage(page, record);
    for (int i = 0; i < kPackedGraphic; ++i)
      EXPECT_EQ(record.graphic[i], i == c.byte ? (1 << c.bit) : 0) << c.x << "," << c.y << " byte " << i;
  }
}

TEST(Packing, AnyNonZeroPinIsRaisedAndOnlyRaisedSurvivesUnpacking) {
  DotPage page = EmptyPage();
  DTM record = EmptyRecord();
  Pin(page, 0, 0) = 2;
  Pin(page, 1, 0) = 3;
  Pin(page, 2, 0) = 0x80;
  Pin(page, 3, 0) = 1;
  PackPage(page, record);
  EXPECT_EQ(record.graphic[0], 0x11);
  EXPECT_EQ(record.graphic[1], 0x11);
  RecordingView view;
  UnpackPage(page, record, view);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(Pin(page, x, 0), 1) << x;
  EXPECT_EQ(view.pageRepaints, 1);
}

TEST(Packing, PackPageClearsHeaderCellsAndText) {
  DotPage page = EmptyPage();
  DTM record = EmptyRecord();
  std::memset(record.header, 0x55, sizeof record.header);
  std::memset(record.cells, 0x55, sizeof record.cells);
  std::memset(record.text, 'x', sizeof record.text);
  PackPage(page, record);
  for (int i = 0; i < kDtmSize; ++i) EXPECT_EQ(record.Bytes()[i], 0) << i;
  // Only the 20 bytes of the record's text field are cleared.
  EXPECT_EQ(record.text[kDtmTextField], 'x');
  // Packing the graphic alone keeps the braille line.
  std::memset(record.cells, 0x55, sizeof record.cells);
  std::memset(record.graphic, 0xFF, sizeof record.graphic);
  Pin(page, 1, 0) = 1;
  PackGraphic(page, record);
  EXPECT_EQ(record.graphic[0], 0x10);
  EXPECT_EQ(record.graphic[1], 0x00);
  EXPECT_EQ(record.cells[0], 0x55);
}

TEST(Packing, TextLineUsesTheSameBitsAndKeepsTheWholeText) {
  DotPage page = EmptyPage();
  DTM record = EmptyRecord();
  TextPin(page, 39, 3) = 1;
  TextPin(page, 0, 0) = 1;
  PackPage(page, record);
  std::string text(100, 'a');
  PackTextLine(page, record, text.c_str());
  EXPECT_EQ(record.cells[19], 0x80);
  EXPECT_EQ(record.cells[0], 0x01);
  EXPECT_EQ(std::strlen(record.text), 79u) << "the text buffer holds 79 characters";
  RecordingView view;
  DotPage other = EmptyPage();
  UnpackTextLine(other, record, view);
  EXPECT_EQ(TextPin(other, 39, 3), 1);
  EXPECT_EQ(TextPin(other, 0, 0), 1);
  EXPECT_EQ(TextPin(other, 1, 0), 0);
  EXPECT_EQ(view.textRepaints, 1);
}

// Unpacking and stamping touch their own pins only: the page's last pin is
// followed by the text line's first, and the text line's columns end at
// the cells.
TEST(Packing, UnpackingAndStampingStayInTheirOwnPins) {
  DotPage page = EmptyPage();
  TextPin(page, 0, 0) = 1;
  TextPin(page, kTextColumns, 0) = 1;  // beyond the cells: never used
  RecordingView view;
  UnpackPage(page, EmptyRecord(), view);
  EXPECT_EQ(TextPin(page, 0, 0), 1);
  StampTextLine(page, 0, 0, view);
  EXPECT_EQ(Pin(page, 0, 0), kPinNewest);
  EXPECT_EQ(Pin(page, kTextColumns, 0), 0);
  UnpackTextLine(page, EmptyRecord(), view);
  EXPECT_EQ(TextPin(page, 0, 0), 0);
  EXPECT_EQ(TextPin(page, kTextColumns, 0), 1);
}

TEST(Strokes, AgeingMovesLayersDownAndKeepsCommittedBits) {
  DotPage page = EmptyPage();
  RecordingView view;
  Pin(page, 0, 0) = 0x80 | 0x01;
  Pin(page, 1, 0) = 0x04;
  Pin(page, 2, 0) = 0x02;
  AgeMarks(page, view);
  EXPECT_EQ(Pin(page, 0, 0), 0x41);
  EXPECT_EQ(Pin(page, 1, 0), 0x02) << "the layer in bit 2 lands in bit 1";
  EXPECT_EQ(Pin(page, 2, 0), 0x02);
  EXPECT_EQ(page.modified, 1);
  EXPECT_EQ(view.refreshes, 1);
}

// Seven strokes fill the six layers and the aged bit; each undo removes
// the newest stroke left, down to the oldest layer and the aged one, and
// never a committed pin.
TEST(Strokes, UndoRemovesTheNewestStrokeEachTimeDownToTheOldest) {
  DotPage page = EmptyPage();
  RecordingView view;
  Pin(page, 5, 5) = 1;  // committed
  for (int stroke = 0; stroke < 7; ++stroke) SetPin(page, stroke, 1, true, true, view);
  const std::uint8_t layers[7] = {kPinAged, 0x04, 0x08, 0x10, 0x20, 0x40, kPinNewest};
  for (int stroke = 0; stroke < 7; ++stroke) EXPECT_EQ(Pin(page, stroke, 1), layers[stroke]) << stroke;
  for (int newest = 6; newest >= 0; --newest) {
    UndoStroke(page, view);
    for (int stroke = 0; stroke < 7; ++stroke)
      EXPECT_EQ(Pin(page, stroke, 1), stroke < newest ? layers[stroke] : 0) << newest << " " << stroke;
  }
  UndoStroke(page, view);  // nothing left: committed pins stay
  EXPECT_EQ(Pin(page, 5, 5), 1);
  EXPECT_EQ(view.fullRefreshes, 8);
}

TEST(Strokes, AStrokeReachesBitOneAfterSixMoreAndErasingLosesAllBits) {
  DotPage page = EmptyPage();
  RecordingView view;
  SetPin(page, 0, 0, true, true, view);
  for (int i = 0; i < 6; ++i) SetPin(page, 10 + i, 0, true, true, view);
  EXPECT_EQ(Pin(page, 0, 0), kPinAged);
  for (int i = 0; i < 3; ++i) AgeMarks(page, view);
  EXPECT_EQ(Pin(page, 0, 0), kPinAged) << "aged pins stay in bit 1";
  SetPin(page, 0, 0, false, false, view);
  EXPECT_EQ(Pin(page, 0, 0), 0);
}

TEST(Strokes, ClearMarksReportsAndRespectsTheLaidOutSize) {
  DotPage page = EmptyPage();
  Pin(page, 59, 39) = 0x81;
  EXPECT_TRUE(ClearMarks(page, 0x80));
  EXPECT_EQ(Pin(page, 59, 39), 0x01);
  EXPECT_FALSE(ClearMarks(page, 0x80));
  page.columns = 0;
  Pin(page, 0, 0) = 0x80;
  page.modified = 0;
  EXPECT_FALSE(ClearMarks(page, 0x80));
  EXPECT_EQ(Pin(page, 0, 0), 0x80) << "nothing is touched before the view is laid out";
  page.columns = 200;  // a corrupted size never walks past the page
  page.rows = 200;
  EXPECT_TRUE(ClearMarks(page, 0x80));
}

TEST(PageCommands, InvertAcceptAndDeleteAll) {
  DotPage page = EmptyPage();
  DTM record = EmptyRecord();
  RecordingView view;
  Pin(page, 0, 0) = 0x80;
  InvertPage(page, view);
  EXPECT_EQ(Pin(page, 0, 0), 0);
  EXPECT_EQ(Pin(page, 1, 0), 1);
  EXPECT_EQ(view.pinRepaints, kPagePins);
  EXPECT_EQ(view.fullRefreshes, 1);
  Pin(page, 1, 0) = 0x84;
  AcceptPage(page, view);
  EXPECT_EQ(Pin(page, 1, 0), 1);
  EXPECT_EQ(Pin(page, 0, 0), 0);
  EXPECT_EQ(view.pinRepaints, 2 * kPagePins) << "each pin once, none beyond the page";
  TextPin(page, 3, 3) = 1;
  PackPage(page, record);
  record.header[0] = 7;
  DeleteAll(page, record, view);
  for (int i = 0; i < kPagePins; ++i) ASSERT_EQ(page.pins[i], 0);
  for (int i = 0; i < kTextPins; ++i) ASSERT_EQ(page.textPins[i], 0);
  for (int i = 0; i < kDtmSize; ++i) ASSERT_EQ(record.Bytes()[i], 0);
  EXPECT_EQ(view.fullRefreshes, 3);
  EXPECT_EQ(view.refreshes, 0);
}

TEST(PageCommands, StampTextLineJoinsTheNewestLayerAndClipsAtTheEdges) {
  DotPage page = EmptyPage();
  RecordingView view;
  TextPin(page, 0, 0) = 1;
  TextPin(page, 39, 3) = 1;
  Pin(page, 10, 10) = 1;
  StampTextLine(page, 10, 10, view);
  EXPECT_EQ(Pin(page, 10, 10), 0x81);
  EXPECT_EQ(Pin(page, 49, 13), 0x80);
  StampTextLine(page, 30, 38, view);  // (69, 41) lies outside
  EXPECT_EQ(Pin(page, 30, 38), 0x80);
  StampTextLine(page, 2147483647, -2147483647 - 1, view);
  EXPECT_EQ(view.refreshes, 3);
  EXPECT_FALSE(PinInRange(60, 0));
  EXPECT_FALSE(PinInRange(0, -1));
  EXPECT_TRUE(PinInRange(59, 39));
  // One text pin just inside an edge (or none), the other just outside:
  // the one outside neither wraps into the next row nor lands on the text
  // line below the page.
  const struct {
    int x0, y0, insideX, insideY;
  } edges[] = {{21, 36, 21, 36}, {0, 37, 0, 37}, {-1, 1, 38, 4}, {10, -3, 49, 0}, {59, -1, -1, -1}};
  for (const auto& edge : edges) {
    DotPage stamped = EmptyPage();
    TextPin(stamped, 0, 0) = 1;
    TextPin(stamped, 39, 3) = 1;
    DotPage expected = stamped;
    if (edge.insideX >= 0) Pin(expected, edge.insideX, edge.insideY) = kPinNewest;
    StampTextLine(stamped, edge.x0, edge.y0, view);
    EXPECT_EQ(std::memcmp(&stamped, &expected, sizeof stamped), 0) << edge.x0 << "," << edge.y0;
  }
}
