// Formatting of texts that come from the settings file with arguments of
// the program. A translator writes these texts, so a text may hold any
// conversion: only conversions that fit the argument at hand are carried
// out, everything else is copied as it stands. Never reads an argument that
// was not given and never writes past the output buffer.
#pragma once
#include <cstddef>
#include <cstdint>

struct FormatArg {
  enum Kind { kInt, kText } kind;
  std::int32_t number;
  const char* text;
};

inline FormatArg IntArg(std::int32_t value) { return FormatArg{FormatArg::kInt, value, nullptr}; }
inline FormatArg TextArg(const char* value) { return FormatArg{FormatArg::kText, 0, value}; }

// Conversions: flags "-+ #0", a width and a precision of digits, length
// letters h, l, ll (ignored), then d i u x X o c for a number and s for a
// text; "%%" is a percent sign. Each conversion takes the next argument; a
// conversion whose argument is missing or of the other kind, or that is
// not one of these, is copied literally. Returns the length written (the
// result is cut to size - 1 characters and always terminated when
// size > 0).
std::size_t FormatUserText(char* out, std::size_t size, const char* format, const FormatArg* args, std::size_t count);
