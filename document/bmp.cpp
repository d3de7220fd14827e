#include "document/bmp.h"

#include <cstring>

#include "base/log.h"
#include "document/file_bytes.h"
#include "document/image_dots.h"

namespace {

constexpr std::uint16_t kBmpType = 0x4D42;  // "BM"
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kBlack = 0x00000000;

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  out[at] = static_cast<std::uint8_t>(value);
  out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}
std::uint32_t Get16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | p[1] << 8); }
std::uint32_t Get32(const std::uint8_t* p) { return Get16(p) | Get16(p + 2) << 16; }

// Image rows from the top: the graphic, the gap, the text line.
int Rows(bool gap) { return gap ? kBmpHeightWithGap : kBmpHeight; }

// Where an image row from the top lies among the pins: a graphic row, a
// text-line row (40 columns) or a gap row (no columns).
struct RowPins {
  bool text;
  int offset;
  int columns;
};
RowPins PinsOfRow(int imageRow, int height) {
  if (imageRow < kPageRows) return {false, imageRow * kPageColumns, kPageColumns};
  const int textRow = imageRow - (height - kTextRows);
  if (textRow >= 0) return {true, textRow * kPageColumns, kTextColumns};
  return {false, 0, 0};
}

// The row's offset in the file for an image row from the top.
std::size_t FileRow(int imageRow, int height, bool topDown) {
  return static_cast<std::size_t>(topDown ? imageRow : height - 1 - imageRow) * kBmpRowBytes;
}

}  // namespace

std::vector<std::uint8_t> BmpFormat(const DotPage& page, bool gap) {
  const int height = Rows(gap);
  const std::uint32_t imageSize = static_cast<std::uint32_t>(height * kBmpRowBytes);
  std::vector<std::uint8_t> out(kBmpPixelOffset + imageSize, 0);
  Put16(out, 0, kBmpType);
  Put32(out, 2, kBmpPixelOffset + imageSize);
  Put32(out, 10, kBmpPixelOffset);
  Put32(out, 14, kBmpInfoHeader);
  Put32(out, 18, kPageColumns);
  Put32(out, 22, static_cast<std::uint32_t>(height));
  Put16(out, 26, 1);  // planes
  Put16(out, 28, 1);  // bits per pixel
  Put32(out, 30, kUncompressed);
  Put32(out, 34, imageSize);
  Put32(out, 38, kBmpPixelsPerMetre);
  Put32(out, 42, kBmpPixelsPerMetre);
  Put32(out, 54, kWhite);  // colour 0
  Put32(out, 58, kBlack);  // colour 1
  for (int r = 0; r < height; ++r) {
    const RowPins at = PinsOfRow(r, height);
    const std::uint8_t* pins = (at.text ? page.textPins : page.pins) + at.offset;
    std::uint8_t* row = out.data() + kBmpPixelOffset + FileRow(r, height, false);
    for (int c = 0; c < at.columns; ++c)
      if (pins[c] != 0) row[c / 8] |= static_cast<std::uint8_t>(0x80u >> (c % 8));
  }
  return out;
}

BmpLayout BmpInspect(const std::uint8_t* bytes, std::size_t size) {
  BmpLayout layout;
  if (size < 2 || Get16(bytes) != kBmpType) {
    layout.problem = "kein BMP-Kopf";
    return layout;
  }
  if (size < kBmpFileHeader + kBmpInfoHeader) {
    layout.problem = "zu kurz";
    return layout;
  }
  const std::uint32_t headerSize = Get32(bytes + 14);
  layout.pixelOffset = Get32(bytes + 10);
  if (headerSize < kBmpInfoHeader) {
    // An older header: the platform's decoder reads it.
    layout.kind = BmpKind::kOtherBitmap;
    return layout;
  }
  layout.width = static_cast<std::int32_t>(Get32(bytes + 18));
  layout.height = static_cast<std::int32_t>(Get32(bytes + 22));
  const std::uint32_t planes = Get16(bytes + 26);
  layout.bits = static_cast<int>(Get16(bytes + 28));
  layout.compression = Get32(bytes + 30);
  layout.topDown = layout.height < 0;
  const bool pageHeight = layout.height == kBmpHeight || layout.height == -kBmpHeight ||
                          layout.height == kBmpHeightWithGap || layout.height == -kBmpHeightWithGap;
  if (layout.width != kPageColumns || !pageHeight || planes != 1 || layout.bits != 1 ||
      layout.compression != kUncompressed) {
    layout.kind = BmpKind::kOtherBitmap;
    return layout;
  }
  const std::uint64_t colours = static_cast<std::uint64_t>(kBmpFileHeader) + headerSize;
  const int rows = layout.topDown ? -layout.height : layout.height;
  const std::uint64_t end =
      static_cast<std::uint64_t>(layout.pixelOffset) + static_cast<std::uint64_t>(rows) * kBmpRowBytes;
  if (layout.pixelOffset < colours) {
    layout.problem = "Bildzeilen im Kopf";
    return layout;
  }
  if (end > size) {
    layout.problem = "zu kurz";
    return layout;
  }
  // The two colours, when they lie between the headers and the rows.
  if (colours + 4 * kBmpColours <= layout.pixelOffset) {
    const float dark0 = PixelBrightness(bytes[colours + 2]);
    const float dark1 = PixelBrightness(bytes[colours + 4 + 2]);
    layout.raisedValue = dark1 > dark0 ? 0 : 1;
  }
  layout.kind = BmpKind::kPage;
  layout.bytesUsed = static_cast<std::size_t>(end);
  return layout;
}

void BmpReadPins(const std::uint8_t* bytes, const BmpLayout& layout, DotPage& page) {
  std::memset(page.pins, 0, sizeof page.pins);
  std::memset(page.textPins, 0, sizeof page.textPins);
  const int height = layout.topDown ? -layout.height : layout.height;
  for (int r = 0; r < height; ++r) {
    const RowPins at = PinsOfRow(r, height);
    std::uint8_t* pins = (at.text ? page.textPins : page.pins) + at.offset;
    const std::uint8_t* row = bytes + layout.pixelOffset + FileRow(r, height, layout.topDown);
    for (int c = 0; c < at.columns; ++c) {
      const int value = (row[c / 8] >> (7 - c % 8)) & 1;
      pins[c] = value == layout.raisedValue ? 1 : 0;
    }
  }
}

BmpKind BmpFileKind(const char* fileName) {
  std::vector<std::uint8_t> bytes;
  if (ReadDocumentFile(fileName, kBmpReadMax, bytes) == FileRead::kCannotOpen) return BmpKind::kBroken;
  return BmpInspect(bytes.data(), bytes.size()).kind;
}

int BMP::Load(const char* fileName, DotPage& page, PageObserver& view) {
  std::vector<std::uint8_t> bytes;
  if (LoadDocumentBytes("BMP", fileName, kBmpReadMax, bytes) == FileRead::kCannotOpen) return 0;
  BmpLayout layout = BmpInspect(bytes.data(), bytes.size());
  if (layout.kind == BmpKind::kBroken) {
    LogWrite("Err: BMP %s nicht geladen: %s", fileName, layout.problem);
    return 0;
  }
  if (layout.kind == BmpKind::kOtherBitmap) {
    if (layout.bits != 1) {
      LogWrite("Err: zur Zeit nur BW-bitmaps");
    } else {
      LogWrite("Err: BMP %s hat %d x %d Punkte, Kompression %u", fileName, static_cast<int>(layout.width),
               static_cast<int>(layout.height), static_cast<unsigned>(layout.compression));
    }
    return 0;
  }
  DotPage copy = page;
  BmpReadPins(bytes.data(), layout, copy);
  std::memcpy(page.pins, copy.pins, sizeof page.pins);
  std::memcpy(page.textPins, copy.textPins, sizeof page.textPins);
  LogWrite("BMP::Load %s mit %d geladen.", fileName, static_cast<int>(layout.bytesUsed));
  view.RepaintPins();
  view.RepaintTextLine();
  return 1;
}

int BMP::Save(const char* fileName, const DotPage& page, bool gap) {
  std::vector<std::uint8_t> file = BmpFormat(page, gap);
  if (!SaveDocumentBytes("BMP", fileName, file.data(), file.size())) return 0;
  const int bytes = static_cast<int>(file.size());
  LogWrite("BMP::Save %s mit %d gespeichert.", fileName, bytes);
  return bytes;
}
