// Key definitions read from [HotKeys]: the parsing of one definition line,
// the table that the keyboard hook looks keys up in, and the list of
// system-wide hot keys. No platform calls here; base/hotkeys.h registers
// the hot keys and reads the keyboard state.
#pragma once
#include <cstddef>
#include <cstdint>

// The table holds this many entries; the last one always stays empty so
// that it ends the table, which leaves room for kHotKeyEntries - 1
// definitions.
constexpr int kHotKeyEntries = 256;
constexpr int kHotKeyDefinitionsMax = kHotKeyEntries - 1;
// System-wide hot keys that can be registered.
constexpr int kRegisteredHotKeysMax = 10;
// The parameter that also makes a definition a system-wide hot key.
constexpr std::int32_t kGlobalHotKeyParameter = 1000;
// Key names "Key%03d" are read for 0 .. kHotKeyLinesLast.
constexpr int kHotKeyLinesLast = 998;

// One definition, six 32-bit fields in the order of the table.
struct HotKeyDef {
  std::int32_t shift;  // 1: Shift must be down, 0: up
  std::int32_t ctrl;
  std::int32_t alt;
  std::int32_t key;  // virtual-key code; 0 ends the table
  std::int32_t command;
  std::int32_t parameter;  // lParam of the command
};

struct KeyDefinitions {
  HotKeyDef table[kHotKeyEntries];
  std::int32_t registered[kRegisteredHotKeysMax];
  std::int32_t registeredCount;
};

// Clears the table and the list of registered hot keys.
void ClearKeyDefinitions(KeyDefinitions& defs);

// Reads one definition line "key, shift, ctrl, alt, command, parameter".
// Names go through NameToValue, numbers are decimal with an optional "-".
// Logs "### ERROR +++" with the line when the key or the command is 0.
HotKeyDef ParseKeyLine(const char* line);

enum class KeyStore {
  kStored,     // stored at the returned index
  kDuplicate,  // same key and modifiers already defined: the first one wins
  kNoKey,      // key 0 adds nothing
  kTableFull,  // kHotKeyDefinitionsMax definitions are already stored
};

// Stores a definition in the first free entry, with the log lines of the
// program ("define key:..." or "Taste schon in Benutzung ..."). `index`
// receives the entry used (-1 when nothing was stored).
KeyStore StoreKeyDefinition(KeyDefinitions& defs, const HotKeyDef& def, int* index);

// Appends a command to the list of registered hot keys; false (and an
// error line in the log) when the list is full.
bool AddRegisteredHotKey(KeyDefinitions& defs, std::int32_t command);

// The first definition for the key with exactly these modifier states, or
// nullptr.
const HotKeyDef* MatchKey(const KeyDefinitions& defs, std::int32_t key, bool shift, bool ctrl, bool alt);

// Definitions whose key is not 0.
int CountKeyDefinitions(const KeyDefinitions& defs);
