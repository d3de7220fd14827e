// Pictures into pins through the format table, with a decoder that hands
// over synthetic pixels instead of the platform's imaging component.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/log.h"
#include "base/text.h"
#include "document/bmp.h"
#include "document/formats.h"
#include "page_fixture.h"

namespace {

// A picture of one colour with a rectangle of another, in straight BGRA.
struct FakeDecoder : PictureDecoder {
  int width = 0, height = 0, rowsGiven = -1;
  std::vector<std::uint8_t> pixels;
  mutable std::vector<std::string> decoded;

  void Fill(int w, int h, std::uint8_t red) {
    width = w;
    height = h;
    pixels.assign(static_cast<std::size_t>(w) * h * 4, 255);
    for (std::size_t i = 0; i < pixels.size(); i += 4) pixels[i + 2] = red;
  }
  void Rect(int x0, int y0, int x1, int y1, std::uint8_t red) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) pixels[(static_cast<std::size_t>(y) * width + x) * 4 + 2] = red;
  }
  bool Decode(const char* fileName, PageFitter& fitter, char (&problem)[kPictureProblemMax]) const override {
    decoded.emplace_back(fileName);
    if (width == 0) {
      CopyText(problem, sizeof problem, "kein lesbares Bild");
      return false;
    }
    if (!fitter.Begin(width, height)) return false;
    const int rows = rowsGiven < 0 ? height : rowsGiven;
    for (int y = 0; y < rows; ++y) fitter.AddRow(&pixels[static_cast<std::size_t>(y) * width * 4], PixelLayout::kBgra);
    return true;
  }
};

class Pictures : public PageFileTest {
 protected:
  Pictures() : PageFileTest("picture_test.pro") {}
  void SetUp() override {
    PageFileTest::SetUp();
    for (int i = 0; i < kPagePins; i += 5) page.pins[i] = 0x80;
    page.textPins[3] = 1;
  }
  int Load(std::int32_t format, const char* name) {
    Document doc{page, record, view};
    doc.pictures = &decoder;
    return LoadDocument(format, name, doc);
  }
  FakeDecoder decoder;
};

}  // namespace

TEST_F(Pictures, SquarePictureIsCentredAndThresholdedAtHalfBrightness) {
  // 100 x 100: 40 x 40 pins in columns 10..49. Dark grey (red 127) is raised,
  // red 128 is not; a white margin is never raised.
  decoder.Fill(100, 100, 128);
  decoder.Rect(0, 0, 50, 100, 127);
  ASSERT_EQ(Load(kFormatPng, "square.png"), 1);
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x) ASSERT_EQ(Pin(page, x, y), x >= 10 && x < 30 ? 1 : 0) << x << "," << y;
  EXPECT_EQ(page.textPins[3], 1) << "the text line stays";
  EXPECT_EQ(view.status.back(), "Bild square.png mit 100 x 100 Punkten geladen.");
  EXPECT_EQ(view.pageRepaints, 1);
  // The status is the language's text, filled in safely whatever it holds.
  view.texts["Picture.loaded"] = "Picture %s: %d x %d dots%s%n";
  ASSERT_EQ(Load(kFormatPng, "square.png"), 1);
  EXPECT_EQ(view.status.back(), "Picture square.png: 100 x 100 dots%s%n");
}

TEST_F(Pictures, OnlyOtherBitmapsGoThePictureWay) {
  DotPage saved = EmptyPage();
  Pin(saved, 1, 1) = 1;
  BMP().Save("own.bmp", saved, false);
  std::string other = ReadBytes("own.bmp");
  other[28] = 24;  // a colour bitmap header
  WriteBytes("colour.bmp", other);
  decoder.Fill(60, 40, 0);
  ASSERT_EQ(Load(kFormatBmp, "own.bmp"), 1);
  EXPECT_TRUE(decoder.decoded.empty()) << "a page bitmap is read by the page reader";
  EXPECT_EQ(Pin(page, 1, 1), 1);
  EXPECT_EQ(Pin(page, 2, 1), 0);
  ASSERT_EQ(Load(kFormatBmp, "colour.bmp"), 1);
  ASSERT_EQ(decoder.decoded.size(), 1u);
  for (std::uint8_t pin : page.pins) ASSERT_EQ(pin, 1);
  EXPECT_EQ(Log().find("Err:"), std::string::npos);
}

TEST_F(Pictures, RefusedPicturesLeaveThePage) {
  const DotPage before = page;
  decoder.width = 0;  // no picture the decoder can read
  EXPECT_EQ(Load(kFormatJpg, "broken.jpg"), 0);
  EXPECT_NE(Log().find("Err: Bild broken.jpg nicht geladen: kein lesbares Bild"), std::string::npos);
  decoder.Fill(10, 10, 0);
  decoder.rowsGiven = 5;  // stops half way
  EXPECT_EQ(Load(kFormatGif, "half.gif"), 0);
  EXPECT_NE(Log().find("Err: Bild half.gif nicht geladen: Bild unvollst\xE4ndig"), std::string::npos);
  Document noDecoder{page, record, view};
  EXPECT_EQ(LoadDocument(kFormatPng, "any.png", noDecoder), 0);
  EXPECT_EQ(std::memcmp(page.pins, before.pins, kPagePins + kTextPins), 0);
  EXPECT_EQ(view.pageRepaints, 0);
}
