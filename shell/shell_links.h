// Calls the main window makes into the dialogs.
#pragma once
#include <windows.h>

// Message dialog in mode 404, 405, 407 or 408: 1 confirmed, 0 cancelled.
int ShowMessageDialog(int mode);
// About dialog: 0 about, 1 device information.
void ShowAboutDialog(int mode);
// The text that the message dialog shows in mode 408 (CMD_MESSAGE).
void SetDialogMessage(const char* text);
