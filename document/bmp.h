// The page as a black-and-white bitmap, one pixel per pin: 60 pixels wide,
// the 40 graphic rows at the top, the 4 rows of the text line (columns
// 0..39) at the bottom, optionally two blank rows between them; 1 bit per
// pixel, 1 = black = raised, rows stored bottom-up, 8 bytes per row,
// 300 pixels per inch.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/dot_page.h"

constexpr int kBmpRowBytes = 8;  // 60 pixels and 4 unused bits
constexpr int kBmpGapRows = 2;
constexpr int kBmpHeight = kPageRows + kTextRows;            // 44
constexpr int kBmpHeightWithGap = kBmpHeight + kBmpGapRows;  // 46
constexpr int kBmpFileHeader = 14;
constexpr int kBmpInfoHeader = 40;
constexpr int kBmpColours = 2;
constexpr int kBmpPixelOffset = kBmpFileHeader + kBmpInfoHeader + 4 * kBmpColours;  // 62
constexpr int kBmpPixelsPerMetre = 11811;                                           // 300 dots per inch
// What the reader looks at: a page bitmap is far smaller; of a larger file
// only the headers matter.
constexpr std::size_t kBmpReadMax = 64 * 1024;

// The file for a page: 414 bytes, 430 with the gap rows.
std::vector<std::uint8_t> BmpFormat(const DotPage& page, bool gap);

enum class BmpKind {
  kPage,         // a bitmap of the page's layout: read by BMP::Load
  kOtherBitmap,  // a bitmap of another size, depth or compression
  kBroken,       // no bitmap, or one that ends too soon
};

struct BmpLayout {
  BmpKind kind = BmpKind::kBroken;
  const char* problem = "";  // why a file is broken (for the log)
  std::int32_t width = 0, height = 0;
  int bits = 0;
  std::uint32_t compression = 0;
  std::uint32_t pixelOffset = 0;
  bool topDown = false;       // rows stored from the top (negative height)
  int raisedValue = 1;        // the pixel value that is dark: a raised pin
  std::size_t bytesUsed = 0;  // headers and rows of a page bitmap
};

// Reads the headers. A page bitmap is 60 pixels wide and 44 or 46 high,
// rows in either order, 1 bit per pixel, uncompressed, with its rows inside
// the bytes; the header size and pixel offset are taken from the file, and
// of the two colours the darker one (by the camera's brightness, red) is
// the raised pin (the colour 1 when both are alike or missing).
BmpLayout BmpInspect(const std::uint8_t* bytes, std::size_t size);
// Sets every graphic pin and every text pin from a page bitmap (all other
// bits of the pins are cleared).
void BmpReadPins(const std::uint8_t* bytes, const BmpLayout& layout, DotPage& page);
// The kind of a file; kBroken when it cannot be read.
BmpKind BmpFileKind(const char* fileName);

struct BMP {
  // Reads a page bitmap into the pins; 1 on success. Any other file leaves
  // the page as it is and gives 0.
  int Load(const char* fileName, DotPage& page, PageObserver& view);
  // Writes the page; the bytes written (414 or 430), 0 on failure.
  int Save(const char* fileName, const DotPage& page, bool gap);
};
