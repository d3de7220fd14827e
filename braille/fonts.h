// The fonts that text and braille are rendered into the pins with: the
// font files of [Braillefont], made available to this process only while
// it runs, and the four render fonts chosen per language ("BFont", "TFont"
// and their faces and heights in the language section).
#pragma once
#include <windows.h>

#include "braille/braille_form.h"

// Keys "00" .. "98" of [Braillefont].
constexpr int kFontFileKeys = 99;
// Font numbers a menu entry can choose (CMD_BFONT + n, CMD_TFONT + n).
constexpr int kFontChoices = 10;

enum RenderFontId { kFontBrailleLarge, kFontTextLarge, kFontBrailleSmall, kFontTextSmall, kRenderFontCount };

// Registers every font file named in [Braillefont] for this process and
// logs "Schriftart hinzugefügt:%d" with the number of fonts each added. A
// relative name is taken from the working folder, or else from the
// program folder.
void RegisterFontFiles(const char* programFolder);
// Unregisters the same files, logging "Schriftart entfernt:%d" for each.
void RemoveFontFiles();

// (Re)creates the four render fonts from the language section.
void BmpFontInit();
// A render font; the stock system font while none could be made.
HFONT RenderFont(RenderFontId id);
// The font menus' choice: writes n as "BFont" or "TFont" of the language
// section and makes the fonts again.
void ChooseBrailleFont(int n);
void ChooseTextFont(int n);

// "TransSrc" and "TransTxt": cleared with the interface resources, read
// again with the language texts.
void ClearSubstitutionTexts();
void ReadSubstitutionTexts();
const BrailleSubstitution& Substitution();
