// The braille text against the real translator of the tree: its binding
// (the real library, one that lacks names, none at all), the lists and
// table lists of the shipped settings translated as the host's own
// translator does, the selection as the main window's lists hand it over,
// and the line that bad input gives.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/commands.h"
#include "base/library_files.h"
#include "base/log.h"
#include "base/settings.h"
#include "braille/braille_text.h"
#include "braille/louis_module.h"
#include "tests/host_louis.h"
#include "tests/louis/braille_controls.h"

namespace {

std::string WinPath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

const std::string kOut = WindowsFolder(RELIVO_OUT_DIR);
const std::string kHere = WindowsFolder(BRAILLE_TEST_DIR);

std::string Log() { return ReadHostFile(LogPath()); }

bool Logged(const std::string& text) { return Log().find(text) != std::string::npos; }

std::string IniValue(const char* section, const char* key) {
  char value[kValueMax] = "";
  GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, SettingsPath());
  return value;
}

std::string ListText(HWND list, int i) {
  char text[kValueMax] = "";
  SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
  return text;
}

int Count(HWND list) { return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)); }
int Selected(HWND list) { return static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0)); }
void Select(HWND list, int i) { SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0); }

// Settings and log of their own for every test: a copy of the shipped
// settings file, or the given text.
class Braille : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string ini = kHere + "braille_test.ini";
    if (UseShippedSettings()) {
      ASSERT_TRUE(CopyFileA((kOut + "res\\RelivoX.ini").c_str(), ini.c_str(), FALSE));
    } else {
      DeleteFileA(ini.c_str());
    }
    SetSettingsPath(ini.c_str());
    static std::string log = kHere + "braille_test.pro";
    LogSetPath(log.c_str());
    LogSetLevel(1);
    LogReset();
    LogWrite("%s", ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  virtual bool UseShippedSettings() const { return true; }
};

// The translator of the tree, the controls, and the lists filled from the
// settings.
struct Loaded {
  LouisModule louis;
  BrailleControls controls;
  BrailleView view = controls.View(kOut);
  BrailleSelection selection;
  int focus = kFocusGraphic;
  Loaded() {
    EXPECT_EQ(LoadLouis(louis, kOut.c_str()), 0);
    FillBrailleLists(view, selection, focus);
  }
  ~Loaded() { FreeLouis(louis); }
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;
};

struct Translation {
  int result = -1;
  std::uint16_t count = 0;
  std::uint8_t cells[kBrailleWorkSize] = {};
};

Translation Translate(const LouisModule& louis, const BrailleView& view, const std::string& text,
                      std::uint16_t count = 0) {
  Translation t;
  t.count = count;
  t.result = TranslateText(louis, view, text.c_str(), t.cells, &t.count);
  return t;
}

// The program's cells against the host translator's for the table list
// entry the lists select.
::testing::AssertionResult SameAsHost(const Translation& t, const BrailleView& view, const std::string& text,
                                      UINT codePage = CP_ACP) {
  char entry[kTableListEntrySize];
  GetBrList(view, entry);
  std::vector<std::uint8_t> host;
  if (!HostTranslate(HostPath(kOut) + "tbl/" + entry, text, codePage, host))
    return ::testing::AssertionFailure() << "the host translator failed with " << entry;
  if (t.result != 1) return ::testing::AssertionFailure() << "no translation with " << entry;
  const std::size_t expected = std::max<std::size_t>(host.size(), kMinTranslatedCells);
  if (t.count != expected)
    return ::testing::AssertionFailure() << entry << ": " << t.count << " cells, the host gives " << host.size();
  for (std::size_t i = 0; i < expected; ++i) {
    const int want = i < host.size() ? host[i] : 0;
    if (t.cells[i] != want)
      return ::testing::AssertionFailure()
             << entry << ": cell " << i << " is " << int(t.cells[i]) << ", the host's " << want;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST_F(Braille, TheRealTranslatorLoadsReportsAndLogsFromItsLevelOn) {
  ProfileWriteInt("LogLevel", 0, kBrailleSection);
  LouisModule louis;
  ASSERT_EQ(StartLouis(louis, kOut.c_str()), 0);
  EXPECT_EQ(std::string(louis.library.path), kOut + kLouisLibraryFile);
  for (int i = 0; i < kLouisProcCount; ++i) EXPECT_NE(louis.procs[i], nullptr) << kLouisProcNames[i].name;
  EXPECT_EQ(GetLouisProc(louis, "translateString"), louis.procs[kLouis_translateString]);
  EXPECT_EQ(GetLouisProc(louis, "noSuchFunction"), nullptr);
  EXPECT_TRUE(Logged("LibLouis geladen: liblouis-3.24.0, CharSize:4\r\n")) << Log();
  EXPECT_EQ(IniValue("Louis Modul", "free"), "<absent>") << "every name found in its plain form";

  // The translator's own messages reach the log through the callback.
  BrailleControls controls;
  WritePrivateProfileStringA(kBrailleSection, "00-00-F", "no-such-table.utb", SettingsPath());
  BrailleSelection selection;
  FillBrailleLists(controls.View(kOut), selection, kFocusGraphic);
  Translation failed = Translate(louis, controls.View(kOut), "Haus", 7);
  EXPECT_EQ(failed.result, 0);
  EXPECT_EQ(failed.count, 7) << "the count is left alone";
  EXPECT_TRUE(Logged("Err: LibLouis:40000 Cannot resolve table")) << Log();
  EXPECT_TRUE(
      Logged("Err: Braille-\xdc"
             "bersetzung fehlgeschlagen: " +
             kOut + "tbl\\no-such-table.utb"))
      << Log();

  // Level 6: the translator is silent; a level-0 message is dropped.
  ProfileWriteInt("LogLevel", 6, kBrailleSection);
  ASSERT_EQ(StartLouis(louis, kOut.c_str()), 0);
  LogReset();
  Translate(louis, controls.View(kOut), "Haus");
  LouisLogCallback(0, "level zero");
  EXPECT_EQ(Log().find("LibLouis:"), std::string::npos) << Log();
  FreeLouis(louis);
}

TEST_F(Braille, ALibraryThatLacksNamesOrIsMissingIsReported) {
  // A stand-in library under the translator's file name that exports
  // lou_version, _lou_charSize@0 and _lou_translateString@32 only.
  const std::string fake = kHere + "fake\\";
  CreateDirectoryA(fake.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA(WinPath(PARTIAL_LIBRARY).c_str(), (fake + kLouisLibraryFile).c_str(), FALSE));
  LouisModule louis;
  EXPECT_EQ(StartLouis(louis, fake.c_str()), kLouisProcCount - 2);
  EXPECT_TRUE(Logged("Err: beim Laden von LibLouis 25\r\n")) << Log();
  EXPECT_FALSE(Logged("LibLouis geladen"));
  EXPECT_NE(louis.procs[kLouis_version], nullptr);
  EXPECT_NE(louis.procs[kLouis_charSize], nullptr) << "the decorated name, byte count 0 by default";
  EXPECT_EQ(louis.procs[kLouis_translateString], nullptr);
  EXPECT_EQ(IniValue("Louis Modul", "translateString"), "0") << "written back for the user to set";
  EXPECT_EQ(IniValue("Louis Modul", "version"), "<absent>");

  ProfileWriteInt("translateString", 32, "Louis Modul");
  EXPECT_EQ(LoadLouis(louis, fake.c_str()), kLouisProcCount - 3);
  EXPECT_NE(louis.procs[kLouis_translateString], nullptr);

  EXPECT_EQ(StartLouis(louis, (kHere + "no-such-folder").c_str()), kLibraryNotLoaded);
  EXPECT_TRUE(Logged("Err: beim Laden von LibLouis -99\r\n"));

  // Without the entry point: its line, and no cells.
  BrailleControls controls;
  Translation t = Translate(louis, controls.View(kOut), "Haus", 3);
  EXPECT_EQ(t.result, 0);
  EXPECT_EQ(t.count, 3);
  EXPECT_TRUE(Logged("Err: lou_translateString nicht gefunden!\r\n"));
  FreeLouis(louis);  // nothing to call, nothing happens
}

TEST_F(Braille, EveryShippedTableListTranslatesAsTheHostTranslatorDoes) {
  Loaded loaded;
  const BrailleView& view = loaded.view;
  ASSERT_GE(Count(view.language), 6);
  std::vector<std::string> languages;
  for (int i = 0; i < Count(view.language); ++i) languages.push_back(ListText(view.language, i));
  EXPECT_EQ(languages[0], "Deutsch");
  EXPECT_EQ(languages[1], "English (UK)");
  EXPECT_EQ(languages[2], "English (US)");

  const std::string sample =
      "Braille: 12 Gr\xfc\xdf"
      "e, \xe7"
      "a & co!";
  int tables = 0;
  for (int l = 0; l < Count(view.language); ++l) {
    Select(view.language, l);
    EXPECT_EQ(CheckBrailleSelection(view, loaded.selection, loaded.focus), l > 0) << languages[l];
    ASSERT_GE(Count(view.grade), 1) << languages[l];
    for (int g = 0; g < Count(view.grade); ++g, ++tables) {
      Select(view.grade, g);
      EXPECT_TRUE(SameAsHost(Translate(loaded.louis, view, sample), view, sample)) << languages[l] << " " << g;
    }
  }
  EXPECT_GE(tables, 12);
  // The last choice is stored.
  EXPECT_EQ(IniValue("Braille", "Lng"), std::to_string(Count(view.language) - 1));
}

class BrailleSettings : public Braille {
  bool UseShippedSettings() const override { return false; }
};

TEST_F(BrailleSettings, SelectionIsTakenOverOnceAndStored) {
  // Language keys 00, 01 and 03: the third entry is language number 2.
  for (auto [key, value] : {std::pair{"00", "Eins"},
                            {"01", "Zwei"},
                            {"03", "Drei"},
                            {"00-00", "A"},
                            {"01-00", "B"},
                            {"02-00", "C0"},
                            {"02-01", "C1"},
                            {"02-G", "1"},
                            {"Lng", "7"},
                            {"BR1", "Sprache\\nw\xe4hlen"}})
    WritePrivateProfileStringA(key[0] == 'B' ? "0049" : "Braille", key, value, SettingsPath());
  BrailleControls controls;
  const BrailleView view = controls.View(kOut);
  BrailleSelection selection;
  int focus = kFocusGraphic;
  FillBrailleLists(view, selection, focus);
  ASSERT_EQ(Count(view.language), 3);
  EXPECT_EQ(Selected(view.language), 0) << "a stored language that does not exist: the first";
  EXPECT_EQ(selection.language, 0);
  EXPECT_FALSE(CheckBrailleSelection(view, selection, focus));

  // A language chosen in its list: taken over on the tick, with the grades
  // of that language and the one stored for it.
  Select(view.language, 2);
  EXPECT_TRUE(CheckBrailleSelection(view, selection, focus));
  EXPECT_EQ(focus, kFocusLanguage);
  ASSERT_EQ(Count(view.grade), 2);
  EXPECT_EQ(ListText(view.grade, 1), "C1");
  EXPECT_EQ(Selected(view.grade), 1);
  EXPECT_EQ(IniValue("Braille", "Lng"), "2");
  EXPECT_FALSE(CheckBrailleSelection(view, selection, focus));

  Select(view.grade, 0);
  EXPECT_TRUE(CheckBrailleSelection(view, selection, focus));
  EXPECT_FALSE(CheckBrailleSelection(view, selection, focus));
  char entry[kTableListEntrySize];
  GetBrList(view, entry);
  EXPECT_STREQ(entry, "-");
  EXPECT_EQ(IniValue("Braille", "02-G"), "0");
  EXPECT_TRUE(Logged("GetBrList:02-00-F=-"));

  // Through the list's own notification, to a language whose grade has the
  // same number: still one change for the tick.
  Select(view.language, 0);
  BrListSet(view, selection, view.language, focus);
  EXPECT_EQ(selection.language, 0);
  EXPECT_TRUE(CheckBrailleSelection(view, selection, focus));
  EXPECT_FALSE(CheckBrailleSelection(view, selection, focus));
  BrListSet(view, selection, view.grade, focus);
  EXPECT_EQ(focus, kFocusGrade);
  EXPECT_EQ(selection.lastList, view.grade);

  // The marks lie left of their elements; the hint field shows the state.
  FocusMark marks[kFocusMarks];
  BrailleFocusMarks(view, marks);
  EXPECT_EQ(marks[0].command, CMD_FOCUS_LANG);
  EXPECT_EQ(marks[2].command, CMD_FOCUS_GRAPHIC);
  RECT grade;
  GetWindowRect(view.grade, &grade);
  MapWindowPoints(nullptr, view.main, reinterpret_cast<POINT*>(&grade), 2);
  EXPECT_EQ(marks[1].x, grade.left - kFocusMarkSize - kFocusMarkGap);
  EXPECT_EQ(marks[1].y, grade.top + (grade.bottom - grade.top - kFocusMarkSize) / 2);
  EXPECT_STREQ(marks[0].text, "Braillesprache ausw\xe4hlen");
  ShowBrailleFocus(view, kFocusLanguage);
  char hint[kHintTextMax] = "";
  GetWindowTextA(view.hint, hint, sizeof hint);
  EXPECT_STREQ(hint, "Sprache\r\nw\xe4hlen");
}

TEST_F(Braille, BadInputGivesADefinedLineAndALogLine) {
  Loaded loaded;
  const LouisModule& louis = loaded.louis;
  const BrailleView& view = loaded.view;

  Translation empty = Translate(louis, view, "");
  EXPECT_EQ(empty.result, 1);
  EXPECT_EQ(empty.count, kMinTranslatedCells);
  EXPECT_TRUE(std::all_of(empty.cells, empty.cells + kBrailleWorkSize, [](int c) { return c == 0; }));
  EXPECT_TRUE(Logged("Braille: 0 Zeichen, 10 Zellen"));

  // Longer than the working buffer: its first 1023 bytes.
  const std::string longText(1500, 'a');
  Translation cut = Translate(louis, view, longText);
  EXPECT_TRUE(SameAsHost(cut, view, longText.substr(0, kBrailleWorkSize - 1)));
  EXPECT_TRUE(Logged("Err: Text zu lang, 1023 von 1500 Byte"));
  EXPECT_TRUE(Logged("die Zeile zeigt die ersten 20"));

  // Code pages: the language's own, bytes it does not define as "?", and
  // one that does not exist.
  WritePrivateProfileStringA("Braille", "00-cp", "1250", SettingsPath());
  EXPECT_TRUE(SameAsHost(Translate(louis, view,
                                   "\xb3\xf3"
                                   "d\xbc"),
                         view,
                         "\xb3\xf3"
                         "d\xbc",
                         1250));
  EXPECT_TRUE(Logged("CodePage:1250"));
  WritePrivateProfileStringA("Braille", "00-cp", "65001", SettingsPath());
  EXPECT_TRUE(SameAsHost(Translate(louis, view,
                                   "Gr\xc3\xbc\xff"
                                   "e"),
                         view, "Gr\xfc?e", 1252));
  EXPECT_TRUE(Logged("Err: CodePage 65001: 1 Zeichen unbekannt, als ? gesetzt"));
  WritePrivateProfileStringA("Braille", "00-cp", "12345", SettingsPath());
  Translation none = Translate(louis, view, "Haus");
  EXPECT_EQ(none.result, 1);
  EXPECT_EQ(none.count, kMinTranslatedCells);
  EXPECT_EQ(none.cells[0], 0);
  EXPECT_TRUE(Logged("Err: CodePage 12345: Text nicht umsetzbar"));
}
