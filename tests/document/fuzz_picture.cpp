// A picture file as the decoder hands it over, of any size and with rows
// missing, into the pins: a refused or short picture leaves the page as it
// was, an accepted one writes only 0 and 1 and never the text line, and a
// black picture raises exactly its fitted place: centred, filling the
// page's width or height.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/text.h"
#include "document/picture.h"
#include "tests/fuzz_quiet.h"

namespace {

// Pixels read per input at most, so that every input runs fast; a larger
// picture gets the rows that fit and so arrives short.
constexpr std::int64_t kPixelBudget = 1 << 15;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

struct BytesDecoder : PictureDecoder {
  int width = 0, height = 0;
  PixelLayout layout = PixelLayout::kBgrx;
  bool black = false;
  const std::uint8_t* bytes = nullptr;
  std::size_t size = 0;

  bool Decode(const char*, PageFitter& fitter, char (&problem)[kPictureProblemMax]) const override {
    if (!fitter.Begin(width, height)) {
      CopyText(problem, sizeof problem,
               "Bildgr\xF6\xDF"
               "e");
      return false;
    }
    const std::int64_t rows = kPixelBudget / width < height ? kPixelBudget / width : height;
    // Black: blue, green and red 0, alpha opaque.
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4, 0);
    for (std::size_t i = 3; black && i < row.size(); i += 4) row[i] = 255;
    std::size_t at = 0;
    for (std::int64_t y = 0; y < rows; ++y) {
      if (!black && size > 0) {
        for (std::uint8_t& b : row) b = bytes[at++ % size];
      }
      fitter.AddRow(row.data(), layout);
    }
    return true;
  }
};

// The raised pins of a black picture form the box the picture was fitted
// into.
void CheckBlackFit(const DotPage& page) {
  int left = kPageColumns, right = -1, top = kPageRows, bottom = -1, raised = 0;
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x) {
      if (!page.pins[y * kPageColumns + x]) continue;
      ++raised;
      left = x < left ? x : left;
      right = x > right ? x : right;
      top = y < top ? y : top;
      bottom = y > bottom ? y : bottom;
    }
  const int w = right - left + 1, h = bottom - top + 1;
  Check(raised > 0 && raised == w * h);
  Check(left == (kPageColumns - w) / 2 && top == (kPageRows - h) / 2);
  Check(w == kPageColumns || h == kPageRows);
}

}  // namespace

// Bytes 0-1: width, 2-3: height, 4: flags (bit 0 a large width, bit 1 a
// large height, bit 2 alpha, bit 3 black), 5: threshold in percent; the
// rest the pixels (repeated).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QuietLog();
  if (size < 6) return 0;
  static DotPage page, before;
  BytesDecoder decoder;
  const int w = data[0] | data[1] << 8, h = data[2] | data[3] << 8;
  // Sides -1 .. 298, or the largest side give or take two.
  decoder.width = data[4] & 1 ? kPictureSideMax - 2 + w % 5 : w % 300 - 1;
  decoder.height = data[4] & 2 ? kPictureSideMax - 2 + h % 5 : h % 300 - 1;
  decoder.layout = data[4] & 4 ? PixelLayout::kBgra : PixelLayout::kBgrx;
  decoder.black = data[4] & 8;
  decoder.bytes = data + 6;
  decoder.size = size - 6;
  const float percent = decoder.black ? kPictureThresholdDefault : static_cast<float>(data[5] % 101);

  for (int i = 0; i < kPagePins; ++i) page.pins[i] = static_cast<std::uint8_t>(i * 7);
  for (int i = 0; i < kTextPins; ++i) page.textPins[i] = static_cast<std::uint8_t>(i * 3);
  std::memcpy(&before, &page, sizeof page);
  PageObserver view;
  // A black picture checks the threshold rule's fit; any other is read in
  // either mode.
  const PictureMode mode = !decoder.black && data[4] & 16 ? PictureMode::kOutline : PictureMode::kThreshold;
  if (!LoadPicture("fuzz.png", &decoder, percent, mode, page, view)) {
    Check(std::memcmp(&before, &page, sizeof page) == 0);
    return 0;
  }
  for (std::uint8_t pin : page.pins) Check(pin <= 1);
  Check(std::memcmp(before.textPins, page.textPins, sizeof page.textPins) == 0);
  if (decoder.black) CheckBlackFit(page);
  return 0;
}
