#include "document/render_pins.h"

namespace {

bool Black(const std::uint8_t* bits, int stride, int x, int y) {
  return ((bits[y * stride + x / 8] >> (7 - x % 8)) & 1u) == 0;
}

}  // namespace

void PinsFromMonoImage(DotPage& page, const std::uint8_t* bits, int stride) {
  if (!bits || stride * 8 < kRenderWidth) return;
  page.modified = 1;
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x) Pin(page, x, y) = Black(bits, stride, x, y) ? kPinCommitted : 0;
}
