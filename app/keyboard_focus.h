// The keyboard's way through the main window, and what a screen reader
// hears of each control on it.
//
// Tab and Shift+Tab (CMD_TAB, CMD_BTAB) walk the keyboard focus through the
// places of the window in this order: the text field, the braille language
// list, the braille grade list, the page (its pin cursor), the six device
// keys and, while the camera view is open, its threshold, zoom and picture
// sliders (those that can move). The braille focus state follows the
// focus: 1 on the language list, 2 on the grade list, 0 elsewhere. The
// focus stays where the keyboard left it: a repaint or an activation of
// the window gives it back to that place, not to the text field.
#pragma once
#include <windows.h>

// The roles and names of the main window's controls (once they exist).
void ExposeMainControls();
// CMD_TAB (+1) and CMD_BTAB (-1).
void WalkFocus(int step);
// The focus to one place (CMD_FOCUS_PAGE, CMD_FOCUS_LANG, ...); the status
// line shows its name (the screen reader says it from the focus itself).
void FocusPlace(HWND window);
// CMD_FOCUS_EDIT: the focus back to the place the keyboard left it in.
void RestoreFocus();
// The focused control moves with Up and Down itself (a camera slider).
bool FocusTakesArrows();
// A braille list's selection moved: the status line says the new entry.
void AnnounceListEntry(HWND list);
// The label of a braille list ("Braillesprache"), for its name and its
// announcements.
void BrailleListLabel(HWND list, char* out, int size);
