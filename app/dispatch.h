// WM_COMMAND of the main window: what every command identifier does.
#pragma once
#include <windows.h>

void OnCommand(HWND window, WPARAM wParam, LPARAM lParam);

// The default of [Def] Web.
constexpr const char* kDefaultWebPage = "https://en.wikipedia.org/wiki/Refreshable_braille_display";
