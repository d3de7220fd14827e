#include "document/image_outline.h"

#include <cmath>

namespace {

constexpr int kWidth = kPageColumns;
constexpr int kHeight = kPageRows;
// Grids with a border of one pixel all round, so that no neighbour needs a
// bounds test.
constexpr int kPaddedWidth = kWidth + 2;
constexpr int kPaddedPins = kPaddedWidth * (kHeight + 2);

using Grid = float[kPagePins];
using Mask = std::uint8_t[kPagePins];

int Index(int x, int y) { return y * kWidth + x; }
int Padded(int x, int y) { return (y + 1) * kPaddedWidth + x + 1; }

void SobelMagnitude(const Grid& v, Grid& magnitude) {
  // The picture's border pixels repeated outward.
  float p[kPaddedPins];
  for (int y = -1; y <= kHeight; ++y) {
    const int sy = y < 0 ? 0 : (y >= kHeight ? kHeight - 1 : y);
    for (int x = -1; x <= kWidth; ++x) {
      const int sx = x < 0 ? 0 : (x >= kWidth ? kWidth - 1 : x);
      p[Padded(x, y)] = v[Index(sx, sy)];
    }
  }
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const float* up = &p[Padded(x, y - 1)];
      const float* mid = &p[Padded(x, y)];
      const float* down = &p[Padded(x, y + 1)];
      const float gx = (up[1] + 2.0f * mid[1] + down[1]) - (up[-1] + 2.0f * mid[-1] + down[-1]);
      const float gy = (down[-1] + 2.0f * down[0] + down[1]) - (up[-1] + 2.0f * up[0] + up[1]);
      magnitude[Index(x, y)] = std::sqrt(gx * gx + gy * gy);
    }
  }
}

// Mean plus standard deviation of the magnitudes, at least the floor.
float EdgeThreshold(const Grid& magnitude) {
  double sum = 0.0, squares = 0.0;
  for (float m : magnitude) {
    sum += m;
    squares += static_cast<double>(m) * m;
  }
  const double mean = sum / kPagePins;
  const double variance = squares / kPagePins - mean * mean;
  const double adaptive = mean + std::sqrt(variance > 0.0 ? variance : 0.0);
  return static_cast<float>(adaptive > kOutlineFloor ? adaptive : kOutlineFloor);
}

// Pixels at or above the threshold, grown through their 8 neighbours into
// pixels at or above the lower threshold, so that an edge that weakens on
// its way (a curve, a blurred stretch) stays one edge. Returns the count.
int MarkEdges(const Grid& magnitude, float high, float low, Mask& edge) {
  int stack[kPagePins];
  int top = 0;
  for (int i = 0; i < kPagePins; ++i) {
    edge[i] = magnitude[i] >= high ? 1 : 0;
    if (edge[i]) stack[top++] = i;
  }
  int count = top;
  while (top > 0) {
    const int i = stack[--top];
    const int x = i % kWidth, y = i / kWidth;
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        const int nx = x + dx, ny = y + dy;
        if (nx < 0 || nx >= kWidth || ny < 0 || ny >= kHeight) continue;
        const int n = Index(nx, ny);
        if (edge[n] || magnitude[n] < low) continue;
        edge[n] = 1;
        ++count;
        stack[top++] = n;
      }
    }
  }
  return count;
}

// The darker side: a pixel at or beside an edge that is darker than one of
// its four neighbours by `step`.
void MarkDarkSide(const Grid& v, const Mask& edge, float step, Mask& pins) {
  static const int kNeighbours[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int i = Index(x, y);
      pins[i] = 0;
      for (const auto& d : kNeighbours) {
        const int nx = x + d[0], ny = y + d[1];
        if (nx < 0 || nx >= kWidth || ny < 0 || ny >= kHeight) continue;
        const int n = Index(nx, ny);
        if ((edge[i] || edge[n]) && v[n] - v[i] >= step) {
          pins[i] = 1;
          break;
        }
      }
    }
  }
}

// Thinning in two alternating passes (the scheme of Zhang and Suen): a pin
// goes when it has three to six raised neighbours, exactly one run of them
// around it (so removing it cuts nothing apart) and lies on the side the
// pass works on. Pins with two neighbours stay, so the corner of an outline
// keeps its pin and a line keeps its ends. The decision depends on the
// eight neighbours only: a table of the 256 neighbourhoods per pass.
struct ThinningTable {
  std::uint8_t removable[2][256];
  ThinningTable() {
    for (int code = 0; code < 256; ++code) {
      // Bit k: neighbour k clockwise from the north.
      int p[8], raised = 0;
      for (int k = 0; k < 8; ++k) raised += p[k] = (code >> k) & 1;
      int runs = 0;
      for (int k = 0; k < 8; ++k) runs += p[k] == 0 && p[(k + 1) % 8] == 1;
      const bool candidate = raised >= 3 && raised <= 6 && runs == 1;
      // p[0] north, p[2] east, p[4] south, p[6] west.
      removable[0][code] = candidate && p[0] * p[2] * p[4] == 0 && p[2] * p[4] * p[6] == 0;
      removable[1][code] = candidate && p[0] * p[2] * p[6] == 0 && p[0] * p[4] * p[6] == 0;
    }
  }
};

int Thin(Mask& pins) {
  static const ThinningTable table;
  static const int kAround[8] = {-kPaddedWidth, -kPaddedWidth + 1, 1,  kPaddedWidth + 1,
                                 kPaddedWidth,  kPaddedWidth - 1,  -1, -kPaddedWidth - 1};
  std::uint8_t grid[kPaddedPins] = {};
  int raised[kPagePins], count = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (pins[Index(x, y)]) grid[raised[count++] = Padded(x, y)] = 1;
  int removed[kPagePins];
  for (bool changed = true; changed;) {
    changed = false;
    for (int pass = 0; pass < 2; ++pass) {
      int gone = 0;
      for (int k = 0; k < count; ++k) {
        const int at = raised[k];
        int code = 0;
        for (int n = 0; n < 8; ++n) code |= grid[at + kAround[n]] << n;
        if (table.removable[pass][code]) removed[gone++] = at;
      }
      if (gone == 0) continue;
      changed = true;
      for (int k = 0; k < gone; ++k) grid[removed[k]] = 0;
      int kept = 0;
      for (int k = 0; k < count; ++k)
        if (grid[raised[k]]) raised[kept++] = raised[k];
      count = kept;
    }
  }
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) pins[Index(x, y)] = grid[Padded(x, y)];
  return count;
}

}  // namespace

OutlineStats PictureToOutline(const PagePicture& picture, std::uint8_t (&pins)[kPagePins]) {
  Grid v, magnitude;
  for (int i = 0; i < kPagePins; ++i) v[i] = PixelBrightness(picture.pixels[i].red);
  SobelMagnitude(v, magnitude);
  OutlineStats stats;
  stats.threshold = EdgeThreshold(magnitude);
  const float low = stats.threshold / 2.0f > kOutlineFloor ? stats.threshold / 2.0f : kOutlineFloor;
  Mask edge;
  stats.edges = MarkEdges(magnitude, stats.threshold, low, edge);
  MarkDarkSide(v, edge, stats.threshold / 8.0f, pins);
  stats.raised = Thin(pins);
  return stats;
}

void ConvertPictureMode(const PagePicture& picture, PictureMode mode, const DotsRule& rule,
                        std::uint8_t (&pins)[kPagePins]) {
  if (mode == PictureMode::kOutline) {
    PictureToOutline(picture, pins);
  } else {
    PictureToPins(picture, rule, pins);
  }
}
