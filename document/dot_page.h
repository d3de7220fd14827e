// The dot page: the one document the program edits and shows on the device.
// Pin form (`DotPage`, one byte per pin) and device form (`DTM`, eight pins
// to a byte, as the device wants them) are kept in step by the functions
// here. Nothing here knows about windows: changes are reported to a
// `PageObserver`, which the main window plugs in.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/text.h"

constexpr int kPageColumns = 60;
constexpr int kPageRows = 40;
constexpr int kPagePins = kPageColumns * kPageRows;  // 2400
constexpr int kTextCells = 20;
constexpr int kTextColumns = 40;  // pins of the braille text line
constexpr int kTextRows = 4;
constexpr int kTextPins = kTextRows * kPageColumns;  // 240, columns 0..39 used
constexpr int kPackedGraphic = 300;
constexpr int kDtmHeader = 10;
constexpr int kDtmTextField = 20;
constexpr int kDtmTextBuffer = 80;
constexpr int kDtmSize = kDtmHeader + kPackedGraphic + kTextCells + kDtmTextField;  // 350

// Bits of one graphic pin byte.
constexpr std::uint8_t kPinCommitted = 0x01;  // loaded, camera, text, accepted
constexpr std::uint8_t kPinAged = 0x02;       // stroke older than the undo layers
constexpr std::uint8_t kPinNewest = 0x80;     // newest of the six stroke layers

class PageObserver;

struct DotPage {
  // Graphic pins then text-line pins, back to back, so that clearing
  // kPagePins + kTextPins bytes from pins[0] clears both.
  std::uint8_t pins[kPagePins];
  std::uint8_t textPins[kTextPins];
  std::uint8_t pinSize;
  std::uint8_t columns;  // 60 once the view is laid out
  std::uint8_t rows;     // 40 once the view is laid out
  std::int32_t anchorX;
  std::int32_t anchorY;
  std::int32_t modified;
};

// The device form: 350 bytes that are packed, sent, saved and loaded, and
// the 80-byte text buffer that starts at the text field and reaches 60 bytes
// beyond them.
struct DTM {
  std::uint8_t header[kDtmHeader];
  std::uint8_t graphic[kPackedGraphic];
  std::uint8_t cells[kTextCells];
  char text[kDtmTextBuffer];

  // Reads a .dtm file into the record; returns the bytes read (0 when the
  // file cannot be opened). The observer unpacks, repaints and retranslates.
  int Load(const char* fileName, DotPage& page, PageObserver& view);
  // Writes the 350 bytes behind the "_dtm_<(" header; returns the bytes
  // written, 0 when the file cannot be created.
  int Save(const char* fileName, PageObserver& view);

  std::uint8_t* Bytes() { return header; }
  const std::uint8_t* Bytes() const { return header; }
};

// How the model reaches the window code. Every call is a request; the
// main window decides how to show it. Defaults do nothing, so tests and
// tools override only what they look at.
class PageObserver {
 public:
  virtual ~PageObserver() = default;
  // Posts CMD_REFRESH; full = true asks for a full re-layout.
  virtual void RequestRefresh(bool full) { (void)full; }
  virtual void RepaintPins() {}
  virtual void RepaintPin(int x, int y) {
    (void)x;
    (void)y;
  }
  virtual void RepaintTextLine() {}
  virtual void ShowStatus(const char* text) { (void)text; }
  // A text of the interface language, `def` (German) where there is none.
  virtual void GetText(const char* key, char* out, const char* def, int size) {
    (void)key;
    CopyText(out, size > 0 ? static_cast<std::size_t>(size) : 0, def);
  }
  // Puts the text into the edit line, which translates and sends it.
  virtual void SetEditText(const char* text) { (void)text; }
};

bool PinInRange(int x, int y);
inline std::uint8_t& Pin(DotPage& page, int x, int y) { return page.pins[y * kPageColumns + x]; }
inline std::uint8_t Pin(const DotPage& page, int x, int y) { return page.pins[y * kPageColumns + x]; }
inline std::uint8_t& TextPin(DotPage& page, int x, int y) { return page.textPins[y * kPageColumns + x]; }

// Byte and bit of the pin (x, y) in the packed graphic (also of text pins
// in the 20 braille cells, with y in 0..3).
inline int PackedByte(int x, int y) { return x / 2 + (y / 4) * (kPageColumns / 2); }
inline int PackedBit(int x, int y) { return y % 4 + 4 * (x % 2); }

bool ClearMarks(DotPage& page, std::uint8_t mask);
void AgeMarks(DotPage& page, PageObserver& view);
void SetPin(DotPage& page, int x, int y, bool set, bool age, PageObserver& view);
void PackPage(const DotPage& page, DTM& record);
// Only the graphic: the braille cells and the text stay as they are (the
// camera view's tick, which must not take the braille line away).
void PackGraphic(const DotPage& page, DTM& record);
// ORs the text pins into the cells and copies the last translated text
// (at most 79 characters) into the text buffer.
void PackTextLine(const DotPage& page, DTM& record, const char* lastText);
void UnpackPage(DotPage& page, const DTM& record, PageObserver& view);
void UnpackTextLine(DotPage& page, const DTM& record, PageObserver& view);
void StampTextLine(DotPage& page, int x0, int y0, PageObserver& view);

// Whole-page commands (dispatch and sounds belong to the main window).
void DeleteAll(DotPage& page, DTM& record, PageObserver& view);  // CMD_DELETEALL
void InvertPage(DotPage& page, PageObserver& view);              // CMD_INVERT
void AcceptPage(DotPage& page, PageObserver& view);              // CMD_ACP
void UndoStroke(DotPage& page, PageObserver& view);              // CMD_BACK
