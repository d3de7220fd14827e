#include "braille/braille_form.h"

#include <cstring>

char BrailleFormOf(const BrailleSubstitution& substitution, char c) {
  const char* at = c ? std::strrchr(substitution.source, c) : nullptr;
  if (!at) return c;
  const std::size_t position = static_cast<std::size_t>(at - substitution.source);
  return position < std::strlen(substitution.target) ? substitution.target[position] : c;
}

void BrailleForm(const BrailleSubstitution& substitution, const char* text, char* out, std::size_t size) {
  if (!out || size == 0) return;
  std::size_t n = 0;
  for (; text && text[n] && n + 1 < size; ++n) out[n] = BrailleFormOf(substitution, text[n]);
  out[n] = '\0';
}
