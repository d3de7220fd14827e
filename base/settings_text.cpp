#include "base/settings_text.h"

#include <cstring>

namespace {

bool IsBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A; }
bool IsBreak(char c) { return c == '\r' || c == '\n'; }

struct Span {
  std::size_t at;
  std::size_t end;
};

Span Trim(const std::string& s, Span span) {
  while (span.at < span.end && IsBlank(static_cast<unsigned char>(s[span.at]))) ++span.at;
  while (span.end > span.at && IsBlank(static_cast<unsigned char>(s[span.end - 1]))) --span.end;
  return span;
}

// A name or value ends at a NUL byte.
Span CutAtNul(const std::string& s, Span span) {
  const void* nul = std::memchr(s.data() + span.at, '\0', span.end - span.at);
  if (nul) span.end = static_cast<std::size_t>(static_cast<const char*>(nul) - s.data());
  return span;
}

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

void AppendFolded(std::string& out, const char* text, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) out += Fold(text[i]);
}

// A name asked for, trimmed as the file's names are.
Span TrimmedName(const char* name) {
  const std::string view(name ? name : "");
  return Trim(view, Span{0, view.size()});
}

std::string FoldedName(const char* name) {
  const std::string view(name ? name : "");
  const Span span = Trim(view, Span{0, view.size()});
  std::string folded;
  AppendFolded(folded, view.data() + span.at, span.end - span.at);
  return folded;
}

std::string ValueKey(const std::string& section, const std::string& key) {
  std::string k = section;
  k += '\0';
  k += key;
  return k;
}

bool HasByteOrderMark(const std::string& b) {
  if (b.size() >= 3 && b.compare(0, 3, "\xEF\xBB\xBF") == 0) return true;
  return b.size() >= 2 && ((b[0] == '\xFF' && b[1] == '\xFE') || (b[0] == '\xFE' && b[1] == '\xFF'));
}

// Walks the lines: `visit(content, next)` gets each line's bytes without
// its line break, and where the next line starts.
template <class Visit>
void ForEachLine(const std::string& b, Visit visit) {
  std::size_t at = 0;
  while (at < b.size()) {
    std::size_t end = at;
    while (end < b.size() && !IsBreak(b[end])) ++end;
    std::size_t next = end;
    if (next < b.size()) next += (b[next] == '\r' && next + 1 < b.size() && b[next + 1] == '\n') ? 2 : 1;
    visit(Span{at, end}, next);
    at = next;
  }
}

// The section name of a header line ("[" ... "]", the last "]" counts),
// or false when the line is none.
bool HeaderName(const std::string& b, Span line, Span& name) {
  if (line.end - line.at < 2 || b[line.at] != '[') return false;
  std::size_t close = line.end - 1;
  while (close > line.at && b[close] != ']') --close;
  if (close <= line.at) return false;
  name = CutAtNul(b, Trim(b, Span{line.at + 1, close}));
  return true;
}

}  // namespace

void LoadSettingsText(SettingsText& text, std::string bytes) {
  text.bytes = std::move(bytes);
  text.values.clear();
  text.sections.clear();
  text.readable = !HasByteOrderMark(text.bytes);
  if (!text.readable) return;
  const std::string& b = text.bytes;
  std::string section;  // folded name of the section the lines belong to
  SettingsText::Section* current = &text.sections[section];
  *current = SettingsText::Section{std::string::npos, 0, false};
  bool indexed = true;  // the lines belong to the first section of their name
  ForEachLine(b, [&](Span raw, std::size_t next) {
    const Span line = Trim(b, raw);
    if (line.at == line.end) return;
    Span name{0, 0};
    if (HeaderName(b, line, name)) {
      section.clear();
      AppendFolded(section, b.data() + name.at, name.end - name.at);
      auto inserted = text.sections.emplace(section, SettingsText::Section{raw.at, next, next == raw.end});
      indexed = inserted.second;
      current = indexed ? &inserted.first->second : nullptr;
      return;
    }
    if (!indexed) return;
    current->insertAt = next;
    current->insertNeedsBreak = next == raw.end;
    std::size_t equals = line.at;
    while (equals < line.end && b[equals] != '=') ++equals;
    const Span keyName = CutAtNul(b, Trim(b, Span{line.at, equals}));
    std::string key;
    AppendFolded(key, b.data() + keyName.at, keyName.end - keyName.at);
    SettingsText::Value value{kNoValue, 0};
    if (equals < line.end) {
      const Span v = CutAtNul(b, Trim(b, Span{equals + 1, line.end}));
      value = SettingsText::Value{v.at, v.end - v.at};
    }
    text.values.emplace(ValueKey(section, key), value);
  });
}

bool FindSettingsValue(const SettingsText& text, const char* section, const char* key, char* out, std::size_t size) {
  if (out && size > 0) out[0] = '\0';
  auto found = text.values.find(ValueKey(FoldedName(section), FoldedName(key)));
  if (found == text.values.end() || found->second.at == kNoValue) return false;
  const char* value = text.bytes.data() + found->second.at;
  std::size_t length = found->second.length;
  if (length > 1 && (value[0] == '"' || value[0] == '\'') && value[length - 1] == value[0]) {
    ++value;
    length -= 2;
  }
  if (out && size > 0) {
    const std::size_t n = length < size - 1 ? length : size - 1;
    std::memcpy(out, value, n);
    out[n] = '\0';
  }
  return true;
}

void SetSettingsValue(SettingsText& text, const char* section, const char* key, const char* value) {
  if (!text.readable) return;
  const std::string sectionName(section ? section : "");
  const std::string keyName(key ? key : "");
  const Span s = TrimmedName(section);
  const Span k = TrimmedName(key);
  const std::string cleanSection = sectionName.substr(s.at, s.end - s.at);
  const std::string cleanKey = keyName.substr(k.at, k.end - k.at);
  std::string line;
  if (value) line = cleanKey + "=" + value;
  std::string b = text.bytes;

  const std::string folded = FoldedName(section);
  auto place = text.sections.find(folded);
  if (place == text.sections.end()) {
    if (!value) return;
    if (!b.empty() && !IsBreak(b.back())) b += "\r\n";
    if (!b.empty()) b += "\r\n";
    b += "[" + cleanSection + "]\r\n" + line + "\r\n";
    LoadSettingsText(text, std::move(b));
    return;
  }
  // The key's own line, when the section has it.
  const SettingsText::Section where = place->second;
  std::size_t from = where.header == std::string::npos ? 0 : where.header;
  const std::string foldedKey = FoldedName(key);
  bool inSection = where.header == std::string::npos;
  bool done = false;
  ForEachLine(text.bytes, [&](Span raw, std::size_t next) {
    if (done || raw.at < from) return;
    const Span trimmed = Trim(text.bytes, raw);
    if (trimmed.at == trimmed.end) return;
    Span name{0, 0};
    if (HeaderName(text.bytes, trimmed, name)) {
      if (raw.at == where.header) {
        inSection = true;
        return;
      }
      done = true;  // the next section begins: the key is not there
      return;
    }
    if (!inSection) return;
    std::size_t equals = trimmed.at;
    while (equals < trimmed.end && text.bytes[equals] != '=') ++equals;
    const Span n = CutAtNul(text.bytes, Trim(text.bytes, Span{trimmed.at, equals}));
    std::string lineKey;
    AppendFolded(lineKey, text.bytes.data() + n.at, n.end - n.at);
    if (lineKey != foldedKey) return;
    if (value) {
      b.replace(raw.at, raw.end - raw.at, line);
    } else {
      b.erase(raw.at, next - raw.at);
    }
    done = true;
    from = std::string::npos;  // found: nothing is added
  });
  if (from != std::string::npos && value) {
    std::string added = line + "\r\n";
    if (where.insertNeedsBreak) added = "\r\n" + added;
    b.insert(where.insertAt, added);
  }
  LoadSettingsText(text, std::move(b));
}

std::int32_t SettingsInteger(const char* value) {
  if (!value) return 0;
  std::size_t n = std::strlen(value);
  if (n > kIntegerChars) n = kIntegerChars;
  std::size_t i = 0;
  while (i < n && static_cast<unsigned char>(value[i]) <= ' ') ++i;
  bool minus = false;
  if (i < n && (value[i] == '+' || value[i] == '-')) minus = value[i++] == '-';
  std::uint32_t base = 10;
  if (i + 1 < n && value[i] == '0') {
    const char prefix = value[i + 1];
    base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
    if (base != 10) i += 2;
  }
  std::uint32_t total = 0;
  for (; i < n; ++i) {
    const char c = value[i];
    std::uint32_t digit = 99;
    if (c >= '0' && c <= '9') digit = static_cast<std::uint32_t>(c - '0');
    if (c >= 'A' && c <= 'Z') digit = static_cast<std::uint32_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'z') digit = static_cast<std::uint32_t>(c - 'a' + 10);
    if (digit >= base) break;
    total = total * base + digit;
  }
  return static_cast<std::int32_t>(minus ? 0u - total : total);
}
