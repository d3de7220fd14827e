// Sound feedback: each event name maps to a sound file in [Sound] ("-" for
// none). Sounds go through the media control command strings, so any format
// the platform plays is accepted; a wave file can be played synchronously.
#pragma once
#include <windows.h>

#include <cstddef>

// Longest sound file name read from [Sound].
constexpr int kSoundFileMax = 255;
// Answer buffer of the media control interface.
constexpr int kMciReturnMax = 255;
// One media control command: verb, quotes, program folder, file, " notify".
constexpr std::size_t kMciCommandMax = 640;

// The window that receives the completion notices of the media control
// interface (the main window) and the program folder (with its trailing
// backslash) that sound files are named relative to. `soundFlag`, when
// given, is the program's own switch ([Def] Sound), read at every sound and
// written by SetSoundOn; without it the module keeps its own (on).
void SoundInit(HWND notifyWindow, const char* programFolder, int* soundFlag = nullptr);

// The process-wide switch ([Def] Sound at start-up, CMD_SOUND).
void SetSoundOn(bool on);
bool SoundOn();

// How an event's sound is played.
enum SoundMode {
  kSoundWait = 0,   // a wave file to its end (at exit); other files as kSoundStart
  kSoundStart = 1,  // started through the media control interface, not waited for
};

// Plays the sound of an event. kSoundWait plays a wave file (".wav"
// anywhere in the name, any case) synchronously through the wave player
// and returns its result; everything else is started through the media
// control interface (a file played before is closed and opened again) and
// returns 1. Returns 0 when the sound is off or the event has no file ("-").
int PlayEventSound(const char* event, SoundMode mode);

// True when the text contains ".wav" in any case.
bool IsWaveFileName(const char* file);
