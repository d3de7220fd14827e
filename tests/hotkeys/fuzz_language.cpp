// Lines of the settings file as a translator or user writes them, each
// read the way the program reads its kind: [HotKeys] definitions into the
// key table, [CMD] menu tokens, the [Language] list, and the texts of a
// language section (escapes expanded, cut to captions, used as formats,
// turned into their braille-font form).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/keydefs.h"
#include "base/keynames.h"
#include "base/text.h"
#include "base/textformat.h"
#include "braille/braille_form.h"
#include "tests/fuzz_quiet.h"

namespace {

constexpr std::size_t kValueSize = 255;     // a value as the settings store reads it
constexpr std::size_t kCaptionMax = 40;     // a menu caption
constexpr std::size_t kLanguagesMax = 40;   // entries of the language list
constexpr std::size_t kLanguageCode = 100;  // a language code, terminator included

enum class Kind { kKeys, kCommands, kLanguages, kTexts };

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

struct Reader {
  KeyDefinitions defs;
  BrailleSubstitution substitution;
  char languages[kLanguagesMax][kLanguageCode] = {};
  std::size_t languageCount = 0;
  std::string section = "0049";
  Kind kind = Kind::kTexts;

  void Key(const char* value) {
    const HotKeyDef def = ParseKeyLine(value);
    int index = -1;
    const KeyStore stored = StoreKeyDefinition(defs, def, &index);
    if (stored == KeyStore::kStored) {
      Check(index >= 0 && index < kHotKeyDefinitionsMax && defs.table[index].key == def.key);
      if (def.parameter == kGlobalHotKeyParameter) AddRegisteredHotKey(defs, def.command);
    } else {
      Check(index == -1);
    }
    Check(defs.registeredCount <= kRegisteredHotKeysMax);
  }

  void Text(const char* key, const char* value) {
    // As a caption or label: escapes expanded in the store's buffer, cut.
    char text[kUnescapeWorkArea];
    CopyText(text, kValueSize, value);
    UnescapeText(text, kValueSize);
    text[kValueSize - 1] = '\0';
    char caption[kCaptionMax + 1];
    Check(CopyText(caption, sizeof caption, text) <= kCaptionMax);
    // As a status text with the program's arguments.
    const FormatArg args[] = {TextArg(caption), IntArg(-7), TextArg(section.c_str()), IntArg(2400)};
    char out[kValueSize + 1];
    const std::size_t n = FormatUserText(out, sizeof out, text, args, sizeof args / sizeof args[0]);
    Check(n < sizeof out && std::strlen(out) == n);
    if (!std::strchr(text, '%')) Check(std::strncmp(out, text, sizeof out - 1) == 0);
    // The substitution texts, and any text in its braille-font form.
    if (std::strcmp(key, "TransSrc") == 0) CopyText(substitution.source, sizeof substitution.source, text);
    if (std::strcmp(key, "TransTxt") == 0) CopyText(substitution.target, sizeof substitution.target, text);
    char form[kCaptionMax + 1];
    BrailleForm(substitution, text, form, sizeof form);
    const std::size_t length = std::strlen(text);
    Check(std::strlen(form) == (length < kCaptionMax ? length : kCaptionMax));
    for (std::size_t i = 0; form[i]; ++i) Check(form[i] == BrailleFormOf(substitution, text[i]));
  }

  void Line(const std::string& line) {
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      kind = section == "HotKeys"    ? Kind::kKeys
             : section == "CMD"      ? Kind::kCommands
             : section == "Language" ? Kind::kLanguages
                                     : Kind::kTexts;
      return;
    }
    const std::size_t equals = line.find('=');
    const std::string key = equals == std::string::npos ? std::string() : line.substr(0, equals);
    const std::string value = equals == std::string::npos ? line : line.substr(equals + 1);
    switch (kind) {
      case Kind::kKeys: Key(value.c_str()); break;
      case Kind::kCommands: NameToValue(value.c_str()); break;
      case Kind::kLanguages:
        if (languageCount < kLanguagesMax) CopyText(languages[languageCount++], kLanguageCode, value.c_str());
        break;
      case Kind::kTexts: Text(key.c_str(), value.c_str()); break;
    }
  }

  // After the last line: every key stored is found again (the first
  // definition of a key wins), and the language list is checked against
  // the current language as the menu does.
  void Finish() {
    const int count = CountKeyDefinitions(defs);
    Check(count <= kHotKeyDefinitionsMax && defs.table[kHotKeyDefinitionsMax].key == 0);
    for (int i = 0; i < kHotKeyDefinitionsMax && defs.table[i].key != 0; ++i) {
      const HotKeyDef& d = defs.table[i];
      const HotKeyDef* found = MatchKey(defs, d.key, d.shift == 1, d.ctrl == 1, d.alt == 1);
      if (d.shift <= 1 && d.ctrl <= 1 && d.alt <= 1 && d.shift >= 0 && d.ctrl >= 0 && d.alt >= 0)
        Check(found != nullptr && found <= &d && found->key == d.key);
    }
    for (std::size_t n = 0; n < languageCount; ++n) {
      Check(ContainsNoCase(languages[n], languages[n]));
      ContainsNoCase(languages[n], section.c_str());
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QuietLog();
  static Reader reader;
  reader = Reader{};
  ClearKeyDefinitions(reader.defs);
  const char* text = reinterpret_cast<const char*>(data);
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= size; ++i) {
    if (i < size && text[i] != '\n') continue;
    std::size_t end = i;
    if (end > begin && text[end - 1] == '\r') --end;
    // A line ends at a NUL, as the platform's reader sees it.
    std::string line(text + begin, end - begin);
    line = line.c_str();
    reader.Line(line);
    begin = i + 1;
  }
  reader.Finish();
  return 0;
}
