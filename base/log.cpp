#include "base/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/text.h"

namespace {

struct LogState {
  int level = 1;
  bool firstWrite = true;
  char path[kPathMax] = "RelivoX.pro";
};

LogState& State() {
  static LogState state;
  return state;
}

}  // namespace

void LogSetLevel(int level) { State().level = level; }
int LogLevel() { return State().level; }
void LogSetPath(const char* path) { CopyText(State().path, sizeof State().path, path); }
const char* LogPath() { return State().path; }
void LogReset() { State().firstWrite = true; }

void LogWrite(const char* format, ...) {
  if (!format) return;
  LogState& log = State();
  if (log.level == 0 && !std::strstr(format, "Err:")) return;

  char message[kLogMessageMax + 1];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  if (n < 0) message[0] = '\0';

  std::FILE* file = std::fopen(log.path, log.firstWrite ? "w" : "a");
  if (log.firstWrite && file) std::fputs("Relivo X System\n\n", file);
  log.firstWrite = false;
  if (!file) return;
  std::fputs(message, file);
  std::fputc('\n', file);
  std::fclose(file);
}
