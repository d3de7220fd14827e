// The settings store: res\RelivoX.ini, read into memory once and looked up
// there, with the platform's private-profile rules (base/settings_text.h).
// Every change is written through to the file at once; the file is read
// again when its time stamp or size shows that another program changed it.
// A key that is missing or empty when it is read is written back at once
// with its default, so the file fills itself with every setting and text
// the program has asked for. Key first, section last, as everywhere in the
// program.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "base/text.h"

// Values are read into buffers of this size unless a caller says otherwise.
constexpr int kValueMax = 255;

void SetSettingsPath(const char* path);

// Within a batch (one message of the main window, the start-up) the file's
// time stamp is looked at on the first read and then at most every
// kSettingsRecheckMs; outside of one, at every read. Batches nest.
constexpr unsigned kSettingsRecheckMs = 100;
class SettingsBatch {
 public:
  SettingsBatch();
  ~SettingsBatch();
  SettingsBatch(const SettingsBatch&) = delete;
  SettingsBatch& operator=(const SettingsBatch&) = delete;
};
const char* SettingsPath();
// The language section named by [Def] Lng ("0049" by default).
void SetLanguageSection(const char* section);
const char* LanguageSection();

int ProfileGetString(const char* key, char* out, const char* def, const char* section, int size);
std::int32_t ProfileGetInt(const char* key, std::int32_t def, const char* section);
std::uint32_t ProfileGetNumber(const char* key, std::uint32_t def, const char* section);
bool ProfileHasKey(const char* key, const char* section);
int ProfileWriteString(const char* key, const char* value, const char* section);
int ProfileWriteInt(const char* key, std::int32_t value, const char* section);

// A text of the language section, German default written back when missing.
int GetText(const char* key, char* out, const char* def, int size);

COLORREF GetColorText(const char* name);
COLORREF GetColorBack(const char* name);
// A solid brush of [Color] name.Brush; the caller owns it.
HBRUSH CreateColorBrush(const char* name);

// The number rule of ProfileGetNumber, without the file: "0x1f" is 31,
// "255" is 255.
std::uint32_t ParseProfileNumber(const char* text);

// Walks the numbered keys "00", "01", ... "last" of a section that have a
// value, in key order, calling visit(n, value) for each; the walk stops
// when visit returns false.
template <class Visit>
void ForEachNumberedKey(const char* section, int last, Visit visit) {
  for (int n = 0; n <= last; ++n) {
    char key[8];
    std::snprintf(key, sizeof key, "%02d", n);
    if (!ProfileHasKey(key, section)) continue;
    char value[kValueMax];
    ProfileGetString(key, value, "", section, sizeof value);
    if (!visit(n, value)) return;
  }
}
