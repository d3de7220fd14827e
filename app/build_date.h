// The build date of the program as the compiler writes it, free of the
// platform so that it is checked natively.
#pragma once
#include <cstring>

// Day, month and year of a compiler date text ("Dec  7 2026": month, the
// day padded with a space to two places, year); false when it cannot be
// read.
inline bool ParseBuildDate(const char* text, int& day, int& month, int& year) {
  static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  if (!text || std::strlen(text) < 11) return false;
  for (int m = 0; m < 12; ++m) {
    if (std::strncmp(text, kMonths + 3 * m, 3) == 0) {
      month = m + 1;
      day = (text[4] == ' ' ? 0 : text[4] - '0') * 10 + (text[5] - '0');
      year = 0;
      for (int i = 7; i < 11; ++i) year = year * 10 + (text[i] - '0');
      return true;
    }
  }
  return false;
}
