#include "base/textformat.h"

#include <cstdio>
#include <cstring>

namespace {

// Longest conversion directive copied into the platform's formatter;
// longer ones are copied literally.
constexpr std::size_t kSpecMax = 24;
// Widths and precisions above this are copied literally, so one conversion
// can never ask for more than this many characters.
constexpr int kFieldMax = 512;

struct Output {
  char* out;
  std::size_t size;
  std::size_t length;
  void Put(const char* text, std::size_t n) {
    for (std::size_t i = 0; i < n && length + 1 < size; ++i) out[length++] = text[i];
  }
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads digits; false when the number is beyond kFieldMax.
bool ReadField(const char*& p) {
  int value = 0;
  while (IsDigit(*p)) {
    value = value * 10 + (*p - '0');
    if (value > kFieldMax) return false;
    ++p;
  }
  return true;
}

// Parses a conversion starting at p (just after '%'). Returns its end
// (just after the conversion letter) and the letter, or nullptr when it is
// not one we carry out.
const char* ParseSpec(const char* p, char* letter) {
  while (*p && std::strchr("-+ #0", *p)) ++p;
  if (!ReadField(p)) return nullptr;
  if (*p == '.') {
    ++p;
    if (!ReadField(p)) return nullptr;
  }
  while (*p == 'h' || *p == 'l') ++p;
  if (*p == '\0' || !std::strchr("diuxXocs", *p)) return nullptr;
  *letter = *p;
  return p + 1;
}

// Builds the platform format of the directive [begin, end) without its length
// letters, with "l" for numbers so that the 32-bit argument is passed as a
// long.
bool BuildSpec(const char* begin, const char* end, char letter, char (&spec)[kSpecMax + 4]) {
  std::size_t n = 0;
  spec[n++] = '%';
  bool number = letter != 's' && letter != 'c';
  bool flags = true;
  bool precision = false;
  for (const char* q = begin; q < end - 1; ++q) {
    if (*q == 'h' || *q == 'l') continue;
    if (flags && !std::strchr("-+ #0", *q)) flags = false;
    if (*q == '.') precision = true;
    // Flags and precisions that mean nothing for the letter are left out.
    if (flags && *q == '#' && !std::strchr("xXo", letter)) continue;
    if (flags && (*q == '0' || *q == '+' || *q == ' ') && !number) continue;
    if (precision && letter == 'c') continue;
    if (n >= kSpecMax) return false;
    spec[n++] = *q;
  }
  if (number) spec[n++] = 'l';
  spec[n++] = letter;
  spec[n] = '\0';
  return true;
}

}  // namespace

std::size_t FormatUserText(char* out, std::size_t size, const char* format, const FormatArg* args, std::size_t count) {
  if (!out || size == 0) return 0;
  Output o{out, size, 0};
  std::size_t next = 0;
  const char* p = format ? format : "";
  while (*p) {
    if (*p != '%') {
      o.Put(p++, 1);
      continue;
    }
    if (p[1] == '%') {
      o.Put("%", 1);
      p += 2;
      continue;
    }
    char letter = 0;
    const char* end = ParseSpec(p + 1, &letter);
    char spec[kSpecMax + 4];
    bool wantsText = letter == 's';
    if (!end || next >= count || (args[next].kind == FormatArg::kText) != wantsText ||
        !BuildSpec(p + 1, end, letter, spec)) {
      o.Put(p++, 1);  // copy the percent sign and go on with the rest as text
      continue;
    }
    const FormatArg& arg = args[next++];
    char piece[kFieldMax * 2 + 64];
    int n;
    // `spec` is not the settings text: it is one conversion rebuilt here
    // from checked flags, width and precision and the letter that matches
    // the argument's kind, so the platform formatter may have it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    if (wantsText) {
      n = std::snprintf(piece, sizeof piece, spec, arg.text ? arg.text : "");
    } else if (letter == 'd' || letter == 'i') {
      n = std::snprintf(piece, sizeof piece, spec, static_cast<long>(arg.number));
    } else if (letter == 'c') {
      n = std::snprintf(piece, sizeof piece, spec, static_cast<int>(arg.number & 0xFF));
    } else {
      n = std::snprintf(piece, sizeof piece, spec, static_cast<unsigned long>(static_cast<std::uint32_t>(arg.number)));
    }
#pragma GCC diagnostic pop
    if (n > 0) {
      std::size_t len = static_cast<std::size_t>(n) < sizeof piece ? static_cast<std::size_t>(n) : sizeof piece - 1;
      o.Put(piece, len);
    }
    p = end;
  }
  out[o.length] = '\0';
  return o.length;
}
