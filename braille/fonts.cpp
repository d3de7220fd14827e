#include "braille/fonts.h"

#include <cstdio>

#include "base/log.h"
#include "base/owners.h"
#include "base/settings.h"
#include "base/text.h"

namespace {

constexpr const char* kFontSection = "Braillefont";
constexpr const char* kDefaultBrailleFace = "IBraille 6";
constexpr const char* kDefaultTextFace = "Arial";
constexpr int kDefaultFontHeight = 32;
constexpr int kFontWeight = 700;

struct FontFiles {
  char path[kFontFileKeys][kPathMax] = {};  // as registered; empty: no key
};

struct RenderFonts {
  GdiObject<HFONT> fonts[kRenderFontCount];
  BrailleSubstitution substitution;
};

FontFiles& Files() {
  static FontFiles files;
  return files;
}

RenderFonts& Fonts() {
  static RenderFonts fonts;
  return fonts;
}

bool IsRelative(const char* path) { return path[0] != '\\' && path[0] != '/' && !(path[0] && path[1] == ':'); }

// The name as given when it names a file from the working folder (or is
// absolute); otherwise below the program folder when the file is there.
void ResolveFontFile(const char* name, const char* programFolder, char* out, int size) {
  CopyText(out, static_cast<std::size_t>(size), name);
  if (!IsRelative(name) || GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES || !programFolder) return;
  char below[kPathMax];
  std::snprintf(below, sizeof below, "%s%s", programFolder, name);
  if (GetFileAttributesA(below) != INVALID_FILE_ATTRIBUTES) CopyText(out, static_cast<std::size_t>(size), below);
}

// One render font: the height as the character height (the em), bold,
// ANSI character set; braille fonts ask for raster precision and proof
// quality, text fonts take the defaults.
HFONT MakeFont(const char* face, int height, bool braille) {
  HFONT font = CreateFontA(-height, 0, 0, 0, kFontWeight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                           braille ? OUT_RASTER_PRECIS : OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           braille ? PROOF_QUALITY : DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  LogWrite("Font: %s Size:%d = %04X", face, height, static_cast<unsigned>(reinterpret_cast<UINT_PTR>(font)));
  return font;
}

void ReadFace(const char* prefix, int n, const char* def, char* face, int size) {
  char key[16];
  std::snprintf(key, sizeof key, "%s%02d", prefix, n);
  // The chosen font's keys; the shipped settings choose font 0.
  // language keys: BFont00 TFont00
  GetText(key, face, def, size);
}

int ReadHeight(const char* prefix, int n, const char* suffix) {
  char key[24];
  std::snprintf(key, sizeof key, "%s%02d.%s", prefix, n, suffix);
  // language keys: BFont00.size BFont00.si TFont00.size TFont00.si
  return ProfileGetInt(key, kDefaultFontHeight, LanguageSection());
}

void Choose(const char* key, int n) {
  if (n < 0 || n >= kFontChoices) return;
  ProfileWriteInt(key, n, LanguageSection());
  BmpFontInit();
}

}  // namespace

void RegisterFontFiles(const char* programFolder) {
  FontFiles& files = Files();
  for (auto& path : files.path) path[0] = '\0';
  ForEachNumberedKey(kFontSection, kFontFileKeys - 1, [&](int n, const char* name) {
    ResolveFontFile(name, programFolder, files.path[n], kPathMax);
    int added = AddFontResourceExA(files.path[n], FR_PRIVATE, nullptr);
    LogWrite("Schriftart hinzugef\xfcgt:%d", added);
    return true;
  });
}

void RemoveFontFiles() {
  FontFiles& files = Files();
  for (auto& path : files.path) {
    if (!path[0]) continue;
    LogWrite("Schriftart entfernt:%d", RemoveFontResourceExA(path, FR_PRIVATE, nullptr) ? 1 : 0);
    path[0] = '\0';
  }
}

void BmpFontInit() {
  LogWrite("BmpFontInit() aufgerufen");
  RenderFonts& r = Fonts();
  for (auto& font : r.fonts) font.Reset();
  const int b = ProfileGetInt("BFont", 0, LanguageSection());
  const int t = ProfileGetInt("TFont", 0, LanguageSection());
  char brailleFace[LF_FACESIZE], textFace[LF_FACESIZE];
  ReadFace("BFont", b, kDefaultBrailleFace, brailleFace, sizeof brailleFace);
  ReadFace("TFont", t, kDefaultTextFace, textFace, sizeof textFace);
  r.fonts[kFontBrailleLarge].Reset(MakeFont(brailleFace, ReadHeight("BFont", b, "size"), true));
  r.fonts[kFontTextLarge].Reset(MakeFont(textFace, ReadHeight("TFont", t, "size"), false));
  r.fonts[kFontBrailleSmall].Reset(MakeFont(brailleFace, ReadHeight("BFont", b, "si"), true));
  r.fonts[kFontTextSmall].Reset(MakeFont(textFace, ReadHeight("TFont", t, "si"), false));
}

HFONT RenderFont(RenderFontId id) {
  HFONT font = Fonts().fonts[id].Get();
  return font ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

void ChooseBrailleFont(int n) { Choose("BFont", n); }
void ChooseTextFont(int n) { Choose("TFont", n); }

void ClearSubstitutionTexts() {
  BrailleSubstitution& s = Fonts().substitution;
  s.source[0] = '\0';
  s.target[0] = '\0';
}

void ReadSubstitutionTexts() {
  BrailleSubstitution& s = Fonts().substitution;
  GetText("TransSrc", s.source, "-", sizeof s.source);
  GetText("TransTxt", s.target, "-", sizeof s.target);
}

const BrailleSubstitution& Substitution() { return Fonts().substitution; }
