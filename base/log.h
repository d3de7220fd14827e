// The log: one line per call into res\RelivoX.pro, filtered by a level.
// The file is opened and closed for every line so that it survives a crash
// and can be read while the program runs.
#pragma once
#include <cstddef>

// Longest formatted message; a longer one is cut to this many characters.
constexpr std::size_t kLogMessageMax = 4094;

#if defined(__GNUC__)
#define RELIVO_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define RELIVO_PRINTF(fmt, args)
#endif

// Writes one line. At level 0 only formats containing "Err:" are written.
// The first line since start-up (or since LogReset) recreates the file and
// begins it with the header "Relivo X System" and a blank line.
void LogWrite(const char* format, ...) RELIVO_PRINTF(1, 2);

void LogSetLevel(int level);
int LogLevel();
void LogSetPath(const char* path);
const char* LogPath();
// Makes the next line recreate the file again, as at program start.
void LogReset();
