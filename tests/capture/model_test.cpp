// The capture library's rules without platform, natively.
#include "capture/model.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cwchar>
#include <string>

namespace {

GuidValue Rgb(std::uint32_t data1) { return {data1, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}}; }

std::wstring Number(std::uint32_t code) {
  wchar_t text[kErrorNumberChars];
  FormatErrorNumber(code, text, kErrorNumberChars);
  return text;
}

}  // namespace

TEST(SubtypeNames, RgbTable) {
  EXPECT_STREQ(RgbSubtypeName(Rgb(0xE436EB78)), L"RGB1");
  EXPECT_STREQ(RgbSubtypeName(Rgb(0xE436EB79)), L"RGB4");
  EXPECT_STREQ(RgbSubtypeName(Rgb(0xE436EB7A)), L"RGB8");
  EXPECT_STREQ(RgbSubtypeName(Rgb(0xE436EB7B)), L"RGB565");
  EXPECT_STREQ(RgbSubtypeName(Rgb(0xE436EB7C)), L"RGB555");
  EXPECT_STREQ(RgbSubtypeName(Rgb(0xE436EB7D)), L"RGB24");
  EXPECT_STREQ(RgbSubtypeName(Rgb(0xE436EB7E)), L"RGB32");
  EXPECT_EQ(RgbSubtypeName(Rgb(0xE436EB7F)), nullptr);
  GuidValue other = Rgb(0xE436EB7D);
  other.data4[7] ^= 1;
  EXPECT_EQ(RgbSubtypeName(other), nullptr);
}

TEST(SubtypeNames, FourCharacterCodeLowestByteFirst) {
  wchar_t text[kFourCcChars];
  FourCcText(0x32595559, text);
  EXPECT_STREQ(text, L"YUY2");
  FourCcText(0x47504A4D, text);
  EXPECT_STREQ(text, L"MJPG");
  FourCcText(0x00000003, text);  // a zero byte ends the text
  EXPECT_EQ(std::wcslen(text), 1u);
}

TEST(ErrorNumbers, Win32AndSmallCodesInDecimal) {
  EXPECT_EQ(Number(0x80070005), L" (5)");
  EXPECT_EQ(Number(0x800705B4), L" (1460)");
  EXPECT_EQ(Number(0x0000FFFF), L" (65535)");
  EXPECT_EQ(Number(0), L" (0)");
  // Facility 7 without the severity bit counts too.
  EXPECT_EQ(Number(0x00070020), L" (32)");
}

TEST(ErrorNumbers, OtherCodesInHexadecimal) {
  EXPECT_EQ(Number(0x80040200), L" (0x80040200)");
  EXPECT_EQ(Number(0x0007000E), L" (14)");
  EXPECT_EQ(Number(0x80004005), L" (0x80004005)");
  EXPECT_EQ(Number(0x00010000), L" (0x00010000)");
  EXPECT_EQ(Number(0xFFFFFFFF), L" (0xFFFFFFFF)");
}

TEST(ErrorNumbers, CutToTheCapacity) {
  wchar_t text[6];
  EXPECT_EQ(FormatErrorNumber(0x80040200, text, 6), 5u);
  EXPECT_STREQ(text, L" (0x8");
  EXPECT_EQ(FormatErrorNumber(0x80040200, text, 0), 0u);
}

TEST(WideText, TrimTrailingBlanks) {
  wchar_t text[] = L"Access is denied. \r\n\t \r\n";
  TrimTrailingBlanks(text);
  EXPECT_STREQ(text, L"Access is denied.");
  wchar_t blank[] = L" \r\n";
  TrimTrailingBlanks(blank);
  EXPECT_STREQ(blank, L"");
  wchar_t inner[] = L"a b";
  TrimTrailingBlanks(inner);
  EXPECT_STREQ(inner, L"a b");
}

TEST(WideText, CopyAndAppendAreBounded) {
  wchar_t text[5];
  EXPECT_EQ(CopyWideCut(text, 5, L"Relivo"), 4u);
  EXPECT_STREQ(text, L"Reli");
  EXPECT_EQ(CopyWideCut(text, 1, L"Relivo"), 0u);
  EXPECT_STREQ(text, L"");
  EXPECT_EQ(CopyWideCut(text, 5, L"ab"), 2u);
  EXPECT_EQ(AppendWideCut(text, 5, L"cdef"), 4u);
  EXPECT_STREQ(text, L"abcd");
  EXPECT_EQ(AppendWideCut(text, 5, L"x"), 4u);
  EXPECT_STREQ(text, L"abcd");
  wchar_t guard[3] = {L'z', L'z', L'z'};
  EXPECT_EQ(CopyWideCut(guard, 0, L"abc"), 0u);
  EXPECT_EQ(guard[0], L'z');
}

TEST(Growth, HalfTheCapacityOrWhatIsNeeded) {
  std::size_t capacity = 0;
  ASSERT_TRUE(NextCapacity(0, 1, 0, 1000, &capacity));
  EXPECT_EQ(capacity, 1u);
  ASSERT_TRUE(NextCapacity(8, 9, 0, 1000, &capacity));
  EXPECT_EQ(capacity, 12u);
  ASSERT_TRUE(NextCapacity(8, 20, 0, 1000, &capacity));
  EXPECT_EQ(capacity, 20u);
  ASSERT_TRUE(NextCapacity(8, 5, 0, 1000, &capacity));
  EXPECT_EQ(capacity, 8u);
}

TEST(Growth, FixedStepAndLimit) {
  std::size_t capacity = 0;
  ASSERT_TRUE(NextCapacity(8, 9, 4, 1000, &capacity));
  EXPECT_EQ(capacity, 12u);
  ASSERT_TRUE(NextCapacity(8, 30, 4, 1000, &capacity));
  EXPECT_EQ(capacity, 30u);
  ASSERT_TRUE(NextCapacity(990, 991, 0, 1000, &capacity));
  EXPECT_EQ(capacity, 1000u);
  EXPECT_FALSE(NextCapacity(1000, 1001, 0, 1000, &capacity));
  const std::size_t huge = static_cast<std::size_t>(-1);
  ASSERT_TRUE(NextCapacity(huge - 1, huge, 0, huge, &capacity));
  EXPECT_EQ(capacity, huge);
}
