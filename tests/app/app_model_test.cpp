// The device keys, the refresh countdown, the browsing of the typed text,
// the braille-font form of texts and the hint areas of the main window.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/build_date.h"
#include "app/device_keys.h"
#include "base/text.h"
#include "braille/braille_form.h"
#include "ui/hover_areas.h"
#include "ui/main_layout.h"

TEST(DeviceKeys, SixCodesRaiseTheirButtons) {
  EXPECT_EQ(DeviceKeyCommand(0x0004), BUTTON0);
  EXPECT_EQ(DeviceKeyCommand(0x8000), BUTTON1);
  EXPECT_EQ(DeviceKeyCommand(0x4000), BUTTON2);
  EXPECT_EQ(DeviceKeyCommand(0x2000), BUTTON3);
  EXPECT_EQ(DeviceKeyCommand(0x1000), BUTTON4);
  EXPECT_EQ(DeviceKeyCommand(0x0002), BUTTON5);
}

TEST(DeviceKeys, OtherCodesRaiseNothing) {
  EXPECT_EQ(DeviceKeyCommand(0), 0);
  EXPECT_EQ(DeviceKeyCommand(0x0001), 0);
  EXPECT_EQ(DeviceKeyCommand(0x8004), 0);  // two keys at once
  EXPECT_EQ(DeviceKeyCommand(0xFFFF), 0);
}

// The start line's date: the compiler pads a one-digit day with a space.
TEST(BuildDate, DayMonthAndYearOfTheCompilersDate) {
  int day = 0, month = 0, year = 0;
  ASSERT_TRUE(ParseBuildDate("Jan  9 2026", day, month, year));
  EXPECT_EQ(day * 10000 + month * 100 + year % 100, 90126);
  ASSERT_TRUE(ParseBuildDate("Dec 31 2025", day, month, year));
  EXPECT_EQ(day * 10000 + month * 100 + year % 100, 311225);
  EXPECT_EQ(year, 2025);
  EXPECT_FALSE(ParseBuildDate("Foo 12 2025", day, month, year));
  EXPECT_FALSE(ParseBuildDate("Dec 31 202", day, month, year));
}

TEST(Refresh, FirstPlainRefreshLaysOut) {
  int countdown = 0;
  EXPECT_TRUE(RefreshNeedsLayout(countdown, 10, 0));
  EXPECT_EQ(countdown, 10);
}

TEST(Refresh, EleventhPlainRefreshAfterAForcedOneLaysOut) {
  int countdown = 3;
  EXPECT_TRUE(RefreshNeedsLayout(countdown, 10, 1));
  for (int i = 1; i <= 10; ++i) EXPECT_FALSE(RefreshNeedsLayout(countdown, 10, 0)) << i;
  EXPECT_TRUE(RefreshNeedsLayout(countdown, 10, 0));
  EXPECT_EQ(countdown, 10);
}

TEST(Refresh, AnyOtherParameterCountsAsPlain) {
  int countdown = 2;
  EXPECT_FALSE(RefreshNeedsLayout(countdown, 10, 7));
  EXPECT_EQ(countdown, 1);
  EXPECT_FALSE(RefreshNeedsLayout(countdown, 10, -1));
  EXPECT_TRUE(RefreshNeedsLayout(countdown, 10, 2));
}

TEST(Refresh, PeriodZeroLaysOutEveryTime) {
  int countdown = 0;
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(RefreshNeedsLayout(countdown, 0, 0));
}

TEST(Browse, KeysWalkTheTextAndWrap) {
  int pos = 0;
  // BUTTON3 on a two-letter text at position 1 renders the first letter.
  pos = 1;
  BrowseStep step = BrowseText(3, 2, pos);
  EXPECT_EQ(step.render, BrowseRender::kChar);
  EXPECT_EQ(step.at, 0);
  EXPECT_EQ(pos, 0);
  step = BrowseText(3, 2, pos);  // the character after the cursor
  EXPECT_EQ(step.at, 1);
  EXPECT_EQ(pos, 1);
  // BUTTON2 from the start wraps to the last character.
  pos = 0;
  step = BrowseText(2, 5, pos);
  EXPECT_EQ(step.render, BrowseRender::kChar);
  EXPECT_EQ(step.at, 4);
  EXPECT_EQ(pos, 4);
  // ... but from the second character it shows the first one, no wrap.
  pos = 1;
  step = BrowseText(2, 5, pos);
  EXPECT_EQ(step.at, 0);
  EXPECT_EQ(pos, 0);
  // BUTTON4 moves on while five characters can follow, then starts over.
  pos = 0;
  EXPECT_EQ(BrowseText(4, 10, pos).at, 1);
  pos = 6;
  step = BrowseText(4, 10, pos);
  EXPECT_EQ(step.render, BrowseRender::kText);
  EXPECT_EQ(step.at, 0);
  // BUTTON1 goes back, not below 0.
  EXPECT_EQ(BrowseText(1, 10, pos).at, 0);
}

TEST(Browse, EmptyOrShortenedTextIsSafe) {
  int pos = 7;
  EXPECT_EQ(BrowseText(2, 0, pos).render, BrowseRender::kNothing);
  EXPECT_EQ(pos, 0);
  pos = 40;  // the text got shorter since
  BrowseStep step = BrowseText(2, 3, pos);
  EXPECT_EQ(step.at, 2);
  EXPECT_EQ(BrowseText(0, 3, pos).render, BrowseRender::kNothing);
  EXPECT_EQ(BrowseText(5, 3, pos).render, BrowseRender::kNothing);
}

TEST(BrailleForm, SubstitutesPositionByPositionAndTheLastPositionWins) {
  BrailleSubstitution sub;
  CopyText(sub.source, sizeof sub.source, "abca");
  CopyText(sub.target, sizeof sub.target, "xyz");
  char out[16];
  BrailleForm(sub, "abcd", out, sizeof out);
  // "a" occurs twice: its last position has no substitute, so it stays.
  EXPECT_STREQ(out, "ayzd");
  CopyText(sub.source, sizeof sub.source, "ab");
  CopyText(sub.target, sizeof sub.target, "xy");
  BrailleForm(sub, "a-b", out, sizeof out);
  EXPECT_STREQ(out, "x-y");
  BrailleForm(sub, "aaaaaaaa", out, 4);
  EXPECT_STREQ(out, "xxx");
  EXPECT_EQ(BrailleFormOf(BrailleSubstitution{}, '-'), '-');
}

TEST(HoverAreas, FirstAreaHoldingThePointWinsAndTheListIsBounded) {
  HoverAreas areas;
  EXPECT_TRUE(AddHoverArea(areas, 10, 10, 48, 300, "connect"));
  EXPECT_TRUE(AddHoverArea(areas, 60, 10, 16, 308, "left"));
  EXPECT_EQ(HoverAreaAt(areas, 10, 10), 0);
  EXPECT_EQ(HoverAreaAt(areas, 57, 57), 0);
  EXPECT_EQ(HoverAreaAt(areas, 58, 57), -1);  // right and bottom edges are outside
  EXPECT_EQ(HoverAreaAt(areas, 75, 25), 1);
  EXPECT_EQ(areas.area[1].command, 308);
  for (int i = 2; i < kHoverAreaMax; ++i) EXPECT_TRUE(AddHoverArea(areas, 0, 0, 1, 0, ""));
  EXPECT_FALSE(AddHoverArea(areas, 0, 0, 1, 0, ""));
  std::string longText(200, 'x');
  ClearHoverAreas(areas);
  AddHoverArea(areas, 0, 0, 1, 0, longText.c_str());
  EXPECT_EQ(std::strlen(areas.area[0].text), static_cast<size_t>(kHoverTextMax - 1));
}

// The main window's pieces from the shipped pin size up: each lies in the
// client area of the first window (frames and menu bar taken off
// generously), none covers another (but the language and grade lists,
// which share a border line), and the icon bar stays between the page and
// the camera area.
TEST(MainLayout, PiecesFitTheFirstWindowWithoutCoveringEachOther) {
  for (int p : {10, 14, 20}) {
    const LayoutRect window = MainWindowRect(p);
    const int W = window.Width() - 16, H = window.Height() - 60;
    const MainLayout l = LayoutMain(60, 40, p, W, H);
    std::vector<std::pair<const char*, LayoutRect>> pieces = {{"page", l.page},
                                                              {"text line", l.textLine},
                                                              {"camera button", l.cameraButton},
                                                              {"language", l.languageList},
                                                              {"grade", l.gradeList},
                                                              {"braille", l.brailleGraphic},
                                                              {"text field", l.textField},
                                                              {"status", l.statusLine},
                                                              {"info", l.infoPanel},
                                                              {"connect", l.connectIcon},
                                                              {"camera", l.cameraIcon},
                                                              {"back", l.backIcon},
                                                              {"accept", l.acceptIcon},
                                                              {"tool", l.toolIcon},
                                                              {"shape back", l.shapeBackIcon},
                                                              {"shape fwd", l.shapeForwardIcon}};
    for (const LayoutRect& key : l.deviceKeys) pieces.push_back({"device key", key});
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      const LayoutRect& a = pieces[i].second;
      EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= W && a.bottom <= H && a.Width() > 0 && a.Height() > 0)
          << pieces[i].first << " at pin size " << p;
      for (std::size_t j = i + 1; j < pieces.size(); ++j) {
        const LayoutRect& b = pieces[j].second;
        const bool shareBorder = std::strcmp(pieces[i].first, "language") == 0 &&
                                 std::strcmp(pieces[j].first, "grade") == 0 && a.bottom == b.top + 1;
        const bool apart =
            a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top || shareBorder;
        EXPECT_TRUE(apart) << pieces[i].first << " covers " << pieces[j].first << " at pin size " << p;
      }
    }
    EXPECT_GE(l.connectIcon.left, l.page.right) << p;
    EXPECT_LE(l.shapeForwardIcon.right, 61 * p + kLayoutCameraAreaGap) << p;
  }
}
