// Colours, brushes and the interface fonts, read from the settings once at
// start-up (and again by a menu rebuild) and kept for the process.
#pragma once
#include <windows.h>

// Every name of the colour list of [Color], in one order.
// clang-format off
enum ColorId {
  kColMenu, kColMenuSel, kColButton, kColButtonhi, kColButtonPress, kColButtonNopress,
  kColButtonFocus, kColInfoBrush, kColInfo, kColEdit, kColStrich, kColEditRand, kColStatus,
  kColTrigger, kColProperty, kColDotBack, kColDot, kColDotDarkBlue, kColDotBlue, kColDotYellow,
  kColDotGreen, kColDotBrown, kColDotDarkRed, kColDotRed, kColDotGold, kColDotGray,
  kColMainBack, kColIcon, kColButton0, kColButton1, kColButton2, kColButton3, kColButton4,
  kColButton5, kColTitle, kColBmp, kColDlg, kColBTN, kColStatic, kColCtrlbar, kColScrollbar,
  kColorCount
};
// clang-format on

enum FontId { kFontTitle, kFontEdit, kFontMenu, kFontStatus, kFontButton, kFontDeviceButton, kFontInfo, kFontCount };

// Where the colours come from: [Color], or the system's colours (its
// window, button, menu, highlight and caption colours), or as the system
// says: its own colours while its high-contrast mode is on.
enum class ColorSource { kAsTheSystemSays, kSettings, kSystem };
// The system's high-contrast mode is on.
bool HighContrastOn();
// Reads every colour, background and brush of the colour list.
void LoadColors(ColorSource source = ColorSource::kAsTheSystemSays);
// The colours in use are the system's (high contrast).
bool SystemColorsInUse();
// Counts the LoadColors calls: whoever keeps painted pixels repaints them
// when it changed.
int ColorGeneration();
const char* ColorName(ColorId id);
COLORREF ColorText(ColorId id);
COLORREF ColorBack(ColorId id);
// The brush stays owned by the table (do not delete it).
HBRUSH ColorBrush(ColorId id);

// Creates the seven interface fonts from [Def] (old ones are deleted), their
// sizes (pixels at 96 dots per inch) scaled to `dpi`. A window that holds
// one of them must be given it again.
void CreateInterfaceFonts(int dpi = 96);
HFONT InterfaceFont(FontId id);

// Drops every brush and font (shutdown).
void FreeUiResources();
