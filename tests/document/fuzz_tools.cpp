// Random pointer event sequences against the drawing tools: no pin outside
// the page may change, and undo right after a stroke that drew something
// gives back the page as it was when the stroke began.
#include <cstdint>
#include <cstring>

#include "document/tools.h"

namespace {

constexpr std::size_t kEventSize = 6;
constexpr std::uint8_t kTextPattern = 0x5A;

enum Event { kLeftDown, kRightDown, kDrag, kMove, kToolNext, kToolPrevious, kUndo, kStamp, kEventKinds };

struct Stroke {
  bool open = false;  // started by a press that ages the layers
  bool clean = true;  // nothing erased since
  DotPage before{};   // the page as the stroke began
};

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

bool HasNewest(const DotPage& page) {
  for (std::uint8_t p : page.pins)
    if (p & kPinNewest) return true;
  return false;
}

// Undo of the open stroke must give the page it began with.
void CheckUndo(const Stroke& stroke, const DotPage& page) {
  if (!stroke.open || !stroke.clean || !HasNewest(page)) return;
  DotPage undone = page;
  PageObserver view;
  UndoStroke(undone, view);
  Check(std::memcmp(undone.pins, stroke.before.pins, kPagePins) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static DotPage page;
  std::memset(&page, 0, sizeof page);
  page.columns = kPageColumns;
  page.rows = kPageRows;
  page.pinSize = 10;
  std::memset(page.textPins, kTextPattern, sizeof page.textPins);
  // The first bytes seed committed pins and earlier strokes.
  for (std::size_t i = 0; i < size && i < 64; ++i) page.pins[(i * 37u + data[i]) % kPagePins] = data[i];
  PageObserver view;
  ToolState state;
  Stroke stroke;
  for (std::size_t at = 0; at + kEventSize <= size; at += kEventSize) {
    const std::uint8_t* e = data + at;
    const int kind = e[0] % kEventKinds;
    const int pinSize = e[1] / kToolCount % 26 - 1;  // -1 .. 24
    const int px = static_cast<std::int16_t>(e[2] | e[3] << 8);
    const int py = static_cast<std::int16_t>(e[4] | e[5] << 8);
    state.tool = 1 + e[1] % kToolCount;
    PagePoint pin{}, from{};
    switch (kind) {
      case kLeftDown:
        if (ConsumeSkip(state) || !TakePressPin(state, px, py, pinSize, pin)) break;
        CheckUndo(stroke, page);
        stroke = Stroke{};
        if (state.tool != kToolEraser) {
          stroke.open = true;
          stroke.before = page;
          AgeMarks(stroke.before, view);
        }
        ToolPress(state, page, pin, view);
        break;
      case kRightDown:
        if (ConsumeSkip(state) || !TakePressPin(state, px, py, pinSize, pin)) break;
        stroke.clean = false;
        ToolErase(page, pin, view);
        break;
      case kDrag:
      case kMove: {
        const bool left = kind == kDrag;
        if (ConsumeSkip(state) || !TakeDragPin(state, px, py, pinSize, pin, from)) break;
        if (!left && state.tool != kToolFill) stroke.clean = false;
        ToolDrag(state, page, from, pin, left, view);
        break;
      }
      case kToolNext:
        state.tool = ToolNext(state.tool);
        EndStroke(state);
        state.skipCounter = e[2] % 3;
        break;
      case kToolPrevious: state.tool = ToolPrevious(state.tool); break;
      case kUndo:
        CheckUndo(stroke, page);
        UndoStroke(page, view);
        stroke = Stroke{};
        break;
      case kStamp: StampTextLine(page, px % 200, py % 200, view); break;
      default: break;
    }
    for (std::uint8_t p : page.textPins) Check(p == kTextPattern);
    Check(page.columns == kPageColumns && page.rows == kPageRows && page.pinSize == 10);
  }
  CheckUndo(stroke, page);
  return 0;
}
