// Any bytes as the block a program put on the clipboard, taken through
// the checks and sizes of the library's paste: the header part and every
// byte read lie inside the block, an uncompressed picture is read row by
// row to its last byte, any compression but RLE is refused, and an RLE
// picture gives its decompressor no more than arrived and is decompressed
// into a picture the library can make.
#include <cstdint>

#include "capture/picture_model.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DibFields fields;
  DibLayout layout;
  const ClipboardDib verdict = DibCheckClipboard(data, size, &fields, &layout);
  if (verdict != ClipboardDib::kAccepted) return 0;
  // Only RGB, bit fields and RLE whose runs fit come through.
  Check(DibIsUncompressed(fields) || DibIsRle(fields));
  Check(layout.headerPart <= size);
  const std::uint64_t pixels = size - layout.headerPart;
  // The picture is made from the header part and the bytes behind it, and
  // checked again on the way.
  DibLayout again;
  Check(DibLayoutOf(fields, &again) && again.headerPart == layout.headerPart);
  Check(DibFrameIsComplete(fields, layout, static_cast<std::size_t>(pixels)));
  if (DibIsUncompressed(fields)) {
    Check(layout.imageSize == layout.stride * DibRows(fields.height) && layout.imageSize <= pixels);
    return 0;
  }
  const std::uint32_t input = DibCompressedInputBytes(fields, static_cast<std::size_t>(pixels));
  Check(input > 0 && input <= pixels);
  const DibFields target = DibDecompressedFields(fields);
  DibLayout targetLayout;
  if (!DibLayoutOf(target, &targetLayout)) return 0;  // too large to make: refused
  Check(DibIsUncompressed(target) && target.width == fields.width && target.height == fields.height);
  Check(targetLayout.imageSize == targetLayout.stride * DibRows(target.height));
  return 0;
}
