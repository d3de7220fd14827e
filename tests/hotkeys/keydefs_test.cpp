#include "base/keydefs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "base/commands.h"
#include "base/log.h"

namespace {

class KeyDefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "keydefs_test_" + std::to_string(getpid()) + ".pro";
    std::remove(path_.c_str());
    LogSetPath(path_.c_str());
    LogSetLevel(1);
    LogReset();
    ClearKeyDefinitions(defs_);
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string Log() {
    std::ifstream in(path_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  KeyStore Define(const char* line, int* index = nullptr) {
    return StoreKeyDefinition(defs_, ParseKeyLine(line), index);
  }
  std::string path_;
  KeyDefinitions defs_;
};

}  // namespace

TEST_F(KeyDefsTest, ParsesTheSixFieldsInOrder) {
  HotKeyDef d = ParseKeyLine("VK_F5, 0, 1, 0, CMD_SAVE, 0");
  EXPECT_EQ(d.key, 0x74);
  EXPECT_EQ(d.shift, 0);
  EXPECT_EQ(d.ctrl, 1);
  EXPECT_EQ(d.alt, 0);
  EXPECT_EQ(d.command, CMD_SAVE);
  EXPECT_EQ(d.parameter, 0);
  EXPECT_EQ(Log().find("### ERROR"), std::string::npos);
}

TEST_F(KeyDefsTest, NumbersMayBeNegativeAndNamesMayBeNumbers) {
  HotKeyDef d = ParseKeyLine("A,1,0,1,402,-7");
  EXPECT_EQ(d.key, 'A');
  EXPECT_EQ(d.shift, 1);
  EXPECT_EQ(d.alt, 1);
  EXPECT_EQ(d.command, CMD_REFRESH);
  EXPECT_EQ(d.parameter, -7);
}

TEST_F(KeyDefsTest, MissingFieldsReadAsZero) {
  HotKeyDef d = ParseKeyLine("VK_F2");
  EXPECT_EQ(d.key, 0x71);
  EXPECT_EQ(d.shift, 0);
  EXPECT_EQ(d.command, 0);
  EXPECT_NE(Log().find("### ERROR +++ VK_F2"), std::string::npos);
  HotKeyDef e = ParseKeyLine("B,,,,CMD_OK,");
  EXPECT_EQ(e.key, 'B');
  EXPECT_EQ(e.command, CMD_OK);
  EXPECT_EQ(e.parameter, 0);
}

TEST_F(KeyDefsTest, SpacesAndHighBytesBeforeANameAreSkipped) {
  HotKeyDef d = ParseKeyLine(" \t\xA0VK_RETURN,0,0,0, CMD_OK,0");
  EXPECT_EQ(d.key, 0x0D);
  EXPECT_EQ(d.command, CMD_OK);
}

TEST_F(KeyDefsTest, LowerCaseKeyGivesZeroAndAnError) {
  int index = 5;
  EXPECT_EQ(Define("a,0,0,0,CMD_OK,0", &index), KeyStore::kNoKey);
  EXPECT_EQ(index, -1);
  EXPECT_NE(Log().find("### ERROR +++ a,0,0,0,CMD_OK,0"), std::string::npos);
  EXPECT_EQ(CountKeyDefinitions(defs_), 0);
}

TEST_F(KeyDefsTest, FirstDefinitionOfAKeyWins) {
  int index = -1;
  EXPECT_EQ(Define("VK_F5,0,1,0,CMD_SAVE,0", &index), KeyStore::kStored);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(Define("VK_F5,0,1,0,CMD_OPEN,3", &index), KeyStore::kDuplicate);
  EXPECT_EQ(index, -1);
  std::string log = Log();
  EXPECT_NE(log.find("define key:116 S:0C:1A:0 CMD:103 Para:0  (0)"), std::string::npos) << log;
  EXPECT_NE(log.find("Taste schon in Benutzung 74 010 010   65 3"), std::string::npos) << log;
  const HotKeyDef* hit = MatchKey(defs_, 0x74, false, true, false);
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit->command, CMD_SAVE);
  // Other modifiers make another key.
  EXPECT_EQ(Define("VK_F5,1,1,0,CMD_OPEN,0", &index), KeyStore::kStored);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(CountKeyDefinitions(defs_), 2);
}

TEST_F(KeyDefsTest, MatchNeedsTheExactModifierState) {
  Define("A,0,0,0,CMD_OPEN,4");
  EXPECT_EQ(MatchKey(defs_, 'A', true, false, false), nullptr);
  EXPECT_EQ(MatchKey(defs_, 'A', false, false, true), nullptr);
  EXPECT_EQ(MatchKey(defs_, 'B', false, false, false), nullptr);
  const HotKeyDef* hit = MatchKey(defs_, 'A', false, false, false);
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit->parameter, 4);
}

TEST_F(KeyDefsTest, UnknownNamesAreStoredAndNeverMatch) {
  EXPECT_EQ(Define("VK_NOSUCH,0,0,0,CMD_OK,0"), KeyStore::kStored);
  EXPECT_EQ(defs_.table[0].key, -1);
  EXPECT_EQ(MatchKey(defs_, -1 & 0xFF, false, false, false), nullptr);
  EXPECT_EQ(Define("F,0,0,0,CMD_FLYING,0"), KeyStore::kStored);
  EXPECT_EQ(defs_.table[1].command, -1);
}

TEST_F(KeyDefsTest, TableKeepsItsTerminatorWhenFull) {
  char line[64];
  int stored = 0;
  for (int i = 0; i < 400; ++i) {
    std::snprintf(line, sizeof line, "%d,%d,%d,0,CMD_OK,%d", 1 + i % 200, i / 200, (i / 100) % 2, i);
    if (Define(line) == KeyStore::kStored) ++stored;
  }
  EXPECT_EQ(stored, kHotKeyDefinitionsMax);
  EXPECT_EQ(CountKeyDefinitions(defs_), kHotKeyDefinitionsMax);
  EXPECT_EQ(defs_.table[kHotKeyEntries - 1].key, 0);
  EXPECT_NE(Log().find("Err: Tastentabelle voll"), std::string::npos);
  // A lookup for a key that is not there walks the full table and stops.
  EXPECT_EQ(MatchKey(defs_, 250, false, false, false), nullptr);
}

TEST_F(KeyDefsTest, RegisteredListHoldsTen) {
  for (int i = 0; i < kRegisteredHotKeysMax; ++i) EXPECT_TRUE(AddRegisteredHotKey(defs_, 1000 + i));
  EXPECT_FALSE(AddRegisteredHotKey(defs_, 2000));
  EXPECT_EQ(defs_.registeredCount, kRegisteredHotKeysMax);
  EXPECT_EQ(defs_.registered[9], 1009);
  EXPECT_NE(Log().find("Err: zu viele globale Hotkeys"), std::string::npos);
}

TEST_F(KeyDefsTest, OverlongFieldsStayInTheirBuffers) {
  std::string line(3000, 'X');
  line += ",1,0,0,";
  line += std::string(3000, '9');
  line += ",";
  line += std::string(40, '7');
  HotKeyDef d = ParseKeyLine(line.c_str());
  EXPECT_EQ(d.key, -1);
  EXPECT_EQ(d.shift, 1);
  EXPECT_EQ(d.command, -1);
}
