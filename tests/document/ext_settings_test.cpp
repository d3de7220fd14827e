#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/settings.h"
#include "document/ext_settings.h"

namespace {
std::string TempIni(const char* name) {
  char dir[MAX_PATH];
  GetCurrentDirectoryA(sizeof dir, dir);
  std::string path = std::string(dir) + "\\" + name;
  DeleteFileA(path.c_str());
  return path;
}
FileSelection Empty() {
  FileSelection files;
  std::memset(&files, 0, sizeof files);
  return files;
}
}  // namespace

TEST(ExtensionTable, ShippedSettingsGiveTheFormatNumbers) {
  const char* shipped = std::getenv("RELIVO_SHIPPED_INI");
  ASSERT_NE(shipped, nullptr);
  std::string copy = TempIni("shipped_copy.ini");
  ASSERT_TRUE(CopyFileA(shipped, copy.c_str(), FALSE));
  SetSettingsPath(copy.c_str());
  FileSelection files = Empty();
  ReadExtensionTable(files);
  EXPECT_EQ(FormatFromExtension(files, "dtm"), kFormatDtm);
  EXPECT_EQ(FormatFromExtension(files, "xml"), kFormatXml);
  EXPECT_EQ(FormatFromExtension(files, "bmp"), kFormatBmp);
  EXPECT_EQ(FormatFromExtension(files, "PNG"), kFormatPng);
  EXPECT_EQ(FormatFromExtension(files, "jpg"), kFormatJpg);
  EXPECT_EQ(FormatFromExtension(files, "jpeg"), kFormatJpeg);
  EXPECT_EQ(FormatFromExtension(files, "gif"), kFormatGif);
  EXPECT_EQ(FormatFromExtension(files, "txt"), kFormatUnknown);
}

TEST(ExtensionTable, ReadsPresentKeysInOrderAndAtMostTen) {
  std::string ini = TempIni("ext_test.ini");
  SetSettingsPath(ini.c_str());
  ProfileWriteString("05", "bmp", "Ext");
  ProfileWriteString("02", "dtm", "Ext");
  ProfileWriteString("03", "", "Ext");  // empty values count as missing
  FileSelection files = Empty();
  ReadExtensionTable(files);
  ASSERT_EQ(files.extCount, 2);
  EXPECT_STREQ(files.extTable[0], "dtm");
  EXPECT_STREQ(files.extTable[1], "bmp");
  char none[8];
  GetPrivateProfileStringA("Ext", "00", "<none>", none, sizeof none, ini.c_str());
  EXPECT_STREQ(none, "<none>") << "absent keys are not written back";

  for (int n = 0; n < 40; ++n) {
    char key[4];
    wsprintfA(key, "%02d", n);
    ProfileWriteString(key, std::string(200, 'e').c_str(), "Ext");
  }
  files = Empty();
  ReadExtensionTable(files);
  EXPECT_EQ(files.extCount, 10);
  EXPECT_EQ(std::strlen(files.extTable[9]), 15u);
}
