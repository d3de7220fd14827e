#include "base/settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[MAX_PATH];
    GetCurrentDirectoryA(sizeof dir, dir);
    path_ = std::string(dir) + "\\settings_test.ini";
    DeleteFileA(path_.c_str());
    SetSettingsPath(path_.c_str());
    SetLanguageSection("0049");
  }
  std::string Raw(const char* section, const char* key) {
    char buf[512];
    GetPrivateProfileStringA(section, key, "<none>", buf, sizeof buf, path_.c_str());
    return buf;
  }
  std::string path_;
};

}  // namespace

TEST_F(SettingsTest, MissingIntegerIsWrittenBackWithItsDefault) {
  EXPECT_EQ(ProfileGetInt("Refresh", 10, "Def"), 10);
  EXPECT_EQ(Raw("Def", "Refresh"), "10");
  EXPECT_EQ(ProfileGetInt("neg", -5, "Def"), -5);
  EXPECT_EQ(Raw("Def", "neg"), "-5");
  EXPECT_EQ(ProfileGetInt("zero", 0, "Def"), 0);
  EXPECT_EQ(Raw("Def", "zero"), "0");
  // An empty value is rewritten too.
  ProfileWriteString("Box_Size", "", "Def");
  EXPECT_EQ(ProfileGetInt("Box_Size", 10, "Def"), 10);
  EXPECT_EQ(Raw("Def", "Box_Size"), "10");
}

TEST_F(SettingsTest, IntegersFollowThePlatformRule) {
  ProfileWriteString("a", "42abc", "Def");
  ProfileWriteString("b", "-7", "Def");
  ProfileWriteString("c", "abc", "Def");
  EXPECT_EQ(ProfileGetInt("a", 1, "Def"), 42);
  EXPECT_EQ(ProfileGetInt("b", 1, "Def"), -7);
  EXPECT_EQ(ProfileGetInt("c", 1, "Def"), 0);
  EXPECT_EQ(Raw("Def", "c"), "abc") << "a present value is never rewritten";
}

TEST_F(SettingsTest, KeysAndSectionsIgnoreCase) {
  ProfileWriteInt("Trigger", 77, "Cam");
  EXPECT_EQ(ProfileGetInt("trigger", 50, "CAM"), 77);
  EXPECT_TRUE(ProfileHasKey("TRIGGER", "cam"));
  EXPECT_FALSE(ProfileHasKey("Missing", "cam"));
  EXPECT_EQ(Raw("Cam", "Missing"), "<none>") << "ProfileHasKey writes nothing";
}

TEST_F(SettingsTest, NumbersInDecimalOrHex) {
  EXPECT_EQ(ProfileGetNumber("flyColor", 0xFFFFFF, "Cam"), 0xFFFFFFu);
  EXPECT_EQ(Raw("Cam", "flyColor"), "0xFFFFFF");
  EXPECT_EQ(ProfileGetNumber("flyColor", 0, "Cam"), 0xFFFFFFu);
  ProfileWriteString("n", "255", "Cam");
  EXPECT_EQ(ProfileGetNumber("n", 0, "Cam"), 255u);
  ProfileWriteString("n", "0x1f", "Cam");
  EXPECT_EQ(ProfileGetNumber("n", 0, "Cam"), 31u);
  ProfileWriteString("n", "0XfF", "Cam");
  EXPECT_EQ(ProfileGetNumber("n", 0, "Cam"), 255u);
  EXPECT_EQ(ProfileGetNumber("small", 0x12, "Cam"), 0x12u);
  EXPECT_EQ(Raw("Cam", "small"), "0x000012");
}

TEST_F(SettingsTest, StringsAreCutToTheBufferAndDefaultsWrittenBack) {
  char buf[kValueMax];
  ProfileGetString("Web", buf, "https://example.org/", "Def", sizeof buf);
  EXPECT_STREQ(buf, "https://example.org/");
  EXPECT_EQ(Raw("Def", "Web"), "https://example.org/");
  std::string longValue(300, 'v');
  ProfileWriteString("long", longValue.c_str(), "Def");
  ProfileGetString("long", buf, "d", "Def", sizeof buf);
  EXPECT_EQ(std::string(buf), std::string(254, 'v'));
  char tiny[4];
  ProfileGetString("long", tiny, "d", "Def", sizeof tiny);
  EXPECT_STREQ(tiny, "vvv");
  ProfileGetString("other", tiny, "defaultlong", "Def", sizeof tiny);
  EXPECT_STREQ(tiny, "def");
}

TEST_F(SettingsTest, TextsComeFromTheLanguageSection) {
  char buf[kValueMax];
  GetText("Name", buf, "Relivo X Win", sizeof buf);
  EXPECT_STREQ(buf, "Relivo X Win");
  EXPECT_EQ(Raw("0049", "Name"), "Relivo X Win");
  SetLanguageSection("0044");
  ProfileWriteString("Name", "Relivo X (English)", "0044");
  GetText("Name", buf, "Relivo X Win", sizeof buf);
  EXPECT_STREQ(buf, "Relivo X (English)");
}

TEST_F(SettingsTest, ColoursReadAsBlueGreenRed) {
  ProfileWriteString("Dot.Brush", "0000FF", "Color");
  ProfileWriteString("Menu.Text", "12G4", "Color");
  EXPECT_EQ(GetColorText("Menu"), 0x1204u);
  EXPECT_EQ(GetColorBack("Menu"), 0xFFFFFFu);
  EXPECT_EQ(Raw("Color", "Menu.Back"), "FFFFFF");
  EXPECT_EQ(GetColorText("Status"), 0u);
  EXPECT_EQ(Raw("Color", "Status.Text"), "000000");
  HBRUSH brush = CreateColorBrush("Dot");
  ASSERT_NE(brush, nullptr);
  LOGBRUSH lb{};
  GetObjectA(brush, sizeof lb, &lb);
  EXPECT_EQ(lb.lbColor, RGB(255, 0, 0));
  DeleteObject(brush);
}
