#include "base/announce_gate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Plays a sequence of (time, text) changes and collects what is spoken,
// polling the gate every 10 ms as the program's timer would.
std::vector<std::string> Spoken(const std::vector<std::pair<std::uint32_t, const char*>>& changes,
                                std::uint32_t start = 1000) {
  AnnounceGate gate;
  std::vector<std::string> said;
  std::size_t next = 0;
  for (std::uint32_t t = start; next < changes.size() || t < start + changes.back().first + 1000; t += 10) {
    while (next < changes.size() && start + changes[next].first <= t) {
      if (OfferAnnouncement(gate, changes[next].second, t) == AnnounceStep::kSpeak) said.push_back(gate.spoken);
      ++next;
    }
    if (DueAnnouncement(gate, t)) said.push_back(gate.spoken);
  }
  return said;
}

}  // namespace

TEST(AnnounceGate, ChangesAfterAPauseAreSpokenAtOnceAndRepeatsNever) {
  EXPECT_EQ(Spoken({{0, "Bereit"}, {500, "Linie"}, {1000, "Linie"}, {1500, "Ton aus"}}),
            (std::vector<std::string>{"Bereit", "Linie", "Ton aus"}));
}

TEST(AnnounceGate, AHeldKeySpeaksItsFirstAndItsLastValue) {
  std::vector<std::pair<std::uint32_t, const char*>> held = {{0, "[ 1  0] gesenkt"}};
  static const char* kPositions[] = {"[ 2  0] gesenkt", "[ 3  0] gesenkt", "[ 4  0] erh\xf6ht", "[ 5  0] gesenkt"};
  std::uint32_t t = 500;  // the keyboard's delay before it repeats
  for (const char* p : kPositions) {
    held.push_back({t, p});
    t += 33;
  }
  const std::vector<std::string> said = Spoken(held);
  ASSERT_EQ(said.size(), 3u);
  EXPECT_EQ(said[0], "[ 1  0] gesenkt");
  EXPECT_EQ(said[1], "[ 2  0] gesenkt") << "the first repeat comes after a pause";
  EXPECT_EQ(said[2], "[ 5  0] gesenkt") << "the burst's last value";
}

TEST(AnnounceGate, ABurstBackToTheSpokenTextSaysNothingMore) {
  EXPECT_EQ(Spoken({{0, "A"}, {50, "B"}, {100, "A"}}), (std::vector<std::string>{"A"}));
}

TEST(AnnounceGate, AnUnspokenChangeIsShownOnlyAndTheClockMayWrap) {
  AnnounceGate gate;
  const std::uint32_t nearWrap = 0xFFFFFF00u;
  EXPECT_EQ(OfferAnnouncement(gate, "Bereit", nearWrap), AnnounceStep::kSpeak);
  EXPECT_EQ(OfferAnnouncement(gate, "Datei Hauptmenu", nearWrap + 300, false), AnnounceStep::kNothing);
  EXPECT_STREQ(gate.spoken, "Bereit");
  // The menu closes: the status line is back at what was spoken last.
  EXPECT_EQ(OfferAnnouncement(gate, "Bereit", nearWrap + 600), AnnounceStep::kNothing);
  const std::uint32_t wrapped = nearWrap + 650;  // past zero
  std::uint32_t remaining = 0;
  EXPECT_EQ(OfferAnnouncement(gate, "Linie", wrapped), AnnounceStep::kWait) << "50 ms after the last change";
  EXPECT_FALSE(DueAnnouncement(gate, wrapped + 100, &remaining));
  EXPECT_EQ(remaining, kAnnounceQuietMs - 100);
  EXPECT_TRUE(DueAnnouncement(gate, wrapped + kAnnounceQuietMs));
  EXPECT_STREQ(gate.spoken, "Linie");
  EXPECT_FALSE(DueAnnouncement(gate, wrapped + 2 * kAnnounceQuietMs));
}

TEST(AnnounceGate, LongAndMissingTextsAreSafe) {
  AnnounceGate gate;
  std::string longText(3 * kAnnounceTextMax, 'x');
  EXPECT_EQ(OfferAnnouncement(gate, longText.c_str(), 0), AnnounceStep::kSpeak);
  EXPECT_EQ(std::string(gate.spoken).size(), static_cast<std::size_t>(kAnnounceTextMax - 1));
  EXPECT_EQ(OfferAnnouncement(gate, nullptr, 1000), AnnounceStep::kSpeak);
  EXPECT_STREQ(gate.spoken, "");
}

TEST(AnnounceGate, APassingShownTextNeitherEndsNorHidesABurst) {
  AnnounceGate gate;
  EXPECT_EQ(OfferAnnouncement(gate, "Braillesprache: Deutsch", 0), AnnounceStep::kSpeak);
  EXPECT_EQ(OfferAnnouncement(gate, "Braillesprache: English (UK)", 50), AnnounceStep::kWait);
  // The new language is translated: the status line passes through these.
  EXPECT_EQ(OfferAnnouncement(gate, "Bitte warten ...", 60, false), AnnounceStep::kNothing);
  EXPECT_EQ(OfferAnnouncement(gate, "Bereit", 61, false), AnnounceStep::kNothing);
  EXPECT_TRUE(DueAnnouncement(gate, 50 + kAnnounceQuietMs));
  EXPECT_STREQ(gate.spoken, "Braillesprache: English (UK)");
}
