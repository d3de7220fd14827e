#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "document/file_select.h"

namespace {
FileSelection ShippedTable() {
  FileSelection files;
  std::memset(&files, 0, sizeof files);
  for (const char* ext : {"*", "dtm", "xml", "bmp"}) AddExtension(files, ext);
  return files;
}
}  // namespace

TEST(FileSelection, ShippedTableGivesTheThreeFormats) {
  FileSelection files = ShippedTable();
  EXPECT_EQ(FormatFromExtension(files, "dtm"), kFormatDtm);
  EXPECT_EQ(FormatFromExtension(files, "XML"), kFormatXml);
  EXPECT_EQ(FormatFromExtension(files, "Bmp"), kFormatBmp);
  EXPECT_EQ(FormatFromExtension(files, "png"), kFormatUnknown);
  EXPECT_EQ(FormatFromExtension(files, ""), kFormatBmp) << "an empty extension matches every entry";
  EXPECT_EQ(FormatFromExtension(files, "m"), kFormatBmp) << "substring match, last entry wins";
  EXPECT_EQ(FormatFromExtension(files, "x"), kFormatXml);
}

TEST(FileSelection, TableKeepsTenEntriesOfFifteenCharacters) {
  FileSelection files;
  std::memset(&files, 0, sizeof files);
  for (int i = 0; i < 10; ++i) EXPECT_TRUE(AddExtension(files, "x"));
  EXPECT_FALSE(AddExtension(files, "y"));
  EXPECT_EQ(files.extCount, 10);
  std::memset(&files, 0, sizeof files);
  AddExtension(files, std::string(300, 'q').c_str());
  EXPECT_EQ(std::strlen(files.extTable[0]), 15u);
  std::string longExt(300, 'Q');
  EXPECT_EQ(FormatFromExtension(files, longExt.c_str()), 0);
}

TEST(FileSelection, ChoiceSplitsPathTitleAndExtension) {
  FileSelection files = ShippedTable();
  const char* path = "C:\\data\\house.plan.dtm";
  SetChoice(files, path, 8, 19);
  EXPECT_STREQ(files.path, path);
  EXPECT_STREQ(files.extension, "dtm");
  EXPECT_STREQ(files.title, "house.plan");
  EXPECT_EQ(files.format, kFormatDtm);
  SetChoice(files, "C:\\data\\noext", 8, 0);
  EXPECT_STREQ(files.extension, "");
  EXPECT_STREQ(files.title, "noext");
  EXPECT_EQ(files.format, kFormatBmp) << "no extension: the last entry";
  SetChoice(files, "C:\\data\\page.", 8, 0);
  EXPECT_STREQ(files.title, "page.");
  EXPECT_EQ(files.format, kFormatUnknown) << "a name ending in a dot picks no format";
  SetChoice(files, "C:\\data\\page.", 8, 14);  // however the dialog reports it
  EXPECT_EQ(files.format, kFormatUnknown);
  SetChoice(files, "short", 99, 99);  // offsets beyond the path are ignored
  EXPECT_STREQ(files.title, "short");
  EXPECT_STREQ(files.extension, "");
  ClearChoice(files);
  EXPECT_STREQ(files.path, "");
  EXPECT_EQ(files.extCount, 4);
}
