#include "base/text.h"

#include <cstring>

std::uint32_t HexToInt(const char* text) {
  std::uint32_t value = 0;
  if (!text) return 0;
  for (const char* p = text; *p; ++p) {
    unsigned digit = 0;
    char c = *p;
    if (c >= '0' && c <= '9')
      digit = unsigned(c - '0');
    else if (c >= 'A' && c <= 'F')
      digit = unsigned(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f')
      digit = unsigned(c - 'a' + 10);
    value = value * 16u + digit;
  }
  return value;
}

void UnescapeText(char* text, std::size_t capacity) {
  if (!text || capacity == 0) return;
  char work[kUnescapeWorkArea] = {};
  std::size_t out = 0;
  // The last byte of the work area is kept for the terminator.
  const std::size_t limit = kUnescapeWorkArea - 1;
  for (std::size_t i = 0; i < capacity && text[i] != '\0' && out < limit; ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < capacity) {
      char next = text[i + 1];
      if (next == 'n') {
        if (out + 2 > limit) break;
        work[out++] = '\r';
        work[out++] = '\n';
        ++i;
        continue;
      }
      if (next == 't' || next == '0') {
        work[out++] = next == 't' ? '\t' : '\0';
        ++i;
        continue;
      }
    }
    work[out++] = c;
  }
  std::size_t back = capacity < kUnescapeWorkArea ? capacity : kUnescapeWorkArea;
  std::memcpy(text, work, back);
  if (capacity > back) std::memset(text + back, 0, capacity - back);
}

std::size_t CopyText(char* dest, std::size_t size, const char* src) {
  if (!dest || size == 0) return 0;
  std::size_t n = 0;
  if (src) {
    while (n + 1 < size && src[n] != '\0') {
      dest[n] = src[n];
      ++n;
    }
  }
  dest[n] = '\0';
  return n;
}

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool ContainsNoCase(const char* text, const char* part) {
  if (!text || !part) return false;
  for (const char* t = text;; ++t) {
    std::size_t n = 0;
    while (part[n] && LowerAscii(t[n]) == LowerAscii(part[n])) ++n;
    if (!part[n]) return true;
    if (!*t) return false;
  }
}
