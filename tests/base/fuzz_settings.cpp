// The settings file in memory with arbitrary bytes: loading, reading every
// key it names and editing it must stay in bounds, and a plain value set is
// read back as set.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/settings_text.h"

namespace {

// Names and a value picked from the input, free of the bytes that end or
// trim them, so that the edit must be read back exactly.
std::string Token(const std::uint8_t* data, std::size_t size, std::size_t at) {
  std::string t;
  for (std::size_t i = at; i < size && t.size() < 8; ++i) {
    const char c = static_cast<char>('a' + data[i] % 26);
    t += c;
  }
  return t.empty() ? "k" : t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SettingsText text;
  LoadSettingsText(text, std::string(reinterpret_cast<const char*>(data), size));
  char out[64];
  for (const auto& entry : text.values) {
    const std::string& both = entry.first;
    const std::size_t nul = both.find('\0');
    const std::string section = both.substr(0, nul);
    const std::string key = both.substr(nul + 1);
    FindSettingsValue(text, section.c_str(), key.c_str(), out, sizeof out);
    SettingsInteger(out);
  }
  if (!text.readable) return 0;
  const std::string section = Token(data, size, 0);
  const std::string key = Token(data, size, size / 2);
  const std::string value = Token(data, size, size / 3);
  SetSettingsValue(text, section.c_str(), key.c_str(), value.c_str());
  if (!FindSettingsValue(text, section.c_str(), key.c_str(), out, sizeof out) || value != out) __builtin_trap();
  SetSettingsValue(text, section.c_str(), key.c_str(), nullptr);
  FindSettingsValue(text, section.c_str(), key.c_str(), out, sizeof out);
  return 0;
}
