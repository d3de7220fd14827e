// Offenders for the language key check: each one must be reported.
int GetText(const char* key, char* out, const char* def, int size);
int ProfileGetInt(const char* key, int def, const char* section);
const char* LanguageSection();

void Say(const char* key) {
  char text[64];
  // language key from the callers of Say, argument 0
  GetText(key, text, "", sizeof text);
}

void Offenders(bool on, const char* computed) {
  char text[64];
  GetText("Hello", text, "", sizeof text);
  GetText(on ? "A" : "B", text, "", sizeof text);
  Say("Forwarded");
  GetText(computed, text, "", sizeof text);
  // language keys: K{1..2}
  GetText(computed, text, "", sizeof text);
  ProfileGetInt("Size", 0, LanguageSection());
  // language keys: @menus @dialog-buttons
  GetText(computed, text, "", sizeof text);
}
