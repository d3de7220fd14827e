// The one table of key and command names that key definitions and menu
// entries are written with, and the rule that turns a token into a value.
// Free of platform headers: the virtual-key codes are the platform's
// published values, written out here.
#pragma once
#include <cstddef>
#include <cstdint>

// Longest token looked at; the rest of a longer token is ignored.
constexpr std::size_t kKeyTokenMax = 255;

struct KeyName {
  const char* name;
  std::int32_t value;
};

// Virtual-key codes of the keys the program refers to by code.
constexpr std::int32_t kVkTab = 0x09;
constexpr std::int32_t kVkShift = 0x10;
constexpr std::int32_t kVkControl = 0x11;
constexpr std::int32_t kVkMenu = 0x12;
constexpr std::int32_t kVkUp = 0x26;
constexpr std::int32_t kVkDown = 0x28;
constexpr std::int32_t kVkF10 = 0x79;

// The table: key names first, then the command names, ended by an entry
// with an empty name and the value 0.
const KeyName* KeyNameTable();
// Number of entries before the terminating one.
std::size_t KeyNameCount();

// Turns a token into a value:
//  - leading spaces are skipped; the token ends at the first character with
//    a code of 32 or less or of 128 or more;
//  - up to 3 characters: a capital letter gives its code, a double quote the
//    code of the character after it, anything below '0' gives 0, otherwise
//    the leading decimal digits ("13" is 13, "a" is 0);
//  - longer: the value of the first equal name (case-sensitive), -1 when no
//    name is equal.
std::int32_t NameToValue(const char* token);
