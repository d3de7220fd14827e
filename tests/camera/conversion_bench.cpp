// Benchmark, printed, not judged: one tick's conversion of the screen and
// camera views (read the pixels under the fly window from the screen,
// scale them to 60 x 40, convert, compare with the last pins, pack the
// graphic) as a share of the 50 ms tick, at factor 10 and at the largest
// factor of each view, by the threshold rule and as the outline in the same
// run: both conversions of the same picture in every round, so that the
// outline's extra time per tick (its target: at most 0.5 ms) is not lost in
// the changing time of the screen transfer. Beside them, in the same
// rounds, one stretch of the whole area into 60 x 40 by the platform, the
// way that reads every pixel of the area.
// Beside it the camera view taken from the camera's frames (640 x 480 and
// 1920 x 1080) at every factor; the copy of the frame out of the library is
// measured by the capture benchmark.
// Usage: conversion_bench [rounds] (200; the tests run it with fewer).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "camera/pixel_grab.h"
#include "camera/view_model.h"
#include "tests/bench_clock.h"

namespace {

constexpr double kTickMs = 50.0;
constexpr double kOutlineBudgetMs = 0.5;
int g_rounds = 200;

// Milliseconds per round: the transfer, and the conversion in each mode.
struct TickTimes {
  double grab = 0.0;
  double threshold = 0.0;
  double outline = 0.0;
  double whole = 0.0;  // the whole area stretched by the platform
};

// Converts and packs as a tick does; adds the time taken to `ms`.
void Convert(const PagePicture& picture, PictureMode mode, PinTracker& tracker, double& ms) {
  const DotsRule rule{DotsMode::kDynamicScreen, 0};
  std::uint8_t graphic[kPackedGraphic];
  const double start = BenchSeconds();
  if (ConvertPicture(picture, mode, rule, tracker)) PinsToGraphic(tracker.pins, graphic);
  ms += (BenchSeconds() - start) * 1000.0;
}

TickTimes Time(int factor, PictureSurface& surface, HDC screen) {
  PinTracker byThreshold, byOutline;
  PagePicture picture;
  TickTimes t;
  for (int i = 0; i < g_rounds; ++i) {
    // The area moves a little, as under a hand on the mouse.
    const double start = BenchSeconds();
    GrabPicture(surface, screen, i % 7, i % 5, kFlyUnitWidth * factor, kFlyUnitHeight * factor, picture);
    t.grab += (BenchSeconds() - start) * 1000.0;
    Convert(picture, PictureMode::kThreshold, byThreshold, t.threshold);
    Convert(picture, PictureMode::kOutline, byOutline, t.outline);
    const double wholeStart = BenchSeconds();
    StretchBlt(surface.page.dc->Get(), 0, 0, kPageColumns, kPageRows, screen, i % 7, i % 5, kFlyUnitWidth * factor,
               kFlyUnitHeight * factor, SRCCOPY);
    GdiFlush();
    t.whole += (BenchSeconds() - wholeStart) * 1000.0;
  }
  t.grab /= g_rounds;
  t.threshold /= g_rounds;
  t.outline /= g_rounds;
  t.whole /= g_rounds;
  return t;
}

void Measure(const char* view, int factor, PictureSurface& surface, HDC screen) {
  const TickTimes t = Time(factor, surface, screen);
  const double byThreshold = t.grab + t.threshold, byOutline = t.grab + t.outline;
  std::printf(
      "%-28s factor %2d (%4d x %4d): threshold %6.3f ms (%5.2f %% of the %2.0f ms tick), outline %6.3f ms "
      "(%5.2f %%)\n",
      view, factor, kFlyUnitWidth * factor, kFlyUnitHeight * factor, byThreshold, 100.0 * byThreshold / kTickMs,
      kTickMs, byOutline, 100.0 * byOutline / kTickMs);
  std::printf("%-28s outline adds %+6.3f ms per tick (at most %.1f ms wanted)\n", "", t.outline - t.threshold,
              kOutlineBudgetMs);
  std::printf("%-28s read by %s in %6.3f ms; the whole area stretched: %7.3f ms\n", "",
              surface.choice.stretch ? "stretch" : "rows", t.grab, t.whole);
}

// The outline alone on pictures with many and with few edges.
void MeasureOutline() {
  PagePicture busy, plain;
  std::uint32_t state = 1;
  for (int i = 0; i < kPagePins; ++i) {
    state = state * 1664525u + 1013904223u;
    const auto v = static_cast<std::uint8_t>(state >> 24);
    busy.pixels[i] = PixelRgb{v, v, v};
    const bool inside =
        i % kPageColumns >= 20 && i % kPageColumns < 40 && i / kPageColumns >= 10 && i / kPageColumns < 30;
    plain.pixels[i] = inside ? PixelRgb{0, 0, 0} : PixelRgb{255, 255, 255};
  }
  std::uint8_t pins[kPagePins];
  for (auto [name, picture] : {std::pair<const char*, const PagePicture*>{"noise (every pixel an edge)", &busy},
                               {"a filled square", &plain}}) {
    const double start = BenchSeconds();
    for (int i = 0; i < g_rounds * 10; ++i) PictureToOutline(*picture, pins);
    std::printf("outline of %-27s %6.3f ms\n", name, (BenchSeconds() - start) * 1000.0 / (g_rounds * 10));
  }
}

// The camera view from the camera's own frames (a frame copied from the
// library, 24-bit rows from the bottom): the part under the fly window, the
// large camera window (800 x 600) showing the whole frame, stretched to
// 60 x 40, converted and packed.
void MeasureFrames(int factor, int frameWidth, int frameHeight, PictureSurface& surface) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = frameWidth;
  header.biHeight = frameHeight;
  header.biPlanes = 1;
  header.biBitCount = 24;
  const int stride = (frameWidth * 3 + 3) & ~3;
  std::vector<std::uint8_t> bits(static_cast<size_t>(stride) * frameHeight);
  for (size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<std::uint8_t>(i * 7);
  PinTracker tracker;
  PagePicture picture;
  std::uint8_t graphic[kPackedGraphic];
  const DotsRule rule{DotsMode::kDynamicCamera, 0};
  const double start = BenchSeconds();
  for (int i = 0; i < g_rounds; ++i) {
    const FrameArea area = PreviewAreaInFrame(i % 7, i % 5, kFlyUnitWidth * factor, kFlyUnitHeight * factor, 800, 600,
                                              frameWidth, frameHeight);
    GrabFramePicture(surface, header, bits.data(), area.x, area.y, area.width, area.height, picture);
    if (ConvertPicture(picture, PictureMode::kThreshold, rule, tracker)) PinsToGraphic(tracker.pins, graphic);
  }
  const double ms = (BenchSeconds() - start) * 1000.0 / g_rounds;
  char view[40];
  std::snprintf(view, sizeof view, "camera frames %dx%d", frameWidth, frameHeight);
  std::printf("%-28s factor %2d (%4d x %4d): %6.3f ms per tick, %5.2f %% of the %2.0f ms tick\n", view, factor,
              kFlyUnitWidth * factor, kFlyUnitHeight * factor, ms, 100.0 * ms / kTickMs, kTickMs);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::atoi(argv[1]) > 0) g_rounds = std::atoi(argv[1]);
  HDC screen = GetDC(nullptr);
  PictureSurface surface;
  if (!CreatePictureSurface(surface, screen)) {
    std::printf("no picture surface\n");
    return 1;
  }
  const int screenMax = MaxFactor(GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN));
  const int cameraMax = MaxFactor(800, 600);  // the large camera window
  std::printf("screen %d x %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  PagePicture warmUp;  // the first transfers set up the display connection
  for (int i = 0; i < g_rounds / 10 + 1; ++i) GrabPicture(surface, screen, 0, 0, kFlyUnitWidth, kFlyUnitHeight, warmUp);
  Measure("screen view", 10, surface, screen);
  Measure("screen view, largest", screenMax, surface, screen);
  Measure("camera view (large window)", 10, surface, screen);
  Measure("camera view, largest", cameraMax, surface, screen);
  for (int factor = 1; factor <= cameraMax; ++factor) {
    MeasureFrames(factor, 640, 480, surface);
    MeasureFrames(factor, 1920, 1080, surface);
  }
  MeasureOutline();
  ReleasePictureSurface(surface);
  ReleaseDC(nullptr, screen);
  return 0;
}
