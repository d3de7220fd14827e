// The arithmetic of the camera and screen views: factor and threshold
// steps, the resolution choice, the camera window's aspect, slider moves,
// the packed graphic and the change test of a conversion.
#include <gtest/gtest.h>

#include <cstring>

#include "camera/view_model.h"

TEST(ViewModel, FactorsStayBetweenOneAndTheMaximum) {
  EXPECT_EQ(MaxFactor(1024, 768), 17);  // min(1024 / 60, 768 / 40)
  EXPECT_EQ(MaxFactor(59, 400), 0);
  EXPECT_EQ(WheelFactor(1, -1, 10), 1);
  EXPECT_EQ(WheelFactor(10, +1, 10), 10);
  EXPECT_EQ(WheelFactor(5, +1, 10), 6);
  EXPECT_EQ(WheelFactor(1, -1, 0), 1) << "a screen smaller than one unit still has factor 1";
  const struct {
    int factor, step, maximum, stepped;
  } steps[] = {{10, +1, 10, 10}, {1, -1, 10, 1}, {4, -1, 10, 3}, {4, +1, 10, 5}, {4, 0, 10, 4}};
  for (const auto& c : steps)
    EXPECT_EQ(StepFactor(c.factor, c.step, c.maximum), c.stepped) << c.factor << " " << c.step << " " << c.maximum;
}

TEST(ViewModel, ThresholdStepsOfFive) {
  EXPECT_FLOAT_EQ(StepThreshold(95.0f, +1, kCameraThresholdUpper), 100.0f);
  EXPECT_FLOAT_EQ(StepThreshold(100.0f, +1, kCameraThresholdUpper), 100.0f);
  EXPECT_FLOAT_EQ(StepThreshold(200.0f, +1, kScreenThresholdUpper), 200.0f) << "the screen's 200 only goes down";
  EXPECT_FLOAT_EQ(StepThreshold(200.0f, -1, kScreenThresholdUpper), 195.0f);
  EXPECT_FLOAT_EQ(StepThreshold(5.0f, -1, kCameraThresholdUpper), 5.0f);
  EXPECT_FLOAT_EQ(StepThreshold(50.0f, 0, kCameraThresholdUpper), 50.0f) << "no direction, no step";
}

TEST(ViewModel, ResolutionChoiceAndAspect) {
  EXPECT_EQ(ChooseResolution(-1, 4), 0);
  EXPECT_EQ(ChooseResolution(2, 4), 2);
  EXPECT_EQ(ChooseResolution(4, 4), 3);
  EXPECT_EQ(ChooseResolution(99, 4), 3);
  EXPECT_EQ(ChooseResolution(-7, 4), 0) << "never an index before the table";
  EXPECT_EQ(ChooseResolution(3, 0), 0) << "no resolutions: the empty first entry";
  // The largest size: at least the largest before in both sides.
  const CameraResolution sizes[] = {{640, 480},  {1280, 720}, {1280, 960}, {320, 240},
                                    {1920, 900}, {1920, 960}, {800, 960},  {2000, 600}};
  const CameraResolution largest = LargestResolution(sizes, 8);
  EXPECT_EQ(largest.width, 1920);
  EXPECT_EQ(largest.height, 960);
  EXPECT_EQ(LargestResolution(sizes, 3).height, 960) << "the last of the list counts";
  EXPECT_EQ(LargestResolution(sizes, 0).width, 0);
  EXPECT_EQ(LargestResolution(nullptr, 3).width, 0) << "no list";
  EXPECT_FLOAT_EQ(AspectPercent(1280, 720), 177.0f);
  EXPECT_EQ(HeightForAspect(400, 177.0f), 225);
  EXPECT_FLOAT_EQ(AspectPercent(0, 0), 100.0f);
  EXPECT_EQ(HeightForAspect(400, AspectPercent(0, 0)), 400);
  EXPECT_EQ(HeightForAspect(400, 0.0f), 400) << "no aspect: a square window";
}

TEST(ViewModel, SliderMovesKeepTheirBounds) {
  const SliderSteps threshold{5, 20, 0, 255};
  int value = 90;
  for (int i = 0; i < 20; ++i) value = MoveSlider(value, SliderMove::kPageRight, 0, threshold);
  EXPECT_EQ(value, 255) << "page steps pass the slider's range of 100";
  EXPECT_EQ(MoveSlider(3, SliderMove::kLineLeft, 0, threshold), 0);
  EXPECT_EQ(MoveSlider(3, SliderMove::kThumb, 300, threshold), 255);
  EXPECT_EQ(MoveSlider(7, SliderMove::kNone, 0, SliderSteps{1, 5, 4, 4}), 4) << "a property without range";
}

TEST(ViewModel, ConversionPacksPinsAndReportsChanges) {
  // A gradient from black on the left to white on the right, an edge at
  // the fixed threshold of 50 percent (red below 127.5).
  PagePicture picture;
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x) {
      const auto red = static_cast<std::uint8_t>(x * 255 / (kPageColumns - 1));
      picture.pixels[y * kPageColumns + x] = PixelRgb{red, 0, 0};
    }
  PinTracker tracker;
  const DotsRule half{DotsMode::kFixed, ThresholdFromPercent(50)};
  EXPECT_TRUE(ConvertPicture(picture, half, tracker));
  EXPECT_FALSE(ConvertPicture(picture, half, tracker)) << "same picture, same pins";
  PinTracker fresh;
  PagePicture white;
  std::memset(white.pixels, 0xFF, sizeof white.pixels);
  EXPECT_TRUE(ConvertPicture(white, half, fresh)) << "the first conversion counts, even with no pin raised";
  for (int x = 0; x < kPageColumns; ++x) EXPECT_EQ(tracker.pins[x], x * 255 / 59 < 128 ? 1 : 0) << x;
  std::uint8_t graphic[kPackedGraphic];
  PinsToGraphic(tracker.pins, graphic);
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x)
      ASSERT_EQ((graphic[PackedByte(x, y)] >> PackedBit(x, y)) & 1, tracker.pins[y * kPageColumns + x]);
  // The same gradient made dark: the dynamic rule still raises its darker
  // half, the same pins; a lower fixed threshold changes them.
  for (PixelRgb& p : picture.pixels) p.red = static_cast<std::uint8_t>(p.red / 8);
  EXPECT_FALSE(ConvertPicture(picture, DotsRule{DotsMode::kDynamicScreen, 0}, tracker));
  int raised = 0;
  for (std::uint8_t pin : tracker.pins) raised += pin;
  EXPECT_EQ(raised, 30 * kPageRows);
  EXPECT_TRUE(ConvertPicture(picture, DotsRule{DotsMode::kFixed, ThresholdFromPercent(5)}, tracker));
}
