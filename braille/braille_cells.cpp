#include "braille/braille_cells.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

constexpr std::uint16_t kHighSurrogateFirst = 0xD800;
constexpr std::uint16_t kLowSurrogateFirst = 0xDC00;
constexpr std::uint16_t kSurrogateLast = 0xDFFF;

}  // namespace

bool ComposeTableList(char* out, std::size_t size, const char* folder, const char* path, const char* entry) {
  if (out == nullptr || size == 0) return false;
  const char* f = folder ? folder : "";
  const char* p = path ? path : "";
  const char* e = entry ? entry : "";
  const std::size_t pathLength = std::strlen(p);
  const bool joined = pathLength == 0 || IsSeparator(p[pathLength - 1]) || IsSeparator(e[0]);
  const int n = std::snprintf(out, size, "%s%s%s%s", f, p, joined ? "" : "\\", e);
  if (n < 0 || static_cast<std::size_t>(n) >= size) {
    out[0] = '\0';
    return false;
  }
  return true;
}

int WidenText(const std::uint16_t* units, int count, LouisChar* out, int capacity) {
  if (out == nullptr || capacity <= 0) return 0;
  int n = 0;
  for (int i = 0; units != nullptr && i < count && n < capacity - 1; ++i) {
    LouisChar c = units[i];
    const bool high = c >= kHighSurrogateFirst && c < kLowSurrogateFirst;
    if (high && i + 1 < count && units[i + 1] >= kLowSurrogateFirst && units[i + 1] <= kSurrogateLast) {
      c = 0x10000 + ((c - kHighSurrogateFirst) << 10) + (units[i + 1] - kLowSurrogateFirst);
      ++i;
    }
    out[n++] = c;
  }
  out[n] = 0;
  return n;
}

int TranslateChars(LouisTranslateStringFn translate, const char* tables, const LouisChar (&text)[kBrailleWorkSize],
                   int mode, std::uint8_t* cells, std::uint16_t* count) {
  if (translate == nullptr || tables == nullptr || cells == nullptr || count == nullptr) return 0;
  // The translator ends the input at its first 0; both lengths start at
  // the buffers' capacity.
  LouisChar output[kBrailleWorkSize] = {};
  int inLength = kBrailleWorkSize;
  int outLength = kBrailleWorkSize;
  if (translate(tables, text, &inLength, output, &outLength, nullptr, nullptr, mode) != 1) return 0;
  int n = outLength < kMinTranslatedCells ? kMinTranslatedCells : outLength;
  if (n > kBrailleWorkSize) n = kBrailleWorkSize;
  for (int i = 0; i < n; ++i) cells[i] = static_cast<std::uint8_t>(output[i] & 0xFF);
  *count = static_cast<std::uint16_t>(n);
  return 1;
}
