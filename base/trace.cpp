#include "base/trace.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTraceCapacity = 1 << 16;

struct Stamp {
  Clock::time_point at;
  TraceStage stage;
  long number;
  const char* label;
};

struct Trace {
  bool on = false;
  std::string path;
  Clock::time_point opened;
  std::chrono::system_clock::time_point openedWall;
  Stamp stamps[kTraceCapacity];
  int count = 0;
  bool written = false;  // the file was begun
};

// Never destroyed: the destructors of other process-wide records (the
// device session's last frames) still stamp when the program ends.
Trace& State() {
  static Trace& trace = *new Trace;
  return trace;
}

void Flush(Trace& t) {
  std::FILE* f = std::fopen(t.path.c_str(), t.written ? "a" : "w");
  if (f && !t.written) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t.openedWall);
    const long ms = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(t.openedWall.time_since_epoch()).count() % 1000);
    std::tm local{};
    if (const std::tm* l = std::localtime(&seconds)) local = *l;
    std::fprintf(f, "opened %02d:%02d:%02d.%03ld\n", local.tm_hour, local.tm_min, local.tm_sec, ms);
  }
  t.written = true;
  if (!f) {
    t.count = 0;
    return;
  }
  for (int i = 0; i < t.count; ++i) {
    const Stamp& s = t.stamps[i];
    const long long us = std::chrono::duration_cast<std::chrono::microseconds>(s.at - t.opened).count();
    std::fprintf(f, "%lld %s %ld%s%s\n", us, TraceStageName(s.stage), s.number, s.label ? " " : "",
                 s.label ? s.label : "");
  }
  std::fclose(f);
  t.count = 0;
}

}  // namespace

const char* TraceStageName(TraceStage stage) {
  static const char* const kNames[kTraceStages] = {"input", "command", "changed", "packed", "write",     "written",
                                                   "reply", "painted", "start",   "text",   "translated"};
  const int i = static_cast<int>(stage);
  return i >= 0 && i < kTraceStages ? kNames[i] : "?";
}

void TraceOpen(const char* path) {
  Trace& t = State();
  if (t.on) TraceClose();
  if (!path || !path[0]) return;
  t.path = path;
  t.on = true;
  t.written = false;
  t.count = 0;
  t.opened = Clock::now();
  t.openedWall = std::chrono::system_clock::now();
}

bool TraceOn() { return State().on; }

void TraceMark(TraceStage stage, long number, const char* label) {
  Trace& t = State();
  if (!t.on) return;
  if (t.count == kTraceCapacity) Flush(t);
  t.stamps[t.count++] = Stamp{Clock::now(), stage, number, label};
}

void TraceClose() {
  Trace& t = State();
  if (!t.on) return;
  Flush(t);
  t.on = false;
}
