// The platform's imaging component as the picture decoder, on pictures
// that ImageMagick wrote at build time.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "document/picture_wic.h"

namespace {

std::string Picture(const char* name) { return std::string(RELIVO_TEST_PICTURES) + "/" + name; }

}  // namespace

TEST(PictureDecoder, EveryFormatGivesTheSamePins) {
  // 200 x 100 with the left half black: 60 x 30 pins in rows 5..34, the
  // left half raised.
  for (const char* name : {"half.png", "half.jpg", "half.gif", "half24.bmp"}) {
    PageFitter fitter;
    char problem[kPictureProblemMax] = "";
    ASSERT_TRUE(PlatformPictureDecoder().Decode(Picture(name).c_str(), fitter, problem)) << name << ": " << problem;
    EXPECT_EQ(fitter.Width(), 200) << name;
    EXPECT_EQ(fitter.Height(), 100) << name;
    PagePicture picture;
    ASSERT_TRUE(fitter.Finish(picture)) << name;
    std::uint8_t pins[kPagePins];
    PictureToPins(picture, DotsRule{DotsMode::kFixed, ThresholdFromPercent(50)}, pins);
    for (int i = 0; i < kPagePins; ++i)
      ASSERT_EQ(pins[i], i % 60 < 30 && i / 60 >= 5 && i / 60 < 35) << name << " pin " << i;
  }
}

TEST(PictureDecoder, FilesThatAreNoPictureAreRefused) {
  const char* text = "no_picture.png";
  std::FILE* f = std::fopen(text, "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("this is text, not a picture", f);
  std::fclose(f);
  for (const char* name : {text, "missing.png"}) {
    PageFitter fitter;
    char problem[kPictureProblemMax] = "";
    EXPECT_FALSE(PlatformPictureDecoder().Decode(name, fitter, problem)) << name;
    EXPECT_EQ(std::string(problem).rfind("kein lesbares Bild (0x", 0), 0u) << problem;
  }
}
