// The settings file held in memory: its bytes as they are on disk and an
// index of its sections and keys, so that a read costs a lookup instead of
// a parse of the whole file. Edits change the bytes in place, the way the
// platform's profile writer does, and index them again; the caller writes
// the bytes back.
//
// The reading rules are those of the platform's private-profile functions,
// byte for byte (the settings tests compare both on the shipped file and on
// odd ones):
// - Lines end at CR, LF or any run of them; each line is trimmed of TAB,
//   LF, VT, FF, CR, space and the byte 0x1A at both ends; blank lines are
//   skipped.
// - A line beginning with "[" and holding a "]" after it names a section:
//   the text up to the last "]", trimmed. Keys before the first section
//   belong to an unnamed section that always comes first.
// - Any other line is a key: the name up to the first "=" (trimmed), the
//   value after it (trimmed). A line without "=" is a key without a value;
//   a line beginning with ";" is an ordinary key whose name begins so.
// - Names and values end at a NUL byte. Names are compared ignoring the
//   case of the letters A to Z only, after the names asked for are trimmed
//   the same way. Only the first section of a name is searched, and in it
//   the first key of a name counts.
// - A value enclosed in a pair of the same quote (" or ') is read without
//   the pair.
//
// A file that begins with a Unicode byte-order mark is read by the platform
// in that encoding: `readable` is false for it, and the caller leaves it to
// the platform's own calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct SettingsText {
  std::string bytes;
  bool readable = true;
  // Per key of the index ("section" NUL "key", both folded): the value's
  // place in `bytes`, or kNoValue for a key without "=".
  struct Value {
    std::size_t at;
    std::size_t length;
  };
  std::unordered_map<std::string, Value> values;
  // Per folded section name, first occurrence only: where its header line
  // starts (or npos for the unnamed one) and where a key added to it goes.
  struct Section {
    std::size_t header;
    std::size_t insertAt;
    bool insertNeedsBreak;  // the section's last line has no line break
  };
  std::unordered_map<std::string, Section> sections;
};

constexpr std::size_t kNoValue = static_cast<std::size_t>(-1);

// Takes the file's bytes (empty for a missing file) and indexes them.
void LoadSettingsText(SettingsText& text, std::string bytes);

// The value of a key as the platform reads it (quotes taken off), cut to
// size - 1 bytes and terminated. False, with an empty result, when the key
// or its section is missing or the key has no value; true also for an empty
// value (a pair of quotes), which the program treats as missing.
bool FindSettingsValue(const SettingsText& text, const char* section, const char* key, char* out, std::size_t size);

// Sets key=value in the first section of that name: the key's line is
// rewritten, or a line is added after the section's last line, or the
// section is added at the end of the file. A null value removes the key's
// line. The bytes are indexed again.
void SetSettingsValue(SettingsText& text, const char* section, const char* key, const char* value);

// The platform's reading of a whole number in a value: leading control
// characters and spaces skipped, one optional sign, then "0x", "0o" or
// "0b" choose base 16, 8 or 2, otherwise base 10; digits are read up to the
// first other character, modulo 2^32. Only the first kIntegerChars
// characters of the value are looked at.
std::int32_t SettingsInteger(const char* value);
constexpr std::size_t kIntegerChars = 29;
