#include "base/keynames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "base/commands.h"

TEST(NameToValue, CapitalLetterIsItsKeyCode) {
  EXPECT_EQ(NameToValue("A"), 'A');
  EXPECT_EQ(NameToValue("Z"), 'Z');
  EXPECT_EQ(NameToValue("  Q"), 'Q') << "leading spaces are skipped";
}

TEST(NameToValue, LowerCaseLetterGivesZero) {
  EXPECT_EQ(NameToValue("a"), 0);
  EXPECT_EQ(NameToValue("z"), 0);
}

TEST(NameToValue, ShortNumbersAreDecimal) {
  EXPECT_EQ(NameToValue("13"), 13);
  EXPECT_EQ(NameToValue("402"), CMD_REFRESH);
  EXPECT_EQ(NameToValue("9A"), 9) << "only the leading digits count";
  EXPECT_EQ(NameToValue("0"), 0);
}

TEST(NameToValue, FourDigitsAreLookedUpAsAName) {
  EXPECT_EQ(NameToValue("1000"), -1);
  EXPECT_EQ(NameToValue("CMD_FLY"), 1000);
}

TEST(NameToValue, QuoteGivesTheNextCharacter) {
  EXPECT_EQ(NameToValue("\"1"), '1');
  EXPECT_EQ(NameToValue("\"a"), 'a');
  EXPECT_EQ(NameToValue("\""), 0) << "nothing after the quote";
}

TEST(NameToValue, CharactersBelowZeroAndEmptyTokensGiveZero) {
  EXPECT_EQ(NameToValue(""), 0);
  EXPECT_EQ(NameToValue("   "), 0);
  EXPECT_EQ(NameToValue("+"), 0);
  EXPECT_EQ(NameToValue("/"), 0);
  EXPECT_EQ(NameToValue(":"), 0) << "above '0' but without digits";
  EXPECT_EQ(NameToValue(nullptr), 0);
}

TEST(NameToValue, NamesAreExactAndCaseSensitive) {
  EXPECT_EQ(NameToValue("VK_F5"), 0x74);
  EXPECT_EQ(NameToValue("vk_f5"), -1);
  EXPECT_EQ(NameToValue("VK_F5X"), -1);
  EXPECT_EQ(NameToValue("CMD_SAVE"), CMD_SAVE);
  EXPECT_EQ(NameToValue("BUTTON5"), BUTTON5);
  EXPECT_EQ(NameToValue("CMD_REFRESH"), -1) << "internal identifiers have no name";
}

TEST(NameToValue, TokenEndsAtControlAndHighCharacters) {
  EXPECT_EQ(NameToValue("VK_TAB trailing"), 0x09);
  EXPECT_EQ(NameToValue("VK_TAB\tx"), 0x09);
  EXPECT_EQ(NameToValue("VK_TAB\xE4"), 0x09);
  EXPECT_EQ(NameToValue("AB\xE4"), 'A');
}

TEST(NameToValue, OverlongTokenIsCutNotOverrun) {
  std::string longName(5000, 'X');
  EXPECT_EQ(NameToValue(longName.c_str()), -1);
  std::string longDigits(300, '1');
  EXPECT_EQ(NameToValue(longDigits.c_str()), -1);
}

TEST(KeyNameTable, AliasesShareTheirCodes) {
  EXPECT_EQ(NameToValue("VK_HANGUL"), 0x15);
  EXPECT_EQ(NameToValue("VK_KANA"), 0x15);
  EXPECT_EQ(NameToValue("VK_KANJI"), 0x19);
  EXPECT_EQ(NameToValue("VK_HANJA"), 0x19);
}

TEST(KeyNameTable, GermanKeys) {
  EXPECT_EQ(NameToValue("VK_PLUS"), 0xBB);
  EXPECT_EQ(NameToValue("VK_KOMMA"), 0xBC);
  EXPECT_EQ(NameToValue("VK_MINUS"), 0xBD);
  EXPECT_EQ(NameToValue("VK_PUNKT"), 0xBE);
  EXPECT_EQ(NameToValue("VK_RAUTE"), 0xBF);
  EXPECT_EQ(NameToValue("VK_KLEINER"), 0xE2);
  EXPECT_EQ(NameToValue("VK_DACH"), 0xDC);
  EXPECT_EQ(NameToValue("VK_OUML"), 0xC0);
  EXPECT_EQ(NameToValue("VK_AUML"), 0xDE);
  EXPECT_EQ(NameToValue("VK_UUML"), 0xBA);
  EXPECT_EQ(NameToValue("VK_SZ"), 0xDB);
}

TEST(KeyNameTable, EndsWithAnEmptyEntryAndNamesAreUnique) {
  const KeyName* t = KeyNameTable();
  std::size_t n = KeyNameCount();
  EXPECT_STREQ(t[n].name, "");
  EXPECT_EQ(t[n].value, 0);
  std::set<std::string> names;
  for (std::size_t i = 0; i < n; ++i) {
    EXPECT_TRUE(names.insert(t[i].name).second) << t[i].name;
    EXPECT_GT(std::strlen(t[i].name), 3u) << "every name is found by the long-token lookup";
    EXPECT_EQ(NameToValue(t[i].name), t[i].value) << t[i].name;
  }
  // Key names, the 24 function keys and the command names.
  EXPECT_EQ(NameToValue("VK_F24"), 0x87);
  EXPECT_EQ(NameToValue("VK_NUMPAD9"), 0x69);
  EXPECT_EQ(NameToValue("CMD_BIGSMALL"), 182);
  EXPECT_EQ(NameToValue("CMD_COM_SELECT"), 550);
}
