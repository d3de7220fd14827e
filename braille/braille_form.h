// The braille-font form of a text: before a text is drawn with a braille
// font, every character listed in the language text "TransSrc" is replaced
// by the character at the same position of "TransTxt" (so that, say, an
// umlaut is drawn as the braille font's pattern for it).
#pragma once
#include <cstddef>

// Longest "TransSrc" and "TransTxt".
constexpr int kTransTextMax = 255;

struct BrailleSubstitution {
  char source[kTransTextMax + 1] = "-";
  char target[kTransTextMax + 1] = "-";
};

// The substitute of c: the "TransTxt" character at the last position where
// c occurs in "TransSrc"; c itself when it does not occur there, or when
// "TransTxt" is too short to hold a substitute.
char BrailleFormOf(const BrailleSubstitution& substitution, char c);

// Copies text into out (at most size - 1 characters, terminated), every
// character replaced by its braille form.
void BrailleForm(const BrailleSubstitution& substitution, const char* text, char* out, std::size_t size);
