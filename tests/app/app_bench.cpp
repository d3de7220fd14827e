// Benchmark, printed, not judged: the real RelivoX.exe against the device
// simulator in its timed mode (run_bench.sh starts it at 115200 baud with
// a 1 ms reply and hands its frame log over in RELIVO_SIM_LOG). Every
// figure stands beside its baseline from the same run:
// - start-up to the first tick and to the first graphic at the device,
//   beside a plain window's start-up to its first tick, with the phases
//   from the program's trace;
// - a key press (Ctrl+I, invert) and a posted pin change to the graphic
//   frame at the device, beside the frame's 26.9 ms on the wire, with the
//   program's own share and its stages from the trace;
// - a pen stroke of 60 pins to the frame carrying its last pin;
// - a new text in the text line to its braille frame at the device, beside
//   the line's 2.6 ms on the wire and the translator's own call.
// The program's trace ([Def] Trace) is written when it closes.
#include <windows.h>

#include "tests/bench_clock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/commands.h"
#include "tests/app/app_driver.h"

namespace {

constexpr double kBitsPerByte = 10;
constexpr double kBaud = 115200;
constexpr double kGraphicWireMs = 310 * kBitsPerByte * 1000.0 / kBaud;  // 26.9 ms
constexpr double kLineWireMs = 30 * kBitsPerByte * 1000.0 / kBaud;      // 2.6 ms
constexpr int kRounds = 3;
constexpr int kChanges = 10;
// Mouse reports 8 ms apart (125 Hz, a usual mouse) and 16 ms apart.
constexpr int kMouseIntervals[2] = {8, 16};
constexpr const char* kTraceName = "res\\bench.trace";

// Milliseconds since midnight, local time, as the simulator stamps its log.
double ClockMs() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return ((st.wHour * 60.0 + st.wMinute) * 60.0 + st.wSecond) * 1000.0 + st.wMilliseconds;
}

double ParseClock(const char* text) {
  int h = 0, m = 0, s = 0, ms = 0;
  if (std::sscanf(text, "%d:%d:%d.%d", &h, &m, &s, &ms) != 4) return -1;
  return ((h * 60.0 + m) * 60.0 + s) * 1000.0 + ms;
}

// A frame the simulator received: when it was whole at the device, and its
// bytes as logged.
struct Received {
  double ms;
  std::string hex;
};

std::vector<Received> Frames(const std::string& log, const char* head) {
  std::vector<Received> frames;
  std::istringstream lines(ReadFileText(log));
  std::string line;
  while (std::getline(lines, line)) {
    const size_t at = line.find(head);
    if (at == std::string::npos) continue;
    frames.push_back(Received{ParseClock(line.c_str()), line.substr(at + 3)});
  }
  return frames;
}

constexpr const char* kGraphicHead = "RX AA 55 01 32 01 02";
constexpr const char* kLineHead = "RX AA 55 00 1A 00 02";

// The first frame of a kind after `before` of them, waited for; -1 when it
// did not come.
double NextFrame(const char* simLog, const char* head, size_t before, DWORD timeoutMs = 5000) {
  const DWORD until = GetTickCount() + timeoutMs;
  do {
    std::vector<Received> frames = Frames(simLog, head);
    if (frames.size() > before) return frames[before].ms;
    Sleep(5);  // the frame carries its own time stamp
  } while (GetTickCount() < until);
  return -1;
}

// Whether the pin is raised in a logged graphic frame ("AA 55 ..." hex).
bool Raised(const std::string& hex, int x, int y) {
  const int index = 9 + x / 2 + (y / 4) * 30;  // 9 bytes of frame head
  if (hex.size() < static_cast<size_t>(index * 3 + 2)) return false;
  unsigned value = static_cast<unsigned>(std::strtoul(hex.substr(index * 3, 2).c_str(), nullptr, 16));
  return (value >> (y % 4 + 4 * (x % 2))) & 1u;
}

void MouseAt(POINT p, DWORD flags) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = (p.x * 65536 + GetSystemMetrics(SM_CXSCREEN) / 2) / GetSystemMetrics(SM_CXSCREEN);
  in.mi.dy = (p.y * 65536 + GetSystemMetrics(SM_CYSCREEN) / 2) / GetSystemMetrics(SM_CYSCREEN);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
  SendInput(1, &in, sizeof in);
}

void Key(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

// One pen stroke over the 60 pins of a row; the milliseconds from the last
// mouse event to the graphic frame with the stroke's last pin, or -1.
double PenStroke(HWND main, const char* simLog, int row, int intervalMs) {
  auto pin = [&](int column) {
    POINT p = {5 + column * 10 + 5, 5 + row * 10 + 5};
    ClientToScreen(main, &p);
    return p;
  };
  const size_t before = Frames(simLog, kGraphicHead).size();
  MouseAt(pin(0), 0);
  Sleep(intervalMs);
  MouseAt(pin(0), MOUSEEVENTF_LEFTDOWN);
  double last = 0;
  for (int column = 1; column < 60; ++column) {
    Sleep(intervalMs);
    last = ClockMs();
    MouseAt(pin(column), 0);
  }
  MouseAt(pin(59), MOUSEEVENTF_LEFTUP);
  const DWORD until = GetTickCount() + 5000;
  while (GetTickCount() < until) {
    std::vector<Received> frames = Frames(simLog, kGraphicHead);
    for (size_t i = before; i < frames.size(); ++i)
      if (Raised(frames[i].hex, 59, row)) return frames[i].ms - last;
    Sleep(20);
  }
  return -1;
}

// ---- the program's trace ----------------------------------------------------

struct Stamp {
  double us;
  std::string stage;
  long number;
  std::string label;
};

struct Trace {
  double openedMs = -1;  // local time of day
  std::vector<Stamp> stamps;
};

Trace ReadTrace(const std::string& path) {
  Trace t;
  std::istringstream lines(ReadFileText(path));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("opened ", 0) == 0) {
      t.openedMs = ParseClock(line.c_str() + 7);
      continue;
    }
    std::istringstream fields(line);
    Stamp s;
    if (fields >> s.us >> s.stage >> s.number) {
      fields >> s.label;
      t.stamps.push_back(s);
    }
  }
  return t;
}

// The first stamp of a stage (and number, unless any) at or after index i.
size_t Find(const Trace& t, size_t i, const char* stage, long number, bool anyNumber = false) {
  for (; i < t.stamps.size(); ++i)
    if (t.stamps[i].stage == stage && (anyNumber || t.stamps[i].number == number)) return i;
  return t.stamps.size();
}

// Samples by name, printed as medians.
using Samples = std::map<std::string, std::vector<double>>;

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The stages of every invert in the trace: from the command (or the key
// before it) to the graphic frame's write.
void InvertStages(const Trace& t, Samples& key, Samples& posted) {
  for (size_t c = Find(t, 0, "command", CMD_INVERT); c < t.stamps.size(); c = Find(t, c + 1, "command", CMD_INVERT)) {
    const size_t changed = Find(t, c, "changed", 0, true);
    const size_t packed = Find(t, changed, "packed", 0, true);
    const size_t write = Find(t, packed, "write", 1);
    const size_t written = Find(t, write, "written", 1);
    const size_t painted = Find(t, written, "painted", 0, true);
    if (painted >= t.stamps.size()) continue;
    // A key's input stamp comes shortly before its command.
    size_t input = t.stamps.size();
    for (size_t i = c; i-- > 0 && t.stamps[c].us - t.stamps[i].us < 100000;)
      if (t.stamps[i].stage == "input" && t.stamps[i].number == 'I') {
        input = i;
        break;
      }
    Samples& s = input < t.stamps.size() ? key : posted;
    const double from = input < t.stamps.size() ? t.stamps[input].us : t.stamps[c].us;
    s["program: input to write started"].push_back((t.stamps[write].us - from) / 1000);
    if (input < t.stamps.size()) s["  input taken to command"].push_back((t.stamps[c].us - from) / 1000);
    s["  command to page changed"].push_back((t.stamps[changed].us - t.stamps[c].us) / 1000);
    s["  page changed to packed"].push_back((t.stamps[packed].us - t.stamps[changed].us) / 1000);
    s["  packed to write started"].push_back((t.stamps[write].us - t.stamps[packed].us) / 1000);
    s["write started to write done"].push_back((t.stamps[written].us - t.stamps[write].us) / 1000);
    s["write done to window painted"].push_back((t.stamps[painted].us - t.stamps[written].us) / 1000);
  }
}

// Every new text of the braille line: its translation and the rest of the
// update up to the braille frame's write.
void LineStages(const Trace& t, Samples& s) {
  for (size_t c = Find(t, 0, "text", 0, true); c < t.stamps.size(); c = Find(t, c + 1, "text", 0, true)) {
    const size_t begins = Find(t, c, "translated", 0);
    const size_t returned = Find(t, begins, "translated", 1);
    const size_t write = Find(t, returned, "write", 0);
    if (write >= t.stamps.size()) continue;
    const double translator = (t.stamps[returned].us - t.stamps[begins].us) / 1000;
    s["translator's own call"].push_back(translator);
    s["update: new text to write started"].push_back((t.stamps[write].us - t.stamps[c].us) / 1000);
    s["update without the translator"].push_back((t.stamps[write].us - t.stamps[c].us) / 1000 - translator);
  }
}

void StartPhases(const Trace& t, Samples& s) {
  double last = 0;
  for (const Stamp& stamp : t.stamps) {
    if (stamp.stage != "start") continue;
    char name[64];
    std::snprintf(name, sizeof name, "  phase %2ld %s", stamp.number, stamp.label.c_str());
    s[name].push_back((stamp.us - last) / 1000);
    last = stamp.us;
  }
}

void Print(const char* what, const std::vector<double>& values, double baseline = 0, const char* baseName = nullptr) {
  if (values.empty()) {
    std::printf("%-46s no samples\n", what);
    return;
  }
  std::vector<double> v = values;
  std::sort(v.begin(), v.end());
  std::printf("%-46s median %7.2f ms  min %7.2f  max %7.2f  (%zu)", what, v[v.size() / 2], v.front(), v.back(),
              v.size());
  if (baseName) std::printf("  = %.2f x %s", v[v.size() / 2] / baseline, baseName);
  std::printf("\n");
}

void PrintAll(const Samples& s) {
  for (const auto& entry : s) Print(entry.first.c_str(), entry.second);
}

// ---- the runs ---------------------------------------------------------------

// A plain window's start-up to its first tick, run to its end.
double PlainWindowStart() {
  std::string exe = PLAIN_WINDOW_EXE;
  for (char& c : exe)
    if (c == '/') c = '\\';
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::vector<char> line(exe.begin(), exe.end());
  line.push_back('\0');
  const double t0 = BenchSeconds();
  if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  WaitForSingleObject(pi.hProcess, 20000);
  const double ms = (BenchSeconds() - t0) * 1000;
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return ms;
}

struct Figures {
  std::vector<double> plainStart, firstTick, firstGraphic, keyToFrame, postedToFrame, stroke[2], textToLine;
  Samples startPhases, keyStages, postedStages, lineStages;
};

void Run(const char* simLog, Figures& f) {
  AppRun run;
  const std::string folder = MakeRunFolder();
  const std::string ini = folder + "res\\RelivoX.ini";
  WritePrivateProfileStringA("Def", "Sound", "0", ini.c_str());
  WritePrivateProfileStringA("Def", "Trace", kTraceName, ini.c_str());
  WritePrivateProfileStringA("Device", "autostart", "1", ini.c_str());
  const size_t graphicsBefore = Frames(simLog, kGraphicHead).size();
  const double started = ClockMs();
  if (!StartProcess(run, folder)) return;
  const double firstGraphic = NextFrame(simLog, kGraphicHead, graphicsBefore, 20000);
  if (firstGraphic >= 0) f.firstGraphic.push_back(firstGraphic - started);
  for (int i = 0; i < 200 && !run.main; ++i, Sleep(50)) run.main = FindWindowA("RelivoXClass", nullptr);
  // The logo and then the page.
  NextFrame(simLog, kGraphicHead, graphicsBefore + 1, 10000);
  Sleep(500);

  for (int i = 0; i < kChanges; ++i) {
    const size_t before = Frames(simLog, kGraphicHead).size();
    const double sent = ClockMs();
    PostCommand(run, CMD_INVERT);
    const double at = NextFrame(simLog, kGraphicHead, before);
    if (at >= 0) f.postedToFrame.push_back(at - sent);
    Sleep(150);
  }
  SetForegroundWindow(run.main);
  Sleep(300);
  for (int i = 0; i < kChanges; ++i) {
    const size_t before = Frames(simLog, kGraphicHead).size();
    Key(VK_CONTROL, false);
    const double pressed = ClockMs();
    Key('I', false);
    Key('I', true);
    Key(VK_CONTROL, true);
    const double at = NextFrame(simLog, kGraphicHead, before);
    if (at >= 0) f.keyToFrame.push_back(at - pressed);
    Sleep(150);
  }
  // New texts in the text line, each reaching the device as its braille line.
  HWND edit = nullptr;
  for (HWND child = GetWindow(run.main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[32] = "";
    GetClassNameA(child, cls, sizeof cls);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (_stricmp(cls, "Edit") == 0 && !(style & ES_READONLY) && !(style & ES_MULTILINE) && (style & ES_AUTOVSCROLL))
      edit = child;
  }
  for (int i = 0; edit && i < kChanges; ++i) {
    char text[32];
    std::snprintf(text, sizeof text, "Relivo %d", 1000 + i);
    const size_t before = Frames(simLog, kLineHead).size();
    const double set = ClockMs();
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    const double at = NextFrame(simLog, kLineHead, before);
    if (at >= 0) f.textToLine.push_back(at - set);
    Sleep(150);
  }
  for (int pace = 0; pace < 2; ++pace) {
    PostCommand(run, CMD_DELETEALL);
    Sleep(500);
    for (int row = 2; row < 40; row += 8) {
      const double ms = PenStroke(run.main, simLog, row, kMouseIntervals[pace]);
      if (ms >= 0) f.stroke[pace].push_back(ms);
      Sleep(200);
    }
  }
  CloseWithoutSaving(run);
  WaitExit(run, 10000);
  const Trace trace = ReadTrace(folder + kTraceName);
  // The last run's trace stays beside the benchmark for a closer look.
  CopyFileA((folder + kTraceName).c_str(), "last.trace", FALSE);
  for (const Stamp& s : trace.stamps)
    if (s.stage == "start" && s.label == "first-tick" && trace.openedMs >= 0)
      f.firstTick.push_back(trace.openedMs + s.us / 1000 - started);
  StartPhases(trace, f.startPhases);
  InvertStages(trace, f.keyStages, f.postedStages);
  LineStages(trace, f.lineStages);
}

}  // namespace

int main() {
  const char* simLog = std::getenv("RELIVO_SIM_LOG");
  if (!simLog) {
    std::fprintf(stderr, "RELIVO_SIM_LOG is not set: run through run_bench.sh\n");
    return 2;
  }
  Figures f;
  for (int round = 0; round < kRounds; ++round) {
    const double plain = PlainWindowStart();
    if (plain >= 0) f.plainStart.push_back(plain);
    Run(simLog, f);
  }
  const double plain = Median(f.plainStart);
  std::printf("wire at 115200 baud: graphic frame %.1f ms, braille line %.1f ms\n\n", kGraphicWireMs, kLineWireMs);
  Print("start-up: a plain window to its first tick", f.plainStart);
  Print("start-up: RelivoX to its first tick", f.firstTick, plain, "plain window");
  Print("start-up: RelivoX to the first graphic frame", f.firstGraphic, plain, "plain window");
  PrintAll(f.startPhases);
  std::printf("\n");
  Print("key press (Ctrl+I) to its frame at the device", f.keyToFrame, kGraphicWireMs, "wire");
  PrintAll(f.keyStages);
  std::printf("\n");
  Print("pin change (posted) to its frame at the device", f.postedToFrame, kGraphicWireMs, "wire");
  PrintAll(f.postedStages);
  std::printf("\n");
  for (int pace = 0; pace < 2; ++pace) {
    char what[80];
    std::snprintf(what, sizeof what, "pen stroke, mouse every %d ms, to its frame", kMouseIntervals[pace]);
    Print(what, f.stroke[pace], kGraphicWireMs, "wire");
  }
  std::printf("\n");
  Print("new text to its braille line at the device", f.textToLine, kLineWireMs, "wire");
  PrintAll(f.lineStages);
  return 0;
}
