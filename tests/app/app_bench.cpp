// Benchmark, printed, not judged: the time from starting RelivoX.exe to
// its first tick; the refresh cycle: from a pin change (CMD_INVERT posted)
// to the graphic frame arriving at the simulated device; and a pen stroke
// of 60 pins drawn with mouse input: from the last mouse event to the frame
// that carries it, against the 26.9 ms the frame takes on the wire at
// 115200 baud. Run through run_bench.sh, which starts the simulator and
// hands its frame log over in RELIVO_SIM_LOG.
#include <windows.h>

#include "tests/bench_clock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "base/commands.h"
#include "tests/app/app_driver.h"

namespace {

double Now() { return BenchSeconds() * 1000.0; }

// Milliseconds since midnight, local time, as the simulator stamps its log.
long ClockMs() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return ((st.wHour * 60L + st.wMinute) * 60L + st.wSecond) * 1000L + st.wMilliseconds;
}

// A graphic frame the simulator received: its time stamp and bytes.
struct Received {
  long ms;
  std::string hex;  // the frame's bytes as logged
};

std::vector<Received> GraphicFrames(const std::string& log) {
  std::vector<Received> frames;
  std::istringstream lines(ReadFileText(log));
  std::string line;
  while (std::getline(lines, line)) {
    int h = 0, m = 0, s = 0, ms = 0;
    if (std::sscanf(line.c_str(), "%d:%d:%d.%d", &h, &m, &s, &ms) != 4) continue;
    size_t at = line.find("RX AA 55 01 32 01 02");
    if (at == std::string::npos) continue;
    frames.push_back(Received{((h * 60L + m) * 60L + s) * 1000L + ms, line.substr(at + 3)});
  }
  return frames;
}

// Whether the pin is raised in a logged graphic frame ("AA 55 ..." hex).
bool Raised(const std::string& hex, int x, int y) {
  const int index = 9 + x / 2 + (y / 4) * 30;  // 9 bytes of frame head
  if (hex.size() < static_cast<size_t>(index * 3 + 2)) return false;
  unsigned value = static_cast<unsigned>(std::strtoul(hex.substr(index * 3, 2).c_str(), nullptr, 16));
  return (value >> (y % 4 + 4 * (x % 2))) & 1u;
}

constexpr double kFrameWireMs = 310 * 10 * 1000.0 / 115200;  // 26.9 ms
// Mouse reports 8 ms apart (125 Hz, a usual mouse) and 16 ms apart.
constexpr int kMouseIntervals[2] = {8, 16};

void MouseAt(POINT p, DWORD flags) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = (p.x * 65536 + GetSystemMetrics(SM_CXSCREEN) / 2) / GetSystemMetrics(SM_CXSCREEN);
  in.mi.dy = (p.y * 65536 + GetSystemMetrics(SM_CYSCREEN) / 2) / GetSystemMetrics(SM_CYSCREEN);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
  SendInput(1, &in, sizeof in);
}

// One pen stroke over the 60 pins of a row; returns the milliseconds from
// the last mouse event to the graphic frame with the stroke's last pin, or
// a negative value when that frame did not come.
double PenStroke(HWND main, const char* simLog, int row, int intervalMs) {
  auto pin = [&](int column) {
    POINT p = {5 + column * 10 + 5, 5 + row * 10 + 5};
    ClientToScreen(main, &p);
    return p;
  };
  size_t before = GraphicFrames(simLog).size();
  MouseAt(pin(0), 0);
  Sleep(intervalMs);
  MouseAt(pin(0), MOUSEEVENTF_LEFTDOWN);
  long last = 0;
  for (int column = 1; column < 60; ++column) {
    Sleep(intervalMs);
    last = ClockMs();
    MouseAt(pin(column), 0);
  }
  MouseAt(pin(59), MOUSEEVENTF_LEFTUP);
  DWORD wait = GetTickCount() + 5000;
  while (GetTickCount() < wait) {
    std::vector<Received> frames = GraphicFrames(simLog);
    for (size_t i = before; i < frames.size(); ++i)
      if (Raised(frames[i].hex, 59, row)) return static_cast<double>(frames[i].ms - last);
    Sleep(50);  // the frame carries its own time stamp
  }
  return -1.0;
}

// Time stamps of the graphic frames the simulator received.
std::vector<long> GraphicTimes(const std::string& log) {
  std::vector<long> times;
  for (const Received& frame : GraphicFrames(log)) times.push_back(frame.ms);
  return times;
}

void Print(const char* what, std::vector<double> values) {
  if (values.empty()) {
    std::printf("%-40s no samples\n", what);
    return;
  }
  std::sort(values.begin(), values.end());
  std::printf("%-40s min %7.1f ms  median %7.1f ms  max %7.1f ms  (%zu runs)\n", what, values.front(),
              values[values.size() / 2], values.back(), values.size());
}

}  // namespace

int main() {
  const char* simLog = std::getenv("RELIVO_SIM_LOG");
  if (!simLog) {
    std::fprintf(stderr, "RELIVO_SIM_LOG is not set: run through run_bench.sh\n");
    return 2;
  }
  const char* ini = "[Def]\r\nSound=0\r\nDebug=1\r\n[Device]\r\nCOM=3\r\nautostart=1\r\n";
  std::vector<double> startup, cycle, stroke[2];
  for (int round = 0; round < 3; ++round) {
    AppRun run;
    std::string folder = MakeRunFolder(ini);
    double t0 = Now();
    if (!StartProcess(run, folder)) return 1;
    if (!WaitForText(run.LogPath(), "Erster Takt", 20000)) {
      std::fprintf(stderr, "no first tick\n");
      return 1;
    }
    startup.push_back(Now() - t0);
    // Wait for the connect (logo and page), then change pins again and again.
    HWND main = nullptr;
    for (int i = 0; i < 200 && !main; ++i, Sleep(50)) main = FindWindowA("RelivoXClass", nullptr);
    run.main = main;
    DWORD until = GetTickCount() + 15000;
    while (GraphicTimes(simLog).size() < 2 && GetTickCount() < until) Sleep(50);
    Sleep(500);
    for (int i = 0; i < 10; ++i) {
      size_t before = GraphicTimes(simLog).size();
      long sent = ClockMs();
      PostCommand(run, CMD_INVERT);
      DWORD wait = GetTickCount() + 5000;
      std::vector<long> times;
      while ((times = GraphicTimes(simLog)).size() <= before && GetTickCount() < wait) Sleep(2);
      if (times.size() > before) cycle.push_back(static_cast<double>(times[before] - sent));
      Sleep(200);
    }
    // Pen strokes on an empty page, one row each.
    for (int pace = 0; pace < 2; ++pace) {
      PostCommand(run, CMD_DELETEALL);
      Sleep(500);
      for (int row = 2; row < 40; row += 4) {
        double ms = PenStroke(run.main, simLog, row, kMouseIntervals[pace]);
        if (ms >= 0) stroke[pace].push_back(ms);
        Sleep(200);
      }
    }
    PostMessageA(run.main, WM_CLOSE, 0, 0);
    WaitExit(run, 10000);
  }
  Print("start-up to the first tick", startup);
  Print("pin change to its frame at the device", cycle);
  for (int pace = 0; pace < 2; ++pace) {
    char what[80];
    std::snprintf(what, sizeof what, "pen stroke, mouse every %d ms: last event to frame", kMouseIntervals[pace]);
    Print(what, stroke[pace]);
    if (stroke[pace].empty()) continue;
    std::sort(stroke[pace].begin(), stroke[pace].end());
    std::printf("%-40s median %.0f %%, max %.0f %% of the frame's %.1f ms on the wire\n", "",
                100.0 * stroke[pace][stroke[pace].size() / 2] / kFrameWireMs,
                100.0 * stroke[pace].back() / kFrameWireMs, kFrameWireMs);
  }
  return 0;
}
