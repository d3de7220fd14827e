#include <cstdint>
#include <cstring>

#include "document/bmp.h"

// Any bytes: a page bitmap is read inside its bytes into pins of 0 and 1,
// and the page written from them reads back the same.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static DotPage page, again;
  BmpLayout layout = BmpInspect(data, size);
  if (layout.kind != BmpKind::kPage) return 0;
  if (layout.bytesUsed > size) __builtin_trap();
  std::memset(&page, 0x40, sizeof page);
  BmpReadPins(data, layout, page);
  for (std::uint8_t pin : page.pins)
    if (pin > 1) __builtin_trap();
  std::vector<std::uint8_t> file = BmpFormat(page, layout.height == kBmpHeightWithGap);
  BmpLayout back = BmpInspect(file.data(), file.size());
  if (back.kind != BmpKind::kPage) __builtin_trap();
  BmpReadPins(file.data(), back, again);
  if (std::memcmp(page.pins, again.pins, sizeof page.pins) != 0) __builtin_trap();
  return 0;
}
