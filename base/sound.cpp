#include "base/sound.h"

#include <mmsystem.h>

#include <cstdio>

#include "base/log.h"
#include "base/settings.h"
#include "base/text.h"

namespace {

struct SoundState {
  int ownFlag = 1;
  int* flag = &ownFlag;
  HWND notifyWindow = nullptr;
  char folder[kPathMax] = "";
  char lastOpened[kSoundFileMax + 1] = "";  // last file opened through the media interface
  char answer[kMciReturnMax + 1] = "";
};

SoundState& State() {
  static SoundState state;
  return state;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Sends one command "<verb> \"<folder><file>\" notify" and logs it with the
// answer and the error code.
void SendMci(const char* verb, const char* file) {
  SoundState& s = State();
  char command[kMciCommandMax];
  std::snprintf(command, sizeof command, "%s \"%s%s\" notify", verb, s.folder, file);
  s.answer[0] = '\0';
  MCIERROR error = mciSendStringA(command, s.answer, kMciReturnMax, s.notifyWindow);
  s.answer[kMciReturnMax] = '\0';
  LogWrite("MCI %s | %s | %u", command, s.answer, static_cast<unsigned>(error & 0xFFFFu));
}

}  // namespace

void SoundInit(HWND notifyWindow, const char* programFolder, int* soundFlag) {
  State().notifyWindow = notifyWindow;
  State().flag = soundFlag ? soundFlag : &State().ownFlag;
  CopyText(State().folder, sizeof State().folder, programFolder ? programFolder : "");
}

void SetSoundOn(bool on) { *State().flag = on ? 1 : 0; }
bool SoundOn() { return *State().flag != 0; }

bool IsWaveFileName(const char* file) {
  static const char kWave[] = ".wav";
  for (const char* p = file; p && *p; ++p) {
    int i = 0;
    while (kWave[i] && Lower(p[i]) == kWave[i]) ++i;
    if (!kWave[i]) return true;
  }
  return false;
}

int PlayEventSound(const char* event, SoundMode mode) {
  SoundState& s = State();
  char file[kSoundFileMax + 1];
  ProfileGetString(event, file, "-", "Sound", kSoundFileMax);
  if (*s.flag == 0 || file[0] == '-') return 0;
  if (mode == kSoundWait && IsWaveFileName(file)) return PlaySoundA(file, nullptr, SND_SYNC);
  if (s.lastOpened[0]) SendMci("close", file);  // a sound played again is reopened
  CopyText(s.lastOpened, sizeof s.lastOpened, file);
  SendMci("open", file);
  SendMci("play", file);
  return 1;
}
