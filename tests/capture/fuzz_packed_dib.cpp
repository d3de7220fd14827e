#include <cstdint>

#include "capture/picture_model.h"

// Any bytes as a clipboard block: an accepted bitmap lies inside them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DibFields fields;
  DibLayout layout;
  if (!DibCheckPacked(data, size, &fields, &layout)) return 0;
  if (layout.headerPart + layout.imageSize > size) __builtin_trap();
  if (DibIsUncompressed(fields) && layout.imageSize != layout.stride * DibRows(fields.height)) __builtin_trap();
  return 0;
}
