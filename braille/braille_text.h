// The braille text of the main window: the list of braille languages and
// the list of grades of the selected language, both filled from [Braille];
// the selection and its storage; the three focus marks with the braille
// hint field; and TranslateText, which turns the text line, read in the
// language's code page, into cells through the translator.
//
// [Braille] keys (LL a language number, GG a grade number, both the
// 0-based positions in the lists, written with two digits):
//   "LL" language name (one entry per key present, 00..98, no gaps)
//   "LL-GG" grade name; "LL-G" the grade chosen last for language LL
//   "LL-GG-F" the translator's table list for that grade, below "Path"
//   "LL-cp" the code page of the language's texts (0: the system's)
//   "Lng" the chosen language; "Transmode" the translation mode (4, dots);
//   "Path" the table folder below the program folder ("tbl");
//   "LogLevel" the translator's log level (0 all .. 6 none)
#pragma once
#include <windows.h>

#include <cstdint>

#include "base/settings.h"
#include "braille/braille_cells.h"
#include "braille/louis_module.h"
#include "res/resource_ids.h"

constexpr const char* kBrailleSection = "Braille";
// A table list entry ("LL-GG-F"), at most 255 bytes.
constexpr int kTableListEntrySize = 256;
// Program folder, table folder, a separator and the entry.
constexpr int kTableListTextSize = kPathMax + kValueMax + 1 + kTableListEntrySize;

// Braille focus states: what the list keys and the device keys act on.
constexpr int kFocusGraphic = 0;
constexpr int kFocusLanguage = 1;
constexpr int kFocusGrade = 2;
constexpr int kFocusStates = 3;

// The focus marks: 16 x 16 icons beside the language list, the grade list
// and the braille graphic.
constexpr int kFocusMarkSize = 16;
constexpr int kFocusMarkGap = 4;   // between a mark and its element
constexpr int kHintTextMax = 512;  // the hint field's text, escapes expanded

// The controls of the main window that the braille text uses.
struct BrailleView {
  HWND main = nullptr;           // the marks are drawn into it
  HINSTANCE instance = nullptr;  // holds the mark icons
  HWND language = nullptr;       // brLngWnd
  HWND grade = nullptr;          // brGradeWnd
  HWND hint = nullptr;           // brDotWnd
  HWND text = nullptr;           // editWnd: gets the keyboard focus back
  HWND graphic = nullptr;        // txtwnd: the braille graphic
  const char* folder = "";       // the program folder, ending in a separator
  bool menuOpen = false;
};

// The selection as last taken over (-1: the list has no entry).
struct BrailleSelection {
  int language = 0;
  int grade = 0;
  HWND lastList = nullptr;     // the list that last had the selection
  bool languageTaken = false;  // a new language taken over, not yet translated
};

// One focus mark: where it is drawn, the command a click on it gives and
// its hover text.
struct FocusMark {
  int x = 0, y = 0;
  int command = 0;
  char text[kValueMax] = "";
  bool shown = false;  // its element exists
};
constexpr int kFocusMarks = 3;

// Fills both lists from the settings and selects the stored entries (an
// entry that does not exist selects the first), draws them and the marks.
void FillBrailleLists(const BrailleView& view, BrailleSelection& selection, int focus);

// A list notification (selection changed, double click, focus gained):
// the keyboard focus goes back to the text field; the grade list sets the
// focus state 2; the language list sets 1, takes the language over, stores
// it and refills the grades with the one stored for it.
void BrListSet(const BrailleView& view, BrailleSelection& selection, HWND list, int& focus);

// Stores the current selections; with `out` (kTableListEntrySize bytes)
// also delivers the table list entry of that grade ("-" when none).
void GetBrList(const BrailleView& view, char* out);

// Takes over a new language (through BrListSet) or grade; true when the
// selection changed since the last call.
bool CheckBrailleSelection(const BrailleView& view, BrailleSelection& selection, int& focus);

// Redraws the three focus marks and the hint text of the focus state.
void ShowBrailleFocus(const BrailleView& view, int focus);
// Where the marks are, with their commands and hover texts, in the order
// language list, grade list, braille graphic.
void BrailleFocusMarks(const BrailleView& view, FocusMark (&marks)[kFocusMarks]);

// The text in the code page (0: the system's) as 32-bit characters, at
// most kBrailleWorkSize - 1 of them, zero-filled behind. A byte sequence
// the code page does not define becomes "?"; a code page that cannot be
// used gives an empty text. Each is logged. Returns the character count.
int TextToChars(const char* text, int codePage, LouisChar (&chars)[kBrailleWorkSize]);

// Translates the text with the table list and code page of the selected
// language and grade, in the mode of [Braille] Transmode: 1 with the cells
// (translator dot order, at least 10, `cells` holds kBrailleWorkSize bytes)
// and their count; 0 when the translator is missing or fails, the count
// left alone.
int TranslateText(const LouisModule& louis, const BrailleView& view, const char* text, std::uint8_t* cells,
                  std::uint16_t* count);
