#include "base/settings.h"

#include <cstdio>
#include <string>

#include "base/owners.h"
#include "base/settings_text.h"
#include "base/text.h"

namespace {

// A foreign edit made within this time before the file was read may carry
// the same time stamp as the bytes read (file systems keep the time coarse,
// down to two seconds): until then a check compares the bytes as well.
constexpr ULONGLONG kRacyWindow = 2ULL * 10000000ULL;  // in 100 ns units

struct FileStamp {
  bool exists = false;
  ULONGLONG written = 0;  // last write time, 100 ns units
  ULONGLONG size = 0;
  bool operator==(const FileStamp& o) const { return exists == o.exists && written == o.written && size == o.size; }
  bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

struct SettingsState {
  char path[kPathMax] = "RelivoX.ini";
  char language[kValueMax] = "0049";
  SettingsText text;
  bool loaded = false;
  FileStamp stamp;
  ULONGLONG readAt = 0;  // system time when the bytes were read
  // Batches: the stamp is looked at once per batch and then at most every
  // kSettingsRecheckMs; outside a batch at every read.
  int batchDepth = 0;
  bool checkedInBatch = false;
  ULONGLONG checkedAtTick = 0;
};

// Never destroyed: the destructors of other process-wide records (the
// device session says goodbye to the device) still read settings when the
// program ends.
SettingsState& State() {
  static SettingsState& state = *new SettingsState;
  return state;
}

ULONGLONG SystemTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

ULONGLONG FromFileTime(const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

FileStamp StampOf(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FileStamp stamp;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return stamp;
  stamp.exists = true;
  stamp.written = FromFileTime(data.ftLastWriteTime);
  stamp.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return stamp;
}

std::string ReadBytes(const char* path) {
  std::string bytes;
  FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return bytes;
  char chunk[16384];
  DWORD got = 0;
  while (ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  return bytes;
}

// In place, as the platform's profile writer does; a file that cannot be
// written is left as it is (the settings functions report no failure).
// Every write moves the time stamp on: the file system keeps it coarse, and
// a reader that compares stamps (the platform's own profile calls, another
// copy of the program) must not take the new bytes for the ones before.
void WriteBytes(const char* path, const std::string& bytes, ULONGLONG stampBefore) {
  FileHandle file(CreateFileA(path, GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return;
  SetEndOfFile(file.Get());
  FILETIME now;
  if (GetFileTime(file.Get(), nullptr, nullptr, &now) && FromFileTime(now) <= stampBefore) {
    const ULONGLONG later = stampBefore + 1;
    now.dwLowDateTime = static_cast<DWORD>(later);
    now.dwHighDateTime = static_cast<DWORD>(later >> 32);
    SetFileTime(file.Get(), nullptr, nullptr, &now);
  }
}

void Load(SettingsState& s) {
  s.stamp = StampOf(s.path);  // before the bytes: an edit in between is seen next time
  s.readAt = SystemTime();
  LoadSettingsText(s.text, s.stamp.exists ? ReadBytes(s.path) : std::string());
  s.loaded = true;
}

bool CheckDue(SettingsState& s) {
  if (!s.loaded || s.batchDepth == 0) return true;
  const ULONGLONG tick = GetTickCount64();
  if (s.checkedInBatch && tick - s.checkedAtTick < kSettingsRecheckMs) return false;
  s.checkedInBatch = true;
  s.checkedAtTick = tick;
  return true;
}

// The file as it is now: read again when its time stamp or size changed,
// or, while its stamp is too recent to tell, when its bytes changed.
void Refresh() {
  SettingsState& s = State();
  if (!CheckDue(s)) return;
  const FileStamp now = StampOf(s.path);
  if (!s.loaded || now != s.stamp) {
    Load(s);
    return;
  }
  if (!now.exists || now.written + kRacyWindow <= s.readAt) return;
  const ULONGLONG readAt = SystemTime();
  std::string bytes = ReadBytes(s.path);
  if (bytes != s.text.bytes) LoadSettingsText(s.text, std::move(bytes));
  s.readAt = readAt;
}

void FormatInt(char (&buf)[16], std::int32_t value) { std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(value)); }

// The value of a key; false when it is missing or empty.
bool ReadValue(const char* key, const char* section, char* out, int size) {
  if (!out || size <= 0) return false;
  Refresh();
  SettingsState& s = State();
  if (!s.text.readable) {
    GetPrivateProfileStringA(section, key, "", out, static_cast<DWORD>(size), s.path);
  } else {
    FindSettingsValue(s.text, section, key, out, static_cast<std::size_t>(size));
  }
  return out[0] != '\0';
}

}  // namespace

SettingsBatch::SettingsBatch() {
  SettingsState& s = State();
  if (s.batchDepth++ == 0) s.checkedInBatch = false;
}

SettingsBatch::~SettingsBatch() { --State().batchDepth; }

void SetSettingsPath(const char* path) {
  SettingsState& s = State();
  CopyText(s.path, sizeof s.path, path);
  s.loaded = false;
}
const char* SettingsPath() { return State().path; }
void SetLanguageSection(const char* section) { CopyText(State().language, sizeof State().language, section); }
const char* LanguageSection() { return State().language; }

int ProfileGetString(const char* key, char* out, const char* def, const char* section, int size) {
  if (!out || size <= 0) return 1;
  if (!ReadValue(key, section, out, size)) {
    ProfileWriteString(key, def ? def : "", section);
    CopyText(out, static_cast<std::size_t>(size), def);
  }
  return 1;
}

std::int32_t ProfileGetInt(const char* key, std::int32_t def, const char* section) {
  char value[kValueMax];
  if (ReadValue(key, section, value, sizeof value)) return SettingsInteger(value);
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
  Refresh();
  SettingsState& s = State();
  if (!s.text.readable) {
    WritePrivateProfileStringA(section, key, value, s.path);
    s.loaded = false;
    return 1;
  }
  SetSettingsValue(s.text, section, key, value);
  const FileStamp before = StampOf(s.path);
  s.readAt = SystemTime();
  WriteBytes(s.path, s.text.bytes, before.written);
  s.stamp = StampOf(s.path);
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
