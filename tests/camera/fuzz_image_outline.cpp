#include <cstdint>

#include "document/image_outline.h"

// The bytes are the page picture's pixels, red, green and blue of pixel i
// taken from bytes i, i + 1 and i + 2 (repeated as needed). Any picture
// gives pins of 0 or 1, as many as the conversion says, a threshold not
// below the floor; a picture of one colour gives none.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  PagePicture picture;
  for (std::size_t i = 0; i < kPagePins; ++i)
    picture.pixels[i] = PixelRgb{data[i % size], data[(i + 1) % size], data[(i + 2) % size]};
  std::uint8_t pins[kPagePins];
  const OutlineStats stats = PictureToOutline(picture, pins);
  int raised = 0;
  for (std::uint8_t pin : pins) {
    if (pin > 1) __builtin_trap();
    raised += pin;
  }
  if (raised != stats.raised || !(stats.threshold >= kOutlineFloor) || stats.edges > kPagePins) __builtin_trap();
  if (size == 1 && raised != 0) __builtin_trap();
  return 0;
}
