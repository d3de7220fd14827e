#include "base/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

TEST(HexToInt, ReadsDigitsOfBothCasesAndCountsOthersAsZero) {
  EXPECT_EQ(HexToInt("FF0000"), 0xFF0000u);
  EXPECT_EQ(HexToInt("0000ff"), 0xFFu);
  EXPECT_EQ(HexToInt("12G4"), 0x1204u);
  EXPECT_EQ(HexToInt(""), 0u);
  EXPECT_EQ(HexToInt(nullptr), 0u);
  // No length limit: the value wraps modulo 2^32.
  EXPECT_EQ(HexToInt("123456789"), 0x23456789u);
}

namespace {
std::vector<char> Unescape(const std::string& text, std::size_t capacity) {
  std::vector<char> buf(capacity, 'Z');
  std::copy(text.begin(), text.end(), buf.begin());
  if (text.size() < capacity) buf[text.size()] = '\0';
  UnescapeText(buf.data(), capacity);
  return buf;
}
}  // namespace

TEST(UnescapeText, ExpandsNewlineTabAndNul) {
  auto out = Unescape("nicht\\nverbunden", 80);
  EXPECT_STREQ(out.data(), "nicht\r\nverbunden");
  out = Unescape("a\\tb", 80);
  EXPECT_STREQ(out.data(), "a\tb");
  out = Unescape("a\\0b", 16);
  EXPECT_EQ(std::string(out.data(), 3), std::string("a\0b", 3));
  for (std::size_t i = 3; i < 16; ++i) EXPECT_EQ(out[i], '\0') << i;
}

TEST(UnescapeText, OtherBackslashesStay) {
  auto out = Unescape("C:\\data\\x\\", 80);
  EXPECT_STREQ(out.data(), "C:\\data\\x\\");
  out = Unescape("\\\\n", 80);  // the first backslash stays, the second escapes n
  EXPECT_STREQ(out.data(), "\\\r\n");
}

TEST(UnescapeText, FileFilterKeepsItsNulSeparators) {
  std::string filter = "DTM (*.dtm)\\0*.dtm\\0XML\\0*.xml\\0\\0";
  auto out = Unescape(filter, 256);
  std::vector<std::string> parts;
  for (const char* p = out.data(); *p; p += std::strlen(p) + 1) parts.emplace_back(p);
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[0], "DTM (*.dtm)");
  EXPECT_EQ(parts[3], "*.xml");
}

TEST(UnescapeText, ResultFillingTheCapacityIsNotTerminated) {
  auto out = Unescape("abcd", 4);
  EXPECT_EQ(std::string(out.data(), 4), "abcd");
}

TEST(UnescapeText, NeverLeavesItsBuffers) {
  // 3000 escapes in a buffer larger than the work area: the walk stops at
  // the work area, the rest of the buffer is zero-filled.
  std::string many;
  for (int i = 0; i < 3000; ++i) many += "\\t";
  auto out = Unescape(many, many.size() + 1);
  EXPECT_EQ(std::strlen(out.data()), kUnescapeWorkArea - 1);
  many.clear();
  for (int i = 0; i < 3000; ++i) many += "\\n";
  out = Unescape(many, many.size() + 1);
  EXPECT_LT(std::strlen(out.data()), kUnescapeWorkArea);
  EXPECT_EQ(std::strlen(out.data()) % 2, 0u) << "a CR LF pair is never split";
  // An unterminated input is read only up to its capacity.
  std::vector<char> raw(8, 'q');
  UnescapeText(raw.data(), raw.size());
  EXPECT_EQ(std::string(raw.data(), 8), "qqqqqqqq");
  UnescapeText(nullptr, 10);
}

TEST(CopyText, CutsAndTerminates) {
  char buf[4];
  EXPECT_EQ(CopyText(buf, sizeof buf, "abcdef"), 3u);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(CopyText(buf, sizeof buf, nullptr), 0u);
  EXPECT_STREQ(buf, "");
}

// The language list checks the entry that holds the current code.
TEST(ContainsNoCase, FindsThePartAnywhereIgnoringTheCaseOfLetters) {
  EXPECT_TRUE(ContainsNoCase("0049", "0049"));
  EXPECT_TRUE(ContainsNoCase("de-0049x", "0049"));
  EXPECT_TRUE(ContainsNoCase("En_GB", "en_gb"));
  EXPECT_TRUE(ContainsNoCase("abc", ""));
  EXPECT_FALSE(ContainsNoCase("004", "0049"));
  EXPECT_FALSE(ContainsNoCase("0044", "0049"));
  EXPECT_FALSE(ContainsNoCase("", "x"));
  EXPECT_FALSE(ContainsNoCase("\xC4", "\xE4"));  // only A to Z
}
