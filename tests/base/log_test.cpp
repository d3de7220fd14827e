#include "base/log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  std::string text = ss.str();
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;  // text mode on Windows writes CR LF
  return out;
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::remove(kPath);
    LogSetPath(kPath);
    LogReset();
    LogSetLevel(1);
  }
  static constexpr const char* kPath = "log_test.pro";
};

}  // namespace

TEST_F(LogTest, FirstLineRecreatesTheFileWithTheHeader) {
  {
    std::ofstream old(kPath);
    old << "old contents\n";
  }
  LogWrite("Start %d", 1);
  LogWrite("second");
  EXPECT_EQ(ReadFile(kPath), "Relivo X System\n\nStart 1\nsecond\n");
}

TEST_F(LogTest, LevelZeroWritesOnlyErrorFormats) {
  LogSetLevel(0);
  LogWrite("Err: beim Laden von LibLouis %d", 2);
  LogWrite("Hotkey registriert");
  LogWrite("%s", "Err: in the message, not in the format");
  EXPECT_EQ(ReadFile(kPath), "Relivo X System\n\nErr: beim Laden von LibLouis 2\n");
  LogSetLevel(2);
  LogWrite("Hotkey registriert");
  EXPECT_NE(ReadFile(kPath).find("Hotkey registriert"), std::string::npos);
}

TEST_F(LogTest, LongMessageIsCut) {
  std::string huge(10000, 'x');
  LogWrite("%s", huge.c_str());
  std::string text = ReadFile(kPath);
  std::string header = "Relivo X System\n\n";
  ASSERT_GT(text.size(), header.size());
  EXPECT_EQ(text.size(), header.size() + kLogMessageMax + 1);
}

TEST_F(LogTest, UnwritablePathLosesTheLineSilently) {
  LogSetPath("no/such/folder/x.pro");
  LogWrite("Err: lost");
  LogSetPath(kPath);
  LogWrite("kept");
  // The first-write flag was used up by the lost line: this one appends.
  EXPECT_EQ(ReadFile(kPath), "kept\n");
}
