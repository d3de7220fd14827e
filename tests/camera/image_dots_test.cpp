// Pixels to pins on synthetic pictures: the fit into the page, and the
// brightness and threshold rules of the camera and screen views.
#include <gtest/gtest.h>

#include <vector>

#include "document/image_dots.h"

namespace {

struct Picture {
  int width, height;
  std::vector<std::uint8_t> bytes;
  Picture(int w, int h, std::uint8_t red, std::uint8_t green = 255, std::uint8_t blue = 255, std::uint8_t alpha = 255)
      : width(w), height(h), bytes(static_cast<std::size_t>(w) * h * 4) {
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
      bytes[i] = blue;
      bytes[i + 1] = green;
      bytes[i + 2] = red;
      bytes[i + 3] = alpha;
    }
  }
  std::uint8_t* At(int x, int y) { return &bytes[(static_cast<std::size_t>(y) * width + x) * 4]; }
  PagePicture Fit(PixelLayout layout = PixelLayout::kBgra) {
    PagePicture out;
    EXPECT_TRUE(FitToPage(PixelRows{bytes.data(), width, height, width * 4, layout}, out));
    return out;
  }
};

std::vector<int> Pins(const PagePicture& picture, DotsRule rule) {
  std::uint8_t pins[kPagePins];
  PictureToPins(picture, rule, pins);
  return std::vector<int>(pins, pins + kPagePins);
}

int Raised(const std::vector<int>& pins) {
  int n = 0;
  for (int p : pins) n += p;
  return n;
}

const DotsRule kFixedHalf{DotsMode::kFixed, ThresholdFromPercent(50)};
const DotsRule kCamera{DotsMode::kDynamicCamera, 0};
const DotsRule kScreen{DotsMode::kDynamicScreen, 0};

}  // namespace

TEST(ImageDots, BrightnessAndThresholdRules) {
  EXPECT_FLOAT_EQ(PixelBrightness(255), 441.67294f);
  EXPECT_FLOAT_EQ(ThresholdFromPercent(50), 220.83647f);
  PagePicture white = Picture(60, 40, 255).Fit();
  for (const DotsRule& rule : {kFixedHalf, kCamera, kScreen}) EXPECT_EQ(Raised(Pins(white, rule)), 0);
  PagePicture black = Picture(60, 40, 0).Fit();
  EXPECT_EQ(Raised(Pins(black, kFixedHalf)), kPagePins);
  EXPECT_EQ(Raised(Pins(black, kCamera)), 0) << "mean 0: v <= -1 is never true";
  EXPECT_EQ(Raised(Pins(black, kScreen)), 0);
  // Only red counts: pure blue and green are black.
  EXPECT_EQ(Raised(Pins(Picture(60, 40, 0, 255, 0).Fit(), kFixedHalf)), kPagePins);
  EXPECT_EQ(Raised(Pins(Picture(60, 40, 0, 0, 255).Fit(), kFixedHalf)), kPagePins);
  // At 100 % every red below 255 is raised, 255 is not.
  const DotsRule full{DotsMode::kFixed, ThresholdFromPercent(100)};
  EXPECT_EQ(Raised(Pins(Picture(60, 40, 254).Fit(), full)), kPagePins);
  EXPECT_EQ(Raised(Pins(white, full)), 0);

  // Half dark, half light: both dynamic rules raise the dark half.
  Picture halves(60, 40, 200);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x) halves.At(x, y)[2] = 100;
  PagePicture half = halves.Fit();
  std::vector<int> camera = Pins(half, kCamera), screen = Pins(half, kScreen);
  EXPECT_EQ(Raised(camera), kPagePins / 2);
  EXPECT_EQ(camera, screen);
  for (int i = 0; i < kPagePins / 2; ++i) ASSERT_EQ(camera[i], 1) << i;
}

TEST(ImageDots, FitKeepsAspectCentresAndAveragesAreas) {
  // 100 x 100 black: 40 x 40 in columns 10..49.
  std::vector<int> square = Pins(Picture(100, 100, 0).Fit(), kFixedHalf);
  for (int i = 0; i < kPagePins; ++i) ASSERT_EQ(square[i], i % 60 >= 10 && i % 60 < 50) << i;
  // 200 x 50: 60 x 15 in rows 12..26.
  std::vector<int> wide = Pins(Picture(200, 50, 0).Fit(), kFixedHalf);
  for (int i = 0; i < kPagePins; ++i) ASSERT_EQ(wide[i], i / 60 >= 12 && i / 60 < 27) << i;
  // One pixel grows to 40 x 40.
  EXPECT_EQ(Raised(Pins(Picture(1, 1, 0).Fit(), kFixedHalf)), 1600);

  // 120 x 80 checkerboard of red 0 and 255: every page pixel averages
  // four, 127.5 rounds to 128.
  Picture board(120, 80, 255);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 120; ++x)
      if ((x + y) % 2) board.At(x, y)[2] = 0;
  PagePicture fitted = board.Fit();
  for (const PixelRgb& p : fitted.pixels) ASSERT_EQ(p.red, 128);
  // 90 x 60 (scale 2/3): page pixel 0 covers source pixels 0 and half of 1.
  Picture thirds(90, 60, 255);
  for (int y = 0; y < 60; ++y) thirds.At(0, y)[2] = 0;
  EXPECT_EQ(thirds.Fit().pixels[0].red, 85);  // (0 * 1 + 255 * 0.5) / 1.5

  // Alpha lies over white; without alpha the fourth byte is ignored.
  Picture clear(60, 40, 0, 0, 0, 0);
  EXPECT_EQ(Raised(Pins(clear.Fit(), kFixedHalf)), 0);
  EXPECT_EQ(Raised(Pins(clear.Fit(PixelLayout::kBgrx), kFixedHalf)), kPagePins);
  EXPECT_EQ(Picture(60, 40, 0, 0, 0, 128).Fit().pixels[0].red, 127);
}

TEST(ImageDots, FitterRefusesWhatItCannotTake) {
  PageFitter fitter;
  EXPECT_FALSE(fitter.Begin(0, 10));
  EXPECT_FALSE(fitter.Begin(10, -1));
  EXPECT_FALSE(fitter.Begin(kPictureSideMax + 1, 1));
  EXPECT_FALSE(fitter.Begin(20000, 20000)) << "more pixels than the limit";
  ASSERT_TRUE(fitter.Begin(4, 2));
  std::uint8_t row[16] = {};
  fitter.AddRow(row, PixelLayout::kBgrx);
  PagePicture out;
  EXPECT_FALSE(fitter.Finish(out)) << "one row of two";
  fitter.AddRow(row, PixelLayout::kBgrx);
  fitter.AddRow(row, PixelLayout::kBgrx);  // beyond the height: ignored
  EXPECT_TRUE(fitter.Finish(out));
}
