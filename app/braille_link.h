// The main window's side of the braille text: the translator loaded at
// start-up and released at close, the lists filled at every layout, their
// notifications, the focus marks, and the translation the device session
// asks for on the tick.
#pragma once
#include <windows.h>

#include <cstdint>

#include "ui/hover_areas.h"

// Start-up: loads the translator; when that fails, the user is told and
// may close the program.
void BrailleStart();
// Fills the language and grade lists (every layout).
void BrailleLayout();
// Notifications 119 and 120 of the lists (the notification code): a list
// the keyboard is on keeps the focus and says a new entry.
void BrailleListNotified(HWND list, int code);
// Redraws the focus marks and the hint field.
void BrailleShowFocus();
// The same, and the marks join the main window's hint areas (the icon bar
// asks for them while it registers its own).
void BrailleFocusAreas(HoverAreas& areas);
// The session's tick: a new language or grade taken over.
bool BrailleSelectionChanged();
// The session's translation of the text line.
int BrailleTranslate(const char* text, std::uint8_t* cells, std::uint16_t* count);
// Close: the translator's tables released, the selection stored.
void BrailleClose();
