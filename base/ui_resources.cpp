#include "base/ui_resources.h"

#include <cstdio>

#include "base/owners.h"
#include "base/settings.h"

namespace {

// Which values a name has: text colour, background colour, brush.
constexpr unsigned kT = 1, kB = 2, kR = 4;

struct ColorSpec {
  const char* name;
  unsigned parts;
};

// clang-format off
constexpr ColorSpec kColorSpecs[kColorCount] = {
    {"Menu", kT | kR},          {"MenuSel", kT | kR},       {"Button", kT | kR},
    {"Buttonhi", kT},           {"Button.press", kR},       {"Button.nopress", kR},
    {"Button.focus", kR},       {"Info", kR},               {"info", kT | kB},
    {"Edit", kT | kR},          {"Strich", kR},             {"Edit.Rand", kR},
    {"Status", kT | kR},        {"Trigger", kT | kR},       {"Property", kT | kR},
    {"Dot.Back", kR},           {"Dot", kR},                {"DotDarkBlue", kR},
    {"DotBlue", kR},            {"DotYellow", kR},          {"DotGreen", kR},
    {"DotBrown", kR},           {"DotDarkRed", kR},         {"DotRed", kR},
    {"DotGold", kR},            {"DotGray", kR},            {"Main.Back", kR},
    {"Icon", kR},               {"Button0", kT | kR},       {"Button1", kT | kR},
    {"Button2", kT | kR},       {"Button3", kT | kR},       {"Button4", kT | kR},
    {"Button5", kT | kR},       {"title", kT | kB | kR},    {"bmp", kR},
    {"Dlg", kT | kB | kR},      {"BTN", kT | kB | kR},      {"Static", kT | kB | kR},
    {"Ctrlbar", kT | kB | kR},  {"Scrollbar", kT | kB | kR},
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
};

UiResources& Ui() {
  static UiResources ui;
  return ui;
}

}  // namespace

void LoadColors() {
  UiResources& ui = Ui();
  for (int i = 0; i < kColorCount; ++i) {
    ColorEntry& entry = ui.colors[i];
    const ColorSpec& spec = kColorSpecs[i];
    if (spec.parts & kT) entry.text = GetColorText(spec.name);
    if (spec.parts & kB) entry.back = GetColorBack(spec.name);
    if (spec.parts & kR) entry.brush.Reset(CreateColorBrush(spec.name));
  }
  if (!ui.fallbackBrush) ui.fallbackBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
  ++ui.generation;
}

int ColorGeneration() { return Ui().generation; }

const char* ColorName(ColorId id) { return kColorSpecs[id].name; }
COLORREF ColorText(ColorId id) { return Ui().colors[id].text; }
COLORREF ColorBack(ColorId id) { return Ui().colors[id].back; }

HBRUSH ColorBrush(ColorId id) {
  UiResources& ui = Ui();
  if (ui.colors[id].brush) return ui.colors[id].brush.Get();
  if (!ui.fallbackBrush) ui.fallbackBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
  return ui.fallbackBrush.Get();
}

void CreateInterfaceFonts() {
  UiResources& ui = Ui();
  for (int i = 0; i < kFontCount; ++i) {
    const FontSpec& spec = kFontSpecs[i];
    int height = ProfileGetInt(spec.sizeKey, spec.size, "Def");
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
