// What a screen reader hears from the real RelivoX.exe: the test listens
// from its own process with an out-of-context event hook, as a screen
// reader does, while it works the program, in German and then in English.
// Each change of the status line must arrive as a live-region event of a
// status bar whose name is the new text; a repeat says nothing; a burst of
// changes speaks its last value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/accessible.h"
#include "base/commands.h"
#include "tests/app/app_driver.h"
#include "tests/app/screen_reader.h"

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& text) {
  for (const std::string& s : list)
    if (s == text) return true;
  return false;
}

// Posts a command and waits until the screen reader heard `text`.
::testing::AssertionResult Hears(const AppRun& run, ScreenReader& reader, int command, const std::string& text,
                                 LPARAM lParam = 0) {
  const std::size_t before = reader.Spoken().size();
  PostCommand(run, command, lParam);
  if (!Sync(run)) return ::testing::AssertionFailure() << "the program does not answer";
  if (reader.WaitSpoken(text, before)) return ::testing::AssertionSuccess();
  ::testing::AssertionResult failure = ::testing::AssertionFailure();
  failure << "not heard: \"" << text << "\"; heard:";
  for (const std::string& s : reader.Spoken()) failure << " \"" << s << "\"";
  return failure;
}

// Tool changes in a burst: the first and the last are spoken, the ones
// between are not.
void ExpectBurst(const AppRun& run, ScreenReader& reader, const std::vector<std::string>& tools) {
  const std::size_t before = reader.Spoken().size();
  for (std::size_t i = 0; i < tools.size(); ++i) PostCommand(run, CMD_TOOL_NEXT);
  ASSERT_TRUE(Sync(run));
  ASSERT_TRUE(reader.WaitSpoken(tools.back(), before)) << "the burst's last value";
  const std::vector<std::string> spoken = reader.Spoken();
  const std::vector<std::string> after(spoken.begin() + static_cast<long>(before), spoken.end());
  for (std::size_t i = 1; i + 1 < tools.size(); ++i) EXPECT_FALSE(Contains(after, tools[i])) << tools[i];
}

}  // namespace

TEST(AppSpeech, StatusLineChangesReachAScreenReaderInGermanAndEnglish) {
  // The shipped settings and texts, quiet and logging.
  const std::string folder = MakeRunFolder();
  const std::string ini = folder + "res\\RelivoX.ini";
  WritePrivateProfileStringA("Def", "Sound", "0", ini.c_str());
  WritePrivateProfileStringA("Def", "Debug", "1", ini.c_str());
  AppRun run;
  ASSERT_TRUE(StartApp(run, folder));
  ScreenReader reader(run.Pid());
  ASSERT_TRUE(reader.Listening());

  // German.
  EXPECT_TRUE(Hears(run, reader, CMD_TOOL_NEXT, "Linie"));
  EXPECT_TRUE(Hears(run, reader, CMD_SOUND, "Ton ein"));
  EXPECT_TRUE(Hears(run, reader, CMD_SOUND, "Ton aus"));
  ExpectBurst(run, reader, {"Dreieck", "Rechteck", "Raute", "Sechseck", "Achteck"});
  // The same text again is no change: nothing is said.
  const std::size_t before = reader.Spoken().size();
  PostMessageA(run.main, WM_ACTIVATEAPP, TRUE, 0);
  PostMessageA(run.main, WM_ACTIVATEAPP, TRUE, 0);
  ASSERT_TRUE(Sync(run));
  EXPECT_TRUE(reader.WaitSpoken("Bereit", before));
  EXPECT_TRUE(Hears(run, reader, CMD_SOUND, "Ton ein"));
  const std::vector<std::string> spoken = reader.Spoken();
  EXPECT_EQ(std::vector<std::string>(spoken.begin() + static_cast<long>(before), spoken.end()),
            (std::vector<std::string>{"Bereit", "Ton ein"}));

  // The page with its pin cursor, then the braille language list: the
  // focus is said by the control's own name and role, the moves by the
  // status line.
  long role = 0;
  PostCommand(run, CMD_FOCUS_PAGE);
  EXPECT_TRUE(reader.WaitFocus("Seite [ 0  0] gesenkt", &role));
  EXPECT_EQ(role, ROLE_SYSTEM_GRAPHIC);
  EXPECT_TRUE(Hears(run, reader, CMD_RIGHT, "[ 1  0] gesenkt"));
  EXPECT_TRUE(Hears(run, reader, CMD_PIN, "[ 1  0] erh\xf6ht"));
  EXPECT_TRUE(Hears(run, reader, CMD_LEFT, "[ 0  0] gesenkt"));
  EXPECT_TRUE(Hears(run, reader, CMD_LEFT, "[ 0  0] gesenkt Rand"));
  PostCommand(run, CMD_TAB);
  EXPECT_TRUE(reader.WaitFocus("Taste 1", &role)) << "the first device key after the page";
  EXPECT_EQ(role, ROLE_SYSTEM_PUSHBUTTON);
  PostCommand(run, CMD_FOCUS_LANG);
  EXPECT_TRUE(reader.WaitFocus("Braillesprache", &role));
  EXPECT_EQ(role, ROLE_SYSTEM_LIST);
  EXPECT_TRUE(Hears(run, reader, CMD_DOWN, "Braillesprache: English (UK)"));

  // English.
  PostCommand(run, CMD_LANGUAGE + 1);
  ASSERT_TRUE(Sync(run));
  EXPECT_TRUE(Hears(run, reader, CMD_TOOL_NEXT, "Circle"));
  EXPECT_TRUE(Hears(run, reader, CMD_SOUND, "Sound off"));
  PostCommand(run, CMD_FOCUS_PAGE);
  EXPECT_TRUE(reader.WaitFocus("Page [ 0  0] lowered"));
  EXPECT_TRUE(Hears(run, reader, CMD_RIGHT, "[ 1  0] raised"));
  PostCommand(run, CMD_FOCUS_GRADE);
  EXPECT_TRUE(reader.WaitFocus("Braille grade"));
  EXPECT_TRUE(Hears(run, reader, CMD_DOWN, "Braille grade: Contracted"));

  for (const HeardEvent& e : reader.Heard()) {
    if (e.event != kEventLiveRegionChanged) continue;
    EXPECT_EQ(e.role, ROLE_SYSTEM_STATUSBAR) << e.name;
  }
  EXPECT_TRUE(CloseWithoutSaving(run)) << "the raised pin is not saved";
}
