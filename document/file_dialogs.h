// The open and save dialogs of the documents and the three file commands.
#pragma once
#include <windows.h>

constexpr int kFilterMax = 256;   // the filter text with its NUL separators

// Fill the file selection record; false when the user cancelled.
bool OpenFileDialog(HWND owner);
bool SaveFileDialog(HWND owner);

// CMD_OPEN, CMD_SAVE and CMD_SAVEAS.
void CommandOpen(HWND window);
void CommandSave(HWND window);
void CommandSaveAs(HWND window);
// Saves the page before it is replaced or the program ends: CMD_SAVE when
// a file is chosen, the save dialog otherwise, both finished on return.
void SaveBeforeLeaving(HWND window);
