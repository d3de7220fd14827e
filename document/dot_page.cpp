#include "document/dot_page.h"

#include <cstring>

#include "base/log.h"
#include "base/text.h"

static_assert(offsetof(DotPage, textPins) == offsetof(DotPage, pins) + kPagePins,
              "graphic and text pins lie back to back");
static_assert(offsetof(DTM, graphic) == 10 && offsetof(DTM, cells) == 310 && offsetof(DTM, text) == 330,
              "the record is the device's byte image");

namespace {

// The part of the page that whole-page operations walk: the laid-out size,
// never more than the arrays hold.
int Columns(const DotPage& page) { return page.columns < kPageColumns ? page.columns : kPageColumns; }
int Rows(const DotPage& page) { return page.rows < kPageRows ? page.rows : kPageRows; }

void SetBit(std::uint8_t* bytes, int x, int y) {
  bytes[PackedByte(x, y)] |= static_cast<std::uint8_t>(1u << PackedBit(x, y));
}
bool GetBit(const std::uint8_t* bytes, int x, int y) { return (bytes[PackedByte(x, y)] >> PackedBit(x, y)) & 1u; }

}  // namespace

bool PinInRange(int x, int y) { return x >= 0 && x < kPageColumns && y >= 0 && y < kPageRows; }

bool ClearMarks(DotPage& page, std::uint8_t mask) {
  page.modified = 1;
  bool found = false;
  const std::uint8_t keep = static_cast<std::uint8_t>(~mask);
  for (int y = 0; y < Rows(page); ++y) {
    for (int x = 0; x < Columns(page); ++x) {
      std::uint8_t& pin = Pin(page, x, y);
      if (pin & mask) found = true;
      pin &= keep;
    }
  }
  return found;
}

void AgeMarks(DotPage& page, PageObserver& view) {
  page.modified = 1;
  for (std::uint8_t& v : page.pins) v = static_cast<std::uint8_t>(((v >> 1) & 0x7E) | (v & 0x03));
  view.RequestRefresh(false);
}

void SetPin(DotPage& page, int x, int y, bool set, bool age, PageObserver& view) {
  page.modified = 1;
  if (age) AgeMarks(page, view);
  if (PinInRange(x, y)) {
    std::uint8_t& pin = Pin(page, x, y);
    pin = set ? static_cast<std::uint8_t>(pin | kPinNewest) : 0;
  }
  view.RequestRefresh(false);
}

void PackPage(const DotPage& page, DTM& record) {
  std::memset(record.Bytes(), 0, kDtmSize);
  PackGraphic(page, record);
}

void PackGraphic(const DotPage& page, DTM& record) {
  std::memset(record.graphic, 0, sizeof record.graphic);
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x)
      if (Pin(page, x, y) != 0) SetBit(record.graphic, x, y);
}

void PackTextLine(const DotPage& page, DTM& record, const char* lastText) {
  for (int y = 0; y < kTextRows; ++y)
    for (int x = 0; x < kTextColumns; ++x)
      if (page.textPins[y * kPageColumns + x] != 0) SetBit(record.cells, x, y);
  CopyText(record.text, sizeof record.text, lastText);
  LogWrite("SetTxt:%s", record.text);
}

void UnpackPage(DotPage& page, const DTM& record, PageObserver& view) {
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x) Pin(page, x, y) = GetBit(record.graphic, x, y) ? 1 : 0;
  view.RepaintPins();
}

void UnpackTextLine(DotPage& page, const DTM& record, PageObserver& view) {
  for (int y = 0; y < kTextRows; ++y)
    for (int x = 0; x < kTextColumns; ++x) TextPin(page, x, y) = GetBit(record.cells, x, y) ? 1 : 0;
  view.RepaintTextLine();
}

void StampTextLine(DotPage& page, int x0, int y0, PageObserver& view) {
  for (int y = 0; y < kTextRows; ++y) {
    for (int x = 0; x < kTextColumns; ++x) {
      if (page.textPins[y * kPageColumns + x] == 0) continue;
      // Offsets far outside the page must not overflow the sum.
      long long px = static_cast<long long>(x0) + x, py = static_cast<long long>(y0) + y;
      if (px >= 0 && px < kPageColumns && py >= 0 && py < kPageRows)
        Pin(page, static_cast<int>(px), static_cast<int>(py)) |= kPinNewest;
    }
  }
  view.RequestRefresh(false);
}

void DeleteAll(DotPage& page, DTM& record, PageObserver& view) {
  std::memset(page.pins, 0, kPagePins + kTextPins);
  std::memset(record.Bytes(), 0, kDtmSize);
  view.RequestRefresh(true);
}

void InvertPage(DotPage& page, PageObserver& view) {
  page.modified = 1;
  for (int y = 0; y < kPageRows; ++y) {
    for (int x = 0; x < kPageColumns; ++x) {
      std::uint8_t& pin = Pin(page, x, y);
      pin = pin == 0 ? kPinCommitted : 0;
      view.RepaintPin(x, y);
    }
  }
  view.RequestRefresh(true);
}

void AcceptPage(DotPage& page, PageObserver& view) {
  page.modified = 1;
  for (int y = 0; y < kPageRows; ++y) {
    for (int x = 0; x < kPageColumns; ++x) {
      std::uint8_t& pin = Pin(page, x, y);
      if (pin != 0) pin = kPinCommitted;
      view.RepaintPin(x, y);
    }
  }
  view.RequestRefresh(true);
}

void UndoStroke(DotPage& page, PageObserver& view) {
  static const std::uint8_t kLayers[] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02};
  for (std::uint8_t mask : kLayers)
    if (ClearMarks(page, mask)) break;
  view.RequestRefresh(true);
}
