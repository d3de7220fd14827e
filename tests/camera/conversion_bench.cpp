// Benchmark, printed, not judged: one tick's conversion of the screen and
// camera views (read the pixels under the fly window from the screen,
// scale them to 60 x 40, apply the threshold, compare with the last pins,
// pack the graphic) as a share of the 50 ms tick, at factor 10 and at the
// largest factor of each view; beside it the camera view taken from the
// camera's frames (640 x 480 and 1920 x 1080) at every factor. The copy of
// the frame out of the library is measured by the capture benchmark.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "camera/pixel_grab.h"
#include "camera/view_model.h"
#include "tests/bench_clock.h"

namespace {

constexpr double kTickMs = 50.0;
constexpr int kRounds = 200;

void Measure(const char* view, int factor, PictureSurface& surface, HDC screen) {
  PinTracker tracker;
  PagePicture picture;
  std::uint8_t graphic[kPackedGraphic];
  const DotsRule rule{DotsMode::kDynamicScreen, 0};
  const double start = BenchSeconds();
  for (int i = 0; i < kRounds; ++i) {
    // The area moves a little, as under a hand on the mouse.
    GrabPicture(surface, screen, i % 7, i % 5, kFlyUnitWidth * factor, kFlyUnitHeight * factor, picture);
    if (ConvertPicture(picture, rule, tracker)) PinsToGraphic(tracker.pins, graphic);
  }
  const double ms = (BenchSeconds() - start) * 1000.0 / kRounds;
  std::printf("%-28s factor %2d (%4d x %4d): %6.3f ms per tick, %5.2f %% of the %2.0f ms tick\n", view, factor,
              kFlyUnitWidth * factor, kFlyUnitHeight * factor, ms, 100.0 * ms / kTickMs, kTickMs);
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
  for (int i = 0; i < kRounds; ++i) {
    const FrameArea area = PreviewAreaInFrame(i % 7, i % 5, kFlyUnitWidth * factor, kFlyUnitHeight * factor, 800, 600,
                                              frameWidth, frameHeight);
    GrabFramePicture(surface, header, bits.data(), area.x, area.y, area.width, area.height, picture);
    if (ConvertPicture(picture, rule, tracker)) PinsToGraphic(tracker.pins, graphic);
  }
  const double ms = (BenchSeconds() - start) * 1000.0 / kRounds;
  char view[40];
  std::snprintf(view, sizeof view, "camera frames %dx%d", frameWidth, frameHeight);
  std::printf("%-28s factor %2d (%4d x %4d): %6.3f ms per tick, %5.2f %% of the %2.0f ms tick\n", view, factor,
              kFlyUnitWidth * factor, kFlyUnitHeight * factor, ms, 100.0 * ms / kTickMs, kTickMs);
}

}  // namespace

int main() {
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
  for (int i = 0; i < kRounds / 10; ++i) GrabPicture(surface, screen, 0, 0, kFlyUnitWidth, kFlyUnitHeight, warmUp);
  Measure("screen view", 10, surface, screen);
  Measure("screen view, largest", screenMax, surface, screen);
  Measure("camera view (large window)", 10, surface, screen);
  Measure("camera view, largest", cameraMax, surface, screen);
  for (int factor = 1; factor <= cameraMax; ++factor) {
    MeasureFrames(factor, 640, 480, surface);
    MeasureFrames(factor, 1920, 1080, surface);
  }
  ReleasePictureSurface(surface);
  ReleaseDC(nullptr, screen);
  return 0;
}
