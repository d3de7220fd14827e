// Benchmark, printed, not judged: the time from starting RelivoX.exe to
// its first tick, and the refresh cycle: from a pin change (CMD_INVERT
// posted) to the graphic frame arriving at the simulated device. Run
// through run_bench.sh, which starts the simulator and hands its frame log
// over in RELIVO_SIM_LOG.
#include <windows.h>

#include "tests/bench_clock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "shell/commands.h"
#include "tests/app/app_driver.h"

namespace {

double Now() { return BenchSeconds() * 1000.0; }

// Milliseconds since midnight, local time, as the simulator stamps its log.
long ClockMs() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return ((st.wHour * 60L + st.wMinute) * 60L + st.wSecond) * 1000L + st.wMilliseconds;
}

// Time stamps of the graphic frames the simulator received.
std::vector<long> GraphicTimes(const std::string& log) {
  std::vector<long> times;
  std::istringstream lines(ReadFileText(log));
  std::string line;
  while (std::getline(lines, line)) {
    int h = 0, m = 0, s = 0, ms = 0;
    char kind[16] = "";
    if (std::sscanf(line.c_str(), "%d:%d:%d.%d %15s", &h, &m, &s, &ms, kind) != 5) continue;
    if (std::string(kind) != "RX" || line.find("RX AA 55 01 32 01 02") == std::string::npos) continue;
    times.push_back(((h * 60L + m) * 60L + s) * 1000L + ms);
  }
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
  std::vector<double> startup, cycle;
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
    PostMessageA(run.main, WM_CLOSE, 0, 0);
    WaitExit(run, 10000);
  }
  Print("start-up to the first tick", startup);
  Print("pin change to its frame at the device", cycle);
  return 0;
}
