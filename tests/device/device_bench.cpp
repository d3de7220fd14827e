// Benchmark of the device link: sends changing graphics through the COM
// port to the simulator and prints frames per second and the time per
// frame against what the line allows at its baud rate (a pty does not
// enforce the baud rate, so the program's own share of each frame is
// printed too). Not a test: it prints, it does not judge.
// Usage: device_bench [frames]   (RELIVO_COM names the port, default 12)
#include <windows.h>

#include "tests/bench_clock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/log.h"
#include "base/settings.h"
#include "device/device_frame.h"
#include "device/device_session.h"
#include "device/device_windows.h"
#include "tests/device/null_transport.h"

namespace {

double Now() { return BenchSeconds(); }

// Wraps a transport and adds up the time spent in each of its calls.
class TimedTransport : public DeviceTransport {
 public:
  explicit TimedTransport(DeviceTransport& inner) : inner_(inner) {}
  double write = 0, read = 0, sleep = 0;
  long bytes = 0;
  int ScanPorts() override { return inner_.ScanPorts(); }
  bool IsPortPresent(int port) override { return inner_.IsPortPresent(port); }
  int PortAt(int i) override { return inner_.PortAt(i); }
  bool Open(int port, int baud) override { return inner_.Open(port, baud); }
  void Close() override { inner_.Close(); }
  int Read(std::uint8_t* buffer, int n) override {
    double t = Now();
    int got = inner_.Read(buffer, n);
    read += Now() - t;
    return got;
  }
  bool Write(const std::uint8_t* buffer, int n) override {
    double t = Now();
    bool written = inner_.Write(buffer, n);
    write += Now() - t;
    bytes += n;
    return written;
  }
  void Sleep(int ms) override {
    double t = Now();
    inner_.Sleep(ms);
    sleep += Now() - t;
  }
  void Reset() { write = read = sleep = 0, bytes = 0; }

 private:
  DeviceTransport& inner_;
};

// A bar that walks across the page, one column per frame.
void MakeGraphic(std::uint8_t* g, int frame) {
  std::memset(g, 0, kGraphicSize);
  int x = frame % 60;
  for (int y = 0; y < 40; ++y) g[x / 2 + (y / 4) * 30] |= static_cast<std::uint8_t>(1 << (y % 4 + 4 * (x % 2)));
}

}  // namespace

int main(int argc, char** argv) {
  int frames = argc > 1 ? std::atoi(argv[1]) : 300;
  if (frames <= 0) frames = 300;
  const char* comText = std::getenv("RELIVO_COM");
  int com = comText != nullptr ? std::atoi(comText) : 12;
  char ini[MAX_PATH];
  GetFullPathNameA("device_bench.ini", sizeof ini, ini, nullptr);
  SetSettingsPath(ini);
  ProfileWriteInt("COM", com, "Device");
  LogSetPath("device_bench.pro");
  LogSetLevel(0);
  std::uint8_t graphic[kGraphicSize];

  // The session's own work per frame: compare, copy, build the frame.
  {
    NullTransport null;
    SessionHost host;
    static DeviceSession s;
    InitDeviceSession(s, null, host);
    s.connected = 1;
    const int n = 100000;
    double t = Now();
    for (int i = 0; i < n; ++i) {
      MakeGraphic(graphic, i);
      SendFrame(s, 1, kGraphicSize, graphic);
    }
    double per = (Now() - t) / n;
    std::printf("program's own overhead:         %8.2f us per graphic frame (session code, no port)\n", per * 1e6);
  }

  SerialTransport serial;
  TimedTransport timed(serial);
  WindowsSessionHost host;
  static DeviceSession s;
  InitDeviceSession(s, timed, host);
  // The connect (three requests and their replies, the start image) beside
  // one request and its reply, the unit it is made of.
  const int kConnects = 5;
  double connects[kConnects] = {}, requests[kConnects] = {};
  for (int i = 0; i < kConnects; ++i) {
    double t = Now();
    if (!Connect(s) || !s.connected) {
      std::printf("no device identified on COM%d (name \"%s\"): start relivo-sim and map the port\n", com, s.name);
      return 1;
    }
    connects[i] = Now() - t;
    t = Now();
    SendCommand(s, kCmdNameRequest);
    requests[i] = Now() - t;
  }
  std::sort(connects, connects + kConnects);
  std::sort(requests, requests + kConnects);
  std::printf("connect:                        %8.1f ms median of %d (one request and its reply: %.1f ms)\n",
              connects[kConnects / 2] * 1e3, kConnects, requests[kConnects / 2] * 1e3);
  const int baud = host.GetInt("Baud", kDefaultBaud, "Device");
  timed.Reset();
  double t0 = Now();
  for (int i = 0; i < frames; ++i) {
    MakeGraphic(graphic, i + 1);
    SendFrame(s, 1, kGraphicSize, graphic);
  }
  double total = Now() - t0;
  Disconnect(s);

  const double frameBytes = kGraphicSize + 10;
  const double lineTime = frameBytes * 10.0 / baud;  // 8N1: ten bits per byte
  const double per = total / frames;
  double rest = per - (timed.write + timed.read + timed.sleep) / frames;
  if (rest < 0) rest = 0;  // below the timer's resolution
  std::printf("frames sent:                    %8d graphics of %.0f bytes, %ld bytes written\n", frames, frameBytes,
              timed.bytes);
  std::printf("through COM%-2d:                  %8.1f frames/s, %8.2f ms per frame\n", com, frames / total, per * 1e3);
  std::printf("  writing (driver took bytes):   %8.2f ms per frame\n", timed.write / frames * 1e3);
  std::printf("  2 ms reply wait (slept):       %8.2f ms per frame\n", timed.sleep / frames * 1e3);
  std::printf("  reading the reply:             %8.2f ms per frame\n", timed.read / frames * 1e3);
  std::printf("  everything else:               %8.3f ms per frame\n", rest * 1e3);
  std::printf("line-rate limit at %d baud:  %8.1f frames/s, %8.2f ms per frame (+2 ms reply wait: %.1f frames/s)\n",
              baud, 1.0 / lineTime, lineTime * 1e3, 1.0 / (lineTime + 0.002));
  std::printf("a pty does not enforce the baud rate: on a real line the frame rate is bounded by the limit above\n");
  return 0;
}
