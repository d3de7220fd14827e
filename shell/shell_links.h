// Calls the main window makes into the key definitions, the sound feedback
// and the dialogs.
#pragma once
#include <windows.h>

int PlayEventSound(const char* event, int mode);
// Message dialog in mode 404, 405, 407 or 408: 1 confirmed, 0 cancelled.
int ShowMessageDialog(int mode);
// About dialog: 0 about, 1 device information.
void ShowAboutDialog(int mode);
// Looks a key forwarded by the keyboard hook up; posts its command.
bool FindKey(HWND window, int key);
// The text that the message dialog shows in mode 408 (CMD_MESSAGE).
void SetDialogMessage(const char* text);
// Clears the key table and the registered hot keys, reads and defines every
// [HotKeys] line; returns the number of definitions with a key.
int ReadKeyDefinitions(HWND mainWindow);
// The thread keyboard hook posting to the target; false when refused.
bool InstallKeyboardHook(HWND target);
void RemoveKeyboardHook();
void UnregisterHotKeys(HWND mainWindow);
