#include "base/settings.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

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

// ---- the settings in memory against the platform's profile calls --------

namespace {

void WriteFileText(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadFileText(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

struct Query {
  std::string section;
  std::string key;
};

// What the program reads of a key (without writing a default) against the
// platform's reading of the same file.
void ExpectSameReading(const std::string& path, const Query& q, const std::string& context) {
  char platform[kValueMax];
  GetPrivateProfileStringA(q.section.c_str(), q.key.c_str(), "", platform, sizeof platform, path.c_str());
  const bool present = platform[0] != '\0';
  ASSERT_EQ(ProfileHasKey(q.key.c_str(), q.section.c_str()), present) << "[" << q.section << "] " << q.key << " in\n"
                                                                      << context;
  if (!present) return;
  char cached[kValueMax];
  ProfileGetString(q.key.c_str(), cached, "", q.section.c_str(), sizeof cached);
  ASSERT_STREQ(cached, platform) << "[" << q.section << "] " << q.key << " in\n" << context;
  const int platformInt = static_cast<int>(GetPrivateProfileIntA(q.section.c_str(), q.key.c_str(), -99, path.c_str()));
  ASSERT_EQ(ProfileGetInt(q.key.c_str(), -99, q.section.c_str()), platformInt)
      << "[" << q.section << "] " << q.key << " = " << platform;
}

// Every section and key the file names, as written and in other cases.
std::vector<Query> QueriesOf(const std::string& bytes) {
  std::vector<Query> queries;
  std::string section;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", at);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = bytes.substr(at, end - at);
    at = end + 1;
    if (line.empty()) continue;
    if (line[0] == '[' && line.find(']') != std::string::npos) {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    std::string key = line.substr(0, line.find('='));
    queries.push_back({section, key});
    std::string upper = key;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    queries.push_back({section, upper});
    queries.push_back({section, key + "-missing"});
  }
  queries.push_back({"NoSuchSection", "Lng"});
  return queries;
}

std::string Shown(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    out += (c >= 32 && c < 127 && c != '\\') ? std::string(1, static_cast<char>(c)) : c == '\n' ? "\\n\n" : hex;
  }
  return out;
}

}  // namespace

TEST_F(SettingsTest, TheShippedFileReadsAsThePlatformReadsIt) {
  WriteFileText(path_, ReadFileText(RELIVO_SHIPPED_INI));
  SetSettingsPath(path_.c_str());
  const std::vector<Query> queries = QueriesOf(ReadFileText(path_));
  ASSERT_GT(queries.size(), 1000u);
  for (const Query& q : queries) ExpectSameReading(path_, q, "the shipped file");
}

// Files made of the pieces that the reading rules turn on: brackets, equals
// signs, quotes, blanks the platform trims and ones it keeps, NUL bytes, the
// three line ends, cases, long digit strings. Each goes to a file of its own
// name, so that the platform reads it afresh.
TEST_F(SettingsTest, OddFilesReadAsThePlatformReadsThem) {
  static const char* const kPieces[] = {"[",    "]",    "=",  "\"",
                                        "'",    " ",    "\t", "\x1A",
                                        "\xA0", "\x0B", ";",  "a",
                                        "A",    "k",    "K",  "\xC4",
                                        "\xE4", "x",    "12", "-",
                                        "+",    "0x1F", "0b", "00000000000000000000000000000007",
                                        "\r\n", "\n",   "\r", std::string(1, '\0').c_str()};
  static const char* const kSections[] = {"", "a", "A", " a ", "k", "\xC4", "\xE4", "x", "[a", "a]x"};
  static const char* const kKeys[] = {"k", "K", " k ", "a", ";", "x", "\xE4", "\xC4", "[", "ak"};
  const char* env = std::getenv("RELIVO_SETTINGS_CASES");
  const int cases = env ? std::atoi(env) : 40;
  std::mt19937 random(23);
  for (int n = 0; n < cases; ++n) {
    std::string bytes;
    const int lines = 1 + static_cast<int>(random() % 8);
    for (int l = 0; l < lines; ++l) {
      const int pieces = static_cast<int>(random() % 7);
      for (int p = 0; p < pieces; ++p) {
        const std::size_t i = random() % (sizeof kPieces / sizeof *kPieces);
        bytes += i + 1 == sizeof kPieces / sizeof *kPieces ? std::string(1, '\0') : std::string(kPieces[i]);
      }
      bytes += "\r\n";
    }
    char name[64];
    std::snprintf(name, sizeof name, "\\odd_%d.ini", n);
    char dir[MAX_PATH];
    GetCurrentDirectoryA(sizeof dir, dir);
    const std::string path = std::string(dir) + name;
    WriteFileText(path, bytes);
    SetSettingsPath(path.c_str());
    for (int q = 0; q < 6; ++q) {
      const Query query{kSections[random() % (sizeof kSections / sizeof *kSections)],
                        kKeys[random() % (sizeof kKeys / sizeof *kKeys)]};
      ExpectSameReading(path, query, Shown(bytes));
    }
    DeleteFileA(path.c_str());
  }
}

TEST_F(SettingsTest, ChangesAreWrittenThroughAndReadByThePlatform) {
  WriteFileText(path_, ReadFileText(RELIVO_SHIPPED_INI));
  SetSettingsPath(path_.c_str());
  char value[kValueMax];
  ProfileGetString("Missing", value, "written back", "Def", sizeof value);
  ProfileWriteInt("Sound", 0, "def");
  ProfileWriteString("Trigger", "77", "Cam");
  ProfileWriteString("Name", "  Relivo  ", "0044");
  ProfileWriteString("k", "v", "Brand new");
  ProfileWriteString("Box_Size", nullptr, "Def");
  GetPrivateProfileStringA("Def", "Missing", "", value, sizeof value, path_.c_str());
  EXPECT_STREQ(value, "written back") << "a default stays when other changes follow";
  EXPECT_EQ(GetPrivateProfileIntA("Def", "Sound", 9, path_.c_str()), 0u);
  GetPrivateProfileStringA("CAM", "trigger", "", value, sizeof value, path_.c_str());
  EXPECT_STREQ(value, "77");
  GetPrivateProfileStringA("0044", "Name", "", value, sizeof value, path_.c_str());
  EXPECT_STREQ(value, "Relivo");
  GetPrivateProfileStringA("Brand new", "k", "", value, sizeof value, path_.c_str());
  EXPECT_STREQ(value, "v");
  EXPECT_EQ(GetPrivateProfileIntA("Def", "Box_Size", 9, path_.c_str()), 9u);
  for (const Query& q : QueriesOf(ReadFileText(RELIVO_SHIPPED_INI))) ExpectSameReading(path_, q, "the changed file");
  // The file keeps its form: CRLF lines, the comments and the other lines.
  const std::string after = ReadFileText(path_);
  EXPECT_NE(after.find("; RelivoX settings and texts."), std::string::npos);
  EXPECT_EQ(after.find("\n\n"), std::string::npos);
  EXPECT_NE(after.find("\r\nSound=0\r\n"), std::string::npos);
}

TEST_F(SettingsTest, AnotherProgramsEditIsReadAtTheNextRead) {
  ProfileWriteInt("Sound", 1, "Def");
  EXPECT_EQ(ProfileGetInt("Sound", 1, "Def"), 1);
  // Same size, at once: the time stamp may not have moved.
  WritePrivateProfileStringA("Def", "Sound", "0", path_.c_str());
  EXPECT_EQ(ProfileGetInt("Sound", 1, "Def"), 0);
  {
    SettingsBatch batch;
    EXPECT_EQ(ProfileGetInt("Sound", 1, "Def"), 0);
    WritePrivateProfileStringA("Def", "Sound", "2", path_.c_str());
  }
  {
    SettingsBatch next;
    EXPECT_EQ(ProfileGetInt("Sound", 1, "Def"), 2) << "a new batch looks at the file again";
  }
  DeleteFileA(path_.c_str());
  EXPECT_EQ(ProfileGetInt("Sound", 5, "Def"), 5) << "a deleted file reads as empty";
}
