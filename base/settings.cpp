#include "base/settings.h"

#include <cstdio>

#include "base/text.h"

namespace {

struct SettingsState {
  char path[kPathMax] = "RelivoX.ini";
  char language[kValueMax] = "0049";
};

SettingsState& State() {
  static SettingsState state;
  return state;
}

void FormatInt(char (&buf)[16], std::int32_t value) { std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(value)); }

bool ReadValue(const char* key, const char* section, char* out, int size) {
  GetPrivateProfileStringA(section, key, "", out, static_cast<DWORD>(size), State().path);
  return out[0] != '\0';
}

}  // namespace

void SetSettingsPath(const char* path) { CopyText(State().path, sizeof State().path, path); }
const char* SettingsPath() { return State().path; }
void SetLanguageSection(const char* section) { CopyText(State().language, sizeof State().language, section); }
const char* LanguageSection() { return State().language; }

int ProfileGetString(const char* key, char* out, const char* def, const char* section, int size) {
  if (!out || size <= 0) return 1;
  if (!ReadValue(key, section, out, size)) {
    WritePrivateProfileStringA(section, key, def ? def : "", State().path);
    CopyText(out, static_cast<std::size_t>(size), def);
  }
  return 1;
}

std::int32_t ProfileGetInt(const char* key, std::int32_t def, const char* section) {
  char value[kValueMax];
  if (ReadValue(key, section, value, sizeof value))
    return static_cast<std::int32_t>(GetPrivateProfileIntA(section, key, def, State().path));
  ProfileWriteInt(key, def, section);
  return def;
}

std::uint32_t ParseProfileNumber(const char* text) {
  std::uint32_t base = 10;
  const char* digits = text;
  if (text[0] != '\0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    digits = text + 2;
  }
  std::uint32_t value = 0;
  for (const char* p = digits; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    unsigned upper = (c >= 'a' && c <= 'z') ? c - 32u : c;
    std::uint32_t digit = (c & 15u) + (upper >= 'A' ? 9u : 0u);
    value = value * base + digit;
  }
  return value;
}

std::uint32_t ProfileGetNumber(const char* key, std::uint32_t def, const char* section) {
  char value[kValueMax];
  if (ReadValue(key, section, value, sizeof value)) return ParseProfileNumber(value);
  char text[16];
  std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(def & 0xFFFFFFu));
  ProfileWriteString(key, text, section);
  return def;
}

bool ProfileHasKey(const char* key, const char* section) {
  char value[kValueMax];
  return ReadValue(key, section, value, sizeof value);
}

int ProfileWriteString(const char* key, const char* value, const char* section) {
  WritePrivateProfileStringA(section, key, value, State().path);
  return 1;
}

int ProfileWriteInt(const char* key, std::int32_t value, const char* section) {
  char text[16];
  FormatInt(text, value);
  return ProfileWriteString(key, text, section);
}

int GetText(const char* key, char* out, const char* def, int size) {
  // language key from the callers of GetText, argument 0
  return ProfileGetString(key, out, def, LanguageSection(), size);
}

namespace {
COLORREF ColorKey(const char* name, const char* suffix, const char* def) {
  char key[kValueMax];
  std::snprintf(key, sizeof key, "%s%s", name, suffix);
  char value[kValueMax];
  ProfileGetString(key, value, def, "Color", sizeof value);
  return static_cast<COLORREF>(HexToInt(value));
}
}  // namespace

COLORREF GetColorText(const char* name) { return ColorKey(name, ".Text", "000000"); }
COLORREF GetColorBack(const char* name) { return ColorKey(name, ".Back", "FFFFFF"); }
HBRUSH CreateColorBrush(const char* name) { return CreateSolidBrush(ColorKey(name, ".Brush", "FFFFFF")); }
