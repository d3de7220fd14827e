// The interface language: the menus and every text the program keeps
// between two reads (title, the label of a missing device, the character
// substitution, the render fonts of the language) come from the language
// section, and all of them are read again in one place when it changes.
#pragma once

// Reads the kept texts of the current language section again.
void RefreshLanguageTexts();
// Builds the menus and texts again and lays the main window out
// (start-up, a language change, a font choice).
void RebuildMenus();
// CMD_LANGUAGE + n: language n of the list becomes the interface language.
void ChooseLanguage(int n);
