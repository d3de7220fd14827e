// The outline of pictures with known answers: a filled disc gives a closed
// ring, a filled square its border, a smooth gradient and faint noise no
// pins, a line drawing its lines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "document/image_outline.h"

namespace {

using Pins = std::set<std::pair<int, int>>;

PagePicture White() {
  PagePicture p;
  for (PixelRgb& px : p.pixels) px = PixelRgb{255, 255, 255};
  return p;
}

void Put(PagePicture& p, int x, int y, int red) {
  if (x < 0 || x >= kPageColumns || y < 0 || y >= kPageRows) return;
  const auto r = static_cast<std::uint8_t>(red);
  p.pixels[y * kPageColumns + x] = PixelRgb{r, r, r};
}

// A black disc on white with its edge pixels grey by the share they cover,
// as the fit of a larger picture gives them.
PagePicture Disc(double cx, double cy, double r) {
  PagePicture p = White();
  constexpr int kSub = 4;
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x) {
      int inside = 0;
      for (int a = 0; a < kSub; ++a)
        for (int b = 0; b < kSub; ++b) {
          const double px = x + (a + 0.5) / kSub - cx, py = y + (b + 0.5) / kSub - cy;
          inside += px * px + py * py <= r * r;
        }
      Put(p, x, y, static_cast<int>(std::lround(255.0 * (1.0 - inside / double(kSub * kSub)))));
    }
  return p;
}

Pins Outline(const PagePicture& p) {
  std::uint8_t pins[kPagePins];
  PictureToOutline(p, pins);
  Pins raised;
  for (int i = 0; i < kPagePins; ++i) {
    EXPECT_LE(pins[i], 1);
    if (pins[i]) raised.insert({i % kPageColumns, i / kPageColumns});
  }
  return raised;
}

// The pins not raised that a 4-connected walk from (x, y) reaches.
std::set<std::pair<int, int>> Reached(const Pins& raised, int x, int y) {
  std::set<std::pair<int, int>> seen;
  std::vector<std::pair<int, int>> todo{{x, y}};
  while (!todo.empty()) {
    auto [px, py] = todo.back();
    todo.pop_back();
    if (px < 0 || px >= kPageColumns || py < 0 || py >= kPageRows) continue;
    if (raised.count({px, py}) || !seen.insert({px, py}).second) continue;
    todo.insert(todo.end(), {{px + 1, py}, {px - 1, py}, {px, py + 1}, {px, py - 1}});
  }
  return seen;
}

// A small generator of its own: the same numbers in every tree.
struct Lcg {
  std::uint32_t state;
  int Next(int range) {
    state = state * 1664525u + 1013904223u;
    return static_cast<int>((state >> 16) % static_cast<std::uint32_t>(range));
  }
};

}  // namespace

TEST(Outline, AFilledDiscGivesAClosedRingAndNothingInside) {
  const double cx = 30, cy = 20, r = 12;
  const Pins raised = Outline(Disc(cx, cy, r));
  for (auto [x, y] : raised) {
    const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
    EXPECT_GT(d, r - 2.0) << "inside: " << x << "," << y;
    EXPECT_LT(d, r + 1.0) << "outside: " << x << "," << y;
  }
  // Closed: from the centre no walk between the pins gets out.
  for (auto [x, y] : Reached(raised, 30, 20)) {
    ASSERT_GT(x, 0);
    ASSERT_LT(x, kPageColumns - 1);
    ASSERT_GT(y, 0);
    ASSERT_LT(y, kPageRows - 1);
  }
  EXPECT_GT(raised.size(), 60u);
}

TEST(Outline, AFilledSquareGivesItsBorder) {
  PagePicture p = White();
  Pins border;
  for (int y = 10; y < 30; ++y)
    for (int x = 20; x < 40; ++x) {
      Put(p, x, y, 0);
      if (x == 20 || x == 39 || y == 10 || y == 29) border.insert({x, y});
    }
  EXPECT_EQ(Outline(p), border);
  // A light square on black: the outline lies on the dark side, around it.
  PagePicture inverse;
  for (int i = 0; i < kPagePins; ++i) {
    const auto v = static_cast<std::uint8_t>(255 - p.pixels[i].red);
    inverse.pixels[i] = PixelRgb{v, v, v};
  }
  Pins around;
  for (int y = 9; y <= 30; ++y)
    for (int x = 19; x <= 40; ++x)
      if ((x == 19 || x == 40 || y == 9 || y == 30) && !((x == 19 || x == 40) && (y == 9 || y == 30)))
        around.insert({x, y});
  EXPECT_EQ(Outline(inverse), around) << "the corners of a frame around stay out";
}

TEST(Outline, SmoothGradientsAndUniformPicturesGiveNoPins) {
  PagePicture across = White(), down = White(), black;
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x) {
      Put(across, x, y, x * 255 / (kPageColumns - 1));
      Put(down, x, y, 255 - y * 255 / (kPageRows - 1));
      Put(black, x, y, 0);
    }
  EXPECT_TRUE(Outline(across).empty());
  EXPECT_TRUE(Outline(down).empty());
  EXPECT_TRUE(Outline(black).empty());
  EXPECT_TRUE(Outline(White()).empty());
}

TEST(Outline, NoiseBelowItsLevelGivesNoPinsAndTheThresholdFollowsThePicture) {
  // Up to 18 red levels either way the Sobel magnitude stays below the
  // floor whatever the pattern.
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    Lcg random{seed};
    PagePicture p;
    for (int y = 0; y < kPageRows; ++y)
      for (int x = 0; x < kPageColumns; ++x) Put(p, x, y, 128 + random.Next(37) - 18);
    std::uint8_t pins[kPagePins];
    const OutlineStats stats = PictureToOutline(p, pins);
    EXPECT_EQ(stats.raised, 0) << "seed " << seed;
    EXPECT_EQ(stats.threshold, kOutlineFloor);
  }
  // A busy picture raises the threshold above the floor.
  PagePicture checks;
  for (int y = 0; y < kPageRows; ++y)
    for (int x = 0; x < kPageColumns; ++x) Put(checks, x, y, ((x / 2 + y / 2) % 2) * 255);
  std::uint8_t pins[kPagePins];
  EXPECT_GT(PictureToOutline(checks, pins).threshold, kOutlineFloor);
}

TEST(Outline, ALineDrawingKeepsItsLines) {
  PagePicture p = White();
  Pins lines;
  auto dot = [&](int x, int y) {
    Put(p, x, y, 0);
    lines.insert({x, y});
  };
  for (int x = 5; x < 55; ++x) dot(x, 3);           // across
  for (int y = 8; y < 36; ++y) dot(50, y);          // down
  for (int k = 0; k < 25; ++k) dot(5 + k, 10 + k);  // slanting
  EXPECT_EQ(Outline(p), lines);
  // A line two pins wide is felt as one, all along.
  PagePicture wide = White();
  for (int y = 5; y < 35; ++y) Put(wide, 30, y, 0), Put(wide, 31, y, 0);
  const Pins felt = Outline(wide);
  for (int y = 6; y < 34; ++y) EXPECT_EQ(felt.count({30, y}) + felt.count({31, y}), 1u) << y;
  for (auto [x, y] : felt) EXPECT_TRUE(x == 30 || x == 31) << x << "," << y;
}

TEST(Outline, TheModeChoosesTheRule) {
  const PagePicture disc = Disc(30, 20, 12);
  std::uint8_t byMode[kPagePins], direct[kPagePins];
  const DotsRule rule{DotsMode::kFixed, ThresholdFromPercent(50)};
  ConvertPictureMode(disc, PictureMode::kThreshold, rule, byMode);
  PictureToPins(disc, rule, direct);
  EXPECT_EQ(std::memcmp(byMode, direct, sizeof direct), 0);
  ConvertPictureMode(disc, PictureMode::kOutline, rule, byMode);
  PictureToOutline(disc, direct);
  EXPECT_EQ(std::memcmp(byMode, direct, sizeof direct), 0);
}
