#include "base/keydefs.h"

#include <cstdio>
#include <cstring>

#include "base/keynames.h"
#include "base/log.h"

namespace {

bool SkippedBeforeName(unsigned char c) { return c <= 32 || c >= 128; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Name field: the text up to the next comma (at most kKeyTokenMax
// characters are kept), the comma consumed.
std::int32_t ReadNameField(const char*& p) {
  while (*p && SkippedBeforeName(static_cast<unsigned char>(*p))) ++p;
  char name[kKeyTokenMax + 1];
  std::size_t length = 0;
  while (*p && *p != ',') {
    if (length < kKeyTokenMax) name[length++] = *p;
    ++p;
  }
  name[length] = '\0';
  if (*p == ',') ++p;
  return NameToValue(name);
}

// Number field: skips to a digit or a comma; a "-" right before the first
// digit makes the number negative; one following comma is consumed.
// Overlong numbers wrap instead of overflowing.
std::int32_t ReadNumberField(const char* line, const char*& p) {
  while (*p && !IsDigit(*p) && *p != ',') ++p;
  bool negative = p > line && IsDigit(*p) && p[-1] == '-';
  std::uint32_t value = 0;
  while (IsDigit(*p)) {
    value = value * 10u + static_cast<std::uint32_t>(*p - '0');
    ++p;
  }
  if (*p == ',') ++p;
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

bool SameKey(const HotKeyDef& a, const HotKeyDef& b) {
  return a.key == b.key && a.shift == b.shift && a.ctrl == b.ctrl && a.alt == b.alt;
}

}  // namespace

void ClearKeyDefinitions(KeyDefinitions& defs) { std::memset(&defs, 0, sizeof defs); }

HotKeyDef ParseKeyLine(const char* line) {
  HotKeyDef def{};
  if (!line) line = "";
  const char* p = line;
  def.key = ReadNameField(p);
  def.shift = ReadNumberField(line, p);
  def.ctrl = ReadNumberField(line, p);
  def.alt = ReadNumberField(line, p);
  def.command = ReadNameField(p);
  def.parameter = ReadNumberField(line, p);
  if (def.key == 0 || def.command == 0) LogWrite("### ERROR +++ %s", line);
  return def;
}

KeyStore StoreKeyDefinition(KeyDefinitions& defs, const HotKeyDef& def, int* index) {
  if (index) *index = -1;
  if (def.key == 0) return KeyStore::kNoKey;
  int i = 0;
  for (; i < kHotKeyDefinitionsMax && defs.table[i].key != 0; ++i) {
    const HotKeyDef& old = defs.table[i];
    if (SameKey(old, def)) {
      char text[80];
      std::snprintf(text, sizeof text, "%02x %1x%1x%1x %1x%1x%1x %4X %1x", static_cast<unsigned>(def.key),
                    static_cast<unsigned>(def.shift), static_cast<unsigned>(def.ctrl), static_cast<unsigned>(def.alt),
                    static_cast<unsigned>(old.shift), static_cast<unsigned>(old.ctrl), static_cast<unsigned>(old.alt),
                    static_cast<unsigned>(def.command), static_cast<unsigned>(def.parameter));
      LogWrite("Taste schon in Benutzung %s", text);
      return KeyStore::kDuplicate;
    }
  }
  if (i >= kHotKeyDefinitionsMax) {
    LogWrite("Err: Tastentabelle voll (%d Definitionen), Taste %02x verworfen", kHotKeyDefinitionsMax,
             static_cast<unsigned>(def.key));
    return KeyStore::kTableFull;
  }
  LogWrite("define key:%02d S:%1xC:%1xA:%1x CMD:%1d Para:%1d  (%d)", static_cast<int>(def.key),
           static_cast<unsigned>(def.shift), static_cast<unsigned>(def.ctrl), static_cast<unsigned>(def.alt),
           static_cast<int>(def.command), static_cast<int>(def.parameter), i);
  defs.table[i] = def;
  if (index) *index = i;
  return KeyStore::kStored;
}

bool AddRegisteredHotKey(KeyDefinitions& defs, std::int32_t command) {
  if (defs.registeredCount < 0 || defs.registeredCount >= kRegisteredHotKeysMax) {
    LogWrite("Err: zu viele globale Hotkeys (max. %d), CMD:%d nicht registriert", kRegisteredHotKeysMax,
             static_cast<int>(command));
    return false;
  }
  defs.registered[defs.registeredCount++] = command;
  return true;
}

const HotKeyDef* MatchKey(const KeyDefinitions& defs, std::int32_t key, bool shift, bool ctrl, bool alt) {
  for (int i = 0; i < kHotKeyEntries && defs.table[i].key != 0; ++i) {
    const HotKeyDef& d = defs.table[i];
    if (d.key == key && d.shift == (shift ? 1 : 0) && d.ctrl == (ctrl ? 1 : 0) && d.alt == (alt ? 1 : 0)) return &d;
  }
  return nullptr;
}

int CountKeyDefinitions(const KeyDefinitions& defs) {
  int count = 0;
  for (int i = 0; i < kHotKeyEntries && defs.table[i].key != 0; ++i) ++count;
  return count;
}
