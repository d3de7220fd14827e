// The settings file in memory, without a platform: the reading rules on odd
// lines and the edits. The Windows test settings_test compares the same
// rules with the platform's own profile calls.
#include "base/settings_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Get(const SettingsText& t, const char* section, const char* key, std::size_t size = 256) {
  char out[256];
  if (!FindSettingsValue(t, section, key, out, size)) return "<none>";
  return out;
}

SettingsText Load(const std::string& bytes) {
  SettingsText t;
  LoadSettingsText(t, bytes);
  return t;
}

}  // namespace

TEST(SettingsText, ReadsOddLinesAsThePlatformDoes) {
  static const char kFile[] =
      "top=first\r\n"
      "[Def]\n"
      "  Lng = 0049 \t\r"
      "quoted=\"a b\"\r\n"
      "single='x'\r\n"
      "half=\"x'\r\n"
      "nothing\r\n"
      ";note=yes\r\n"
      "dup=one\r\n"
      "dup=two\r\n"
      "nul=a\0b\r\n"
      "\r\n\r\n"
      "[ Cam ]tail\r\n"
      "k=v\r\n"
      "[def]\r\n"
      "later=lost\r\n"
      "[broken\r\n"
      "[x]y]\r\n"
      "k=w";
  const SettingsText t = Load(std::string(kFile, sizeof kFile - 1));
  EXPECT_EQ(Get(t, "", "top"), "first");
  EXPECT_EQ(Get(t, "DEF", " lng "), "0049");
  EXPECT_EQ(Get(t, "Def", "quoted"), "a b");
  EXPECT_EQ(Get(t, "Def", "single"), "x");
  EXPECT_EQ(Get(t, "Def", "half"), "\"x'");
  EXPECT_EQ(Get(t, "Def", "nothing"), "<none>") << "a key without = has no value";
  EXPECT_EQ(Get(t, "Def", ";note"), "yes") << "a ; line is an ordinary key";
  EXPECT_EQ(Get(t, "Def", "dup"), "one");
  EXPECT_EQ(Get(t, "Def", "nul"), "a");
  EXPECT_EQ(Get(t, "cam", "k"), "v");
  EXPECT_EQ(Get(t, "Def", "later"), "<none>") << "only the first section of a name is searched";
  EXPECT_EQ(Get(t, "broken", "k"), "<none>");
  EXPECT_EQ(Get(t, "x]y", "k"), "w");
  EXPECT_EQ(Get(t, "Def", "quoted", 2), "a") << "cut to the buffer";
}

TEST(SettingsText, EditsKeepTheFileAndAreReadBack) {
  SettingsText t = Load("; comment\r\n[Def]\r\nSound=1\r\n\r\n[Cam]\r\nTrigger=50");
  SetSettingsValue(t, "def", "SOUND", "0");
  SetSettingsValue(t, "Cam", "dyn", "1");
  SetSettingsValue(t, "Def", "Refresh", "10");
  SetSettingsValue(t, "New", "k", " spaced ");
  EXPECT_EQ(t.bytes,
            "; comment\r\n[Def]\r\nSOUND=0\r\nRefresh=10\r\n\r\n[Cam]\r\nTrigger=50\r\ndyn=1\r\n\r\n[New]\r\nk= spaced "
            "\r\n");
  EXPECT_EQ(Get(t, "New", "k"), "spaced");
  SetSettingsValue(t, "Cam", "Trigger", nullptr);
  EXPECT_EQ(Get(t, "Cam", "Trigger"), "<none>");
  EXPECT_EQ(Get(t, "Cam", "dyn"), "1");

  SettingsText empty = Load("");
  SetSettingsValue(empty, "Def", "Lng", "0049");
  EXPECT_EQ(empty.bytes, "[Def]\r\nLng=0049\r\n");
}

TEST(SettingsText, FilesWithAByteOrderMarkAreLeftToThePlatform) {
  SettingsText t = Load("\xEF\xBB\xBF[Def]\r\nk=v\r\n");
  EXPECT_FALSE(t.readable);
  SetSettingsValue(t, "Def", "k", "w");
  EXPECT_EQ(t.bytes, "\xEF\xBB\xBF[Def]\r\nk=v\r\n");
}

TEST(SettingsText, WholeNumbersFollowThePlatformRule) {
  EXPECT_EQ(SettingsInteger("42abc"), 42);
  EXPECT_EQ(SettingsInteger(" \t-7"), -7);
  EXPECT_EQ(SettingsInteger("+12"), 12);
  EXPECT_EQ(SettingsInteger("--12"), 0);
  EXPECT_EQ(SettingsInteger("0x10"), 16);
  EXPECT_EQ(SettingsInteger("0X10"), 0);
  EXPECT_EQ(SettingsInteger("0b11"), 3);
  EXPECT_EQ(SettingsInteger("0o17"), 15);
  EXPECT_EQ(SettingsInteger("010"), 10);
  EXPECT_EQ(SettingsInteger("3000000000"), -1294967296);
  EXPECT_EQ(SettingsInteger("-0x10"), -16);
  EXPECT_EQ(SettingsInteger("abc"), 0);
}
