// The main window: its class, its child windows around the tactile page,
// the caption strip, the tick and the routing of every message but
// WM_COMMAND (see dispatch.h).
#pragma once
#include <windows.h>

#include "document/dot_page.h"

constexpr const char* kMainClassName = "RelivoXClass";

constexpr int kEditTextMax = 60;  // characters the text field takes

bool RegisterMainClass(HINSTANCE instance);
// Creates the main window at (100, 20) sized from the pin size; remembers
// its first rectangle.
HWND CreateMainWindow(HINSTANCE instance, int boxSize);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Stores the metrics in the page, creates the missing children, shows and
// repaints them all and rewrites the info panel.
void LayoutMainWindow(int columns, int rows, int pinSize);

// Every change of the status line goes through ShowStatus: the text is
// shown and, unless it is only shown, spoken to a screen reader (only
// changes, a burst by its last value; base/accessible.h). Only shown: what
// a screen reader takes from elsewhere, such as the name of the control
// that just got the keyboard focus.
enum class StatusSpeech { kSpoken, kShownOnly };
void ShowStatus(const char* text);
void ShowStatus(const char* text, StatusSpeech speech);
void ShowStatusText(const char* key);
void ShowStatusPos(const char* key, int x, int y);
// The info panel: device name, version, port, file title and extension.
void ShowInfoPanel();

// The window is shown at `dpi` (WM_DPICHANGED, or a start on a screen of
// another scaling): pin size, fonts, icons and every distance follow; the
// window takes `suggested` (the system's rectangle for it) when given.
void ApplyDpi(HWND window, int dpi, const RECT* suggested);

// The close sequence (WM_CLOSE and CMD_EXIT).
void CloseMainWindow(HWND window);

// The page observer of the main window: refreshes are posted, repaints
// drawn at once.
PageObserver& MainPageObserver();
// Posts CMD_REFRESH with lParam n.
void RequestRefresh(int n);
