// Benchmark, printed, not judged: repainting the page window, all 2400
// pins changed and one pin changed, in microseconds against the 50 ms
// tick. A real window of the page's size under Wine, painted with the
// program's painting code and the shipped colours.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/settings.h"
#include "base/ui_resources.h"
#include "document/dot_page.h"
#include "document/page_paint.h"
#include "tests/bench_clock.h"

namespace {

constexpr int kPinSize = 10;
constexpr int kRounds = 200;
constexpr double kTickUs = 50000.0;

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

void Print(const char* what, std::vector<double> us) {
  std::sort(us.begin(), us.end());
  const double median = us[us.size() / 2];
  std::printf("%-36s min %8.1f us  median %8.1f us  max %8.1f us  (%.2f %% of the 50 ms tick)\n", what, us.front(),
              median, us.back(), 100.0 * median / kTickUs);
}

}  // namespace

int main() {
  // A copy: reading the settings writes missing defaults back.
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  std::string ini = std::string(temp) + "paint_bench.ini";
  if (!CopyFileA(RELIVO_SHIPPED_INI, ini.c_str(), FALSE)) return 1;
  SetSettingsPath(ini.c_str());
  LoadColors();
  HWND main = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 700, 500, nullptr, nullptr,
                              nullptr, nullptr);
  HWND page = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 5, 5, 60 * kPinSize, 40 * kPinSize,
                              main, nullptr, nullptr, nullptr);
  if (!page) return 1;
  Pump();
  static DotPage dots;
  std::memset(&dots, 0, sizeof dots);
  dots.columns = kPageColumns;
  dots.rows = kPageRows;
  dots.pinSize = kPinSize;
  PaintGrid(dots, page, nullptr);

  std::vector<double> full, one, grid;
  for (int i = 0; i < kRounds; ++i) {
    std::memset(dots.pins, i % 2 ? 0x80 : 0x01, kPagePins);
    double t0 = BenchSeconds();
    PaintPins(dots, page);
    full.push_back((BenchSeconds() - t0) * 1e6);
    Pump();
  }
  for (int i = 0; i < kRounds; ++i) {
    Pin(dots, 30, 20) = i % 2 ? 0x80 : 0x00;
    double t0 = BenchSeconds();
    PaintPins(dots, page);
    one.push_back((BenchSeconds() - t0) * 1e6);
    Pump();
  }
  for (int i = 0; i < kRounds / 10; ++i) {
    double t0 = BenchSeconds();
    PaintGrid(dots, page, nullptr);
    grid.push_back((BenchSeconds() - t0) * 1e6);
    Pump();
  }
  Print("repaint, all 2400 pins changed", full);
  Print("repaint, one pin changed", one);
  Print("full layout paint (grid and pins)", grid);
  DestroyWindow(main);
  DeleteFileA(ini.c_str());
  return 0;
}
