// Benchmark, printed, not judged: one tick's conversion of the screen and
// camera views (read the pixels under the fly window from the screen,
// scale them to 60 x 40, apply the threshold, compare with the last pins,
// pack the graphic) as a share of the 50 ms tick, at factor 10 and at the
// largest factor of each view; beside each, in the same run, one stretch of
// the whole area into 60 x 40 by the platform, the way that reads every
// pixel of the area.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "camera/pixel_grab.h"
#include "camera/view_model.h"
#include "tests/bench_clock.h"

namespace {

constexpr double kTickMs = 50.0;
constexpr int kRounds = 60;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One tick's conversion and, in turn with it so that both see the same load,
// the whole area stretched by the platform; medians of the rounds.
void Measure(const char* view, int factor, PictureSurface& surface, HDC screen) {
  PinTracker tracker;
  PagePicture picture;
  std::uint8_t graphic[kPackedGraphic];
  const DotsRule rule{DotsMode::kDynamicScreen, 0};
  const int width = kFlyUnitWidth * factor, height = kFlyUnitHeight * factor;
  std::vector<double> tick, whole;
  for (int i = 0; i < kRounds; ++i) {
    // The area moves a little, as under a hand on the mouse.
    double start = BenchSeconds();
    GrabPicture(surface, screen, i % 7, i % 5, width, height, picture);
    if (ConvertPicture(picture, rule, tracker)) PinsToGraphic(tracker.pins, graphic);
    tick.push_back((BenchSeconds() - start) * 1000.0);
    start = BenchSeconds();
    StretchBlt(surface.page.dc->Get(), 0, 0, kPageColumns, kPageRows, screen, i % 7, i % 5, width, height, SRCCOPY);
    GdiFlush();
    whole.push_back((BenchSeconds() - start) * 1000.0);
  }
  const double ms = Median(tick);
  std::printf(
      "%-28s factor %2d (%4d x %4d): median %6.3f ms per tick (%s), %5.2f %% of the %2.0f ms tick;"
      " whole area stretched: %7.3f ms\n",
      view, factor, width, height, ms, surface.choice.stretch ? "stretch" : "rows", 100.0 * ms / kTickMs, kTickMs,
      Median(whole));
}

}  // namespace

int main() {
  HDC screen = GetDC(nullptr);
  PictureSurface surface;
  if (!CreatePictureSurface(surface, screen)) {
    std::printf("no picture surface\n");
    return 1;
  }
  SetStretchBltMode(surface.page.dc->Get(), COLORONCOLOR);  // as the stretch before took whole pixels
  const int screenMax = MaxFactor(GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN));
  const int cameraMax = MaxFactor(800, 600);  // the large camera window
  std::printf("screen %d x %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  PagePicture warmUp;  // the first transfers set up the display connection
  for (int i = 0; i < kRounds / 10; ++i) GrabPicture(surface, screen, 0, 0, kFlyUnitWidth, kFlyUnitHeight, warmUp);
  Measure("screen view", 10, surface, screen);
  Measure("screen view, largest", screenMax, surface, screen);
  Measure("camera view (large window)", 10, surface, screen);
  Measure("camera view, largest", cameraMax, surface, screen);
  ReleasePictureSurface(surface);
  ReleaseDC(nullptr, screen);
  return 0;
}
