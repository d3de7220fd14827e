// Format arithmetic and range sorting, natively.
#include "capture/format_ranges.h"

#include <gtest/gtest.h>

namespace {

GuidValue Fourcc(std::uint32_t data1) { return {data1, 0, 0x10, {0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71}}; }
constexpr std::uint32_t kYuy2 = 0x32595559;
constexpr std::uint32_t kMjpg = 0x47504A4D;

FormatRange Fixed(std::int32_t w, std::int32_t h) { return {w, h, w, h, 1, 1, 5, 30}; }

}  // namespace

TEST(FormatRanges, ConsecutiveSubtypesGroupAndSortWithFirstListedPosition) {
  std::vector<FormatRangeGroup> groups;
  AppendFormatRange(groups, Fourcc(kYuy2), 16, Fixed(640, 480));
  AppendFormatRange(groups, Fourcc(kYuy2), 16, Fixed(320, 240));
  AppendFormatRange(groups, Fourcc(kYuy2), 16, Fixed(1280, 720));
  AppendFormatRange(groups, Fourcc(kMjpg), 24, Fixed(640, 480));
  AppendFormatRange(groups, Fourcc(kYuy2), 16, Fixed(160, 120));
  SortFormatRanges(groups);
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[0].subtype.data1, kYuy2);
  EXPECT_EQ(groups[1].subtype.data1, kMjpg);
  EXPECT_EQ(groups[2].subtype.data1, kYuy2);
  ASSERT_EQ(groups[0].ranges.size(), 3u);
  EXPECT_EQ(groups[0].ranges[0].minWidth, 320);
  EXPECT_EQ(groups[0].ranges[1].minWidth, 640);
  EXPECT_EQ(groups[0].ranges[2].minWidth, 1280);
  EXPECT_EQ(groups[0].firstListed, 1u);
  EXPECT_EQ(CountFormatRanges(groups), 5u);
}

TEST(FormatRanges, SizesSubtypesAndRates) {
  EXPECT_TRUE(SizeFits(1280, 160, 160, 1920, 8));
  EXPECT_FALSE(SizeFits(1281, 160, 160, 1920, 8));
  EXPECT_TRUE(SizeFits(1281, 1281, 0, 0, 8));
  EXPECT_FALSE(SizeFits(2000, 160, 160, 1920, 1));
  GuidValue wanted = Fourcc(kYuy2);
  wanted.data3 = 0;
  EXPECT_TRUE(SubtypeMatches(wanted, Fourcc(kYuy2)));
  EXPECT_FALSE(SubtypeMatches(Fourcc(kMjpg), Fourcc(kYuy2)));
  EXPECT_EQ(PictureStride(641, 24), 1924u);
  EXPECT_EQ(PictureBitRate(640 * 480 * 3, 333333), 221184221u);
  EXPECT_EQ(PictureBitRate(640 * 480 * 3, 0), 0u);  // no division by a zero interval
  EXPECT_EQ(PictureBitRate(0xFFFFFFFFull, 1), 0xFFFFFFFFu);
  EXPECT_EQ(FrameRateOf(400000), 25);
  EXPECT_EQ(FrameRateOf(0), 0);
}
