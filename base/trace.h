// The way from an input to the device's frame, stamped stage by stage with
// a high-resolution clock, for finding where the time goes. Off unless it
// is opened (the program opens it when [Def] Trace names a file); then
// every stamp is kept in memory, a few nanoseconds each, and the whole
// trace is written out when it is closed or its memory is full. The trace
// is not the log: it is meant for the benchmarks and for developers.
//
// The first line, "opened HH:MM:SS.mmm", gives the local time of day when
// the trace was opened, so that stamps can be set beside other clocks (the
// simulator's log). Then one line per stamp: microseconds since the trace
// was opened, the stage's name, and a number that says more (the message,
// the command, the frame's target).
#pragma once
#include <cstdint>

enum class TraceStage : std::uint8_t {
  kInputTaken,         // a key or mouse message taken from the queue (number: message or key)
  kCommandDispatched,  // a command handler begins (number: command)
  kPageChanged,        // the page asked for its refresh (number: 1 for a full one)
  kPacked,             // the page packed into the device's graphic
  kWriteStarted,       // a frame handed to the port (number: target)
  kWriteDone,          // the port has taken it (number: target)
  kReplyRead,          // the read after the frame (number: bytes taken)
  kPainted,            // the window shows the change
  kStartPhase,         // a start-up phase ended (number: phase)
  kTextChanged,        // the braille line's text is new: it is translated
  kTranslated,         // the translator is called (number 0) and returned (1)
};
constexpr int kTraceStages = 11;

// Name of a stage as written in the trace ("input", "command", ...).
const char* TraceStageName(TraceStage stage);

// Starts a trace that goes to `path` (empty or null: stays off).
void TraceOpen(const char* path);
bool TraceOn();
// `label`, when given, is a text that lives as long as the program (a
// literal): it is written as the line's last field.
void TraceMark(TraceStage stage, long number = 0, const char* label = nullptr);
// Writes what was stamped since the last write and ends the trace.
void TraceClose();
