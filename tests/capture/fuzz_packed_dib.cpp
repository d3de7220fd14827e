#include <cstdint>

#include "capture/picture_model.h"

// Any bytes as a clipboard block: an accepted bitmap lies inside them, and
// a compressed one is RLE whose runs were walked inside the bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DibFields fields;
  DibLayout layout;
  if (DibCheckPacked(data, size, &fields, &layout)) {
    if (layout.headerPart + layout.imageSize > size) __builtin_trap();
    if (DibIsUncompressed(fields) && layout.imageSize != layout.stride * DibRows(fields.height)) __builtin_trap();
  }
  if (DibCheckClipboard(data, size, &fields, &layout) == ClipboardDib::kAccepted) {
    if (layout.headerPart + layout.imageSize > size) __builtin_trap();
    if (!DibIsUncompressed(fields) && !DibIsRle(fields)) __builtin_trap();
  }
  return 0;
}
