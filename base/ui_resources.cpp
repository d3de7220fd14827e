#include "base/ui_resources.h"

#include <cstdio>

#include "base/owners.h"
#include "base/scale.h"
#include "base/settings.h"

namespace {

// Which values a name has: text colour, background colour, brush.
constexpr unsigned kT = 1, kB = 2, kR = 4;

// A name of the colour list, which of its values it has, and the system
// colours that stand in for them in high contrast: `sysText` for its text,
// `sysFill` for its background and brush (a pin's brush is a foreground:
// raised pins take the text colour, the newest strokes the highlight).
struct ColorSpec {
  const char* name;
  unsigned parts;
  int sysText;
  int sysFill;
};

constexpr int kWin = COLOR_WINDOW, kWinText = COLOR_WINDOWTEXT, kFace = COLOR_BTNFACE, kFaceText = COLOR_BTNTEXT;
constexpr int kHi = COLOR_HIGHLIGHT, kHiText = COLOR_HIGHLIGHTTEXT;

// clang-format off
constexpr ColorSpec kColorSpecs[kColorCount] = {
    {"Menu", kT | kR, COLOR_MENUTEXT, COLOR_MENU},     {"MenuSel", kT | kR, kHiText, kHi},
    {"Button", kT | kR, kFaceText, kFace},             {"Buttonhi", kT, kFaceText, kFace},
    {"Button.press", kR, kFaceText, COLOR_BTNSHADOW},  {"Button.nopress", kR, kFaceText, COLOR_BTNHIGHLIGHT},
    {"Button.focus", kR, kFaceText, kHi},              {"Info", kR, kWinText, kWin},
    {"info", kT | kB, kWinText, kWin},                 {"Edit", kT | kR, kWinText, kWin},
    {"Strich", kR, kWinText, kWinText},                {"Edit.Rand", kR, kWinText, kWinText},
    {"Status", kT | kR, kWinText, kWin},               {"Trigger", kT | kR, kWinText, kWin},
    {"Property", kT | kR, kWinText, kWin},             {"Dot.Back", kR, kWinText, kWin},
    {"Dot", kR, kWinText, kWinText},                   {"DotDarkBlue", kR, kWinText, kWinText},
    {"DotBlue", kR, kWinText, kHi},                    {"DotYellow", kR, kWinText, kHi},
    {"DotGreen", kR, kWinText, kHi},                   {"DotBrown", kR, kWinText, kHi},
    {"DotDarkRed", kR, kWinText, kHi},                 {"DotRed", kR, kWinText, kHi},
    {"DotGold", kR, kWinText, kHi},                    {"DotGray", kR, kWinText, COLOR_GRAYTEXT},
    {"Main.Back", kR, kWinText, kWin},                 {"Icon", kR, kWinText, kHi},
    {"Button0", kT | kR, kFaceText, kFace},            {"Button1", kT | kR, kFaceText, kFace},
    {"Button2", kT | kR, kFaceText, kFace},            {"Button3", kT | kR, kFaceText, kFace},
    {"Button4", kT | kR, kFaceText, kFace},            {"Button5", kT | kR, kFaceText, kFace},
    {"title", kT | kB | kR, COLOR_CAPTIONTEXT, COLOR_ACTIVECAPTION},
    {"bmp", kR, kWinText, kWin},                       {"Dlg", kT | kB | kR, kWinText, kWin},
    {"BTN", kT | kB | kR, kFaceText, kFace},           {"Static", kT | kB | kR, kWinText, kWin},
    {"Ctrlbar", kT | kB | kR, kFaceText, kFace},       {"Scrollbar", kT | kB | kR, kFaceText, kFace},
};
// clang-format on

struct ColorEntry {
  COLORREF text = RGB(0, 0, 0);
  COLORREF back = RGB(255, 255, 255);
  GdiObject<HBRUSH> brush;
};

struct FontSpec {
  const char* sizeKey;
  int size;
  const char* faceKey;
  const char* face;
  int weight;
};

constexpr FontSpec kFontSpecs[kFontCount] = {
    {"title.size", 32, "title.font", "Tahoma", 900},
    {"edit.size", 20, "edit.font", "Tahoma", 600},
    {"menu.size", 32, "menu.font", "Tahoma", 700},
    {"status.size", 32, "Status.font", "Arial", 700},
    {"buttonfont.size", 32, "Buttonfont.font", "Arial", 700},
    {"Button.size", 32, "Button.font", "Arial", 700},
    {"Info.size", 20, "Info.font", "Arial", 700},
};

struct UiResources {
  ColorEntry colors[kColorCount];
  GdiObject<HBRUSH> fallbackBrush;  // brushes of names that have none
  GdiObject<HFONT> fonts[kFontCount];
  int generation = 0;
  bool system = false;  // the colours are the system's
};

UiResources& Ui() {
  static UiResources ui;
  return ui;
}

}  // namespace

bool HighContrastOn() {
  HIGHCONTRASTA contrast = {};
  contrast.cbSize = sizeof contrast;
  return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void LoadColors(ColorSource source) {
  UiResources& ui = Ui();
  ui.system = source == ColorSource::kSystem || (source == ColorSource::kAsTheSystemSays && HighContrastOn());
  for (int i = 0; i < kColorCount; ++i) {
    ColorEntry& entry = ui.colors[i];
    const ColorSpec& spec = kColorSpecs[i];
    if (ui.system) {
      entry.text = GetSysColor(spec.sysText);
      entry.back = GetSysColor(spec.sysFill);
      if (spec.parts & kR) entry.brush.Reset(CreateSolidBrush(entry.back));
      continue;
    }
    if (spec.parts & kT) entry.text = GetColorText(spec.name);
    if (spec.parts & kB) entry.back = GetColorBack(spec.name);
    if (spec.parts & kR) entry.brush.Reset(CreateColorBrush(spec.name));
  }
  if (!ui.fallbackBrush) ui.fallbackBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
  ++ui.generation;
}

int ColorGeneration() { return Ui().generation; }

bool SystemColorsInUse() { return Ui().system; }

const char* ColorName(ColorId id) { return kColorSpecs[id].name; }
COLORREF ColorText(ColorId id) { return Ui().colors[id].text; }
COLORREF ColorBack(ColorId id) { return Ui().colors[id].back; }

HBRUSH ColorBrush(ColorId id) {
  UiResources& ui = Ui();
  if (ui.colors[id].brush) return ui.colors[id].brush.Get();
  if (!ui.fallbackBrush) ui.fallbackBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
  return ui.fallbackBrush.Get();
}

void CreateInterfaceFonts(int dpi) {
  UiResources& ui = Ui();
  for (int i = 0; i < kFontCount; ++i) {
    const FontSpec& spec = kFontSpecs[i];
    int height = ScaleToDpi(ProfileGetInt(spec.sizeKey, spec.size, "Def"), dpi);
    char face[LF_FACESIZE];
    ProfileGetString(spec.faceKey, face, spec.face, "Def", sizeof face);
    ui.fonts[i].Reset(CreateFontA(height, 0, 0, 0, spec.weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face));
  }
}

HFONT InterfaceFont(FontId id) {
  HFONT font = Ui().fonts[id].Get();
  return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void FreeUiResources() {
  UiResources& ui = Ui();
  for (ColorEntry& entry : ui.colors) entry.brush.Reset();
  for (auto& font : ui.fonts) font.Reset();
  ui.fallbackBrush.Reset();
}
