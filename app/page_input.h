// The mouse on the main window: the on-screen device keys and the hint
// areas of the icon bar turn clicks into commands and highlight under the
// pointer; on the page the drawing tools act; a press on the text line
// picks up a floating copy of it, which the next click stamps onto the page.
#pragma once
#include <windows.h>

void OnLeftButtonDown(HWND window, WPARAM wParam, LPARAM lParam);
void OnRightButtonDown(HWND window, WPARAM wParam, LPARAM lParam);
void OnMouseMove(HWND window, WPARAM wParam, LPARAM lParam);
// The pointer left the main window: no key or icon stays highlighted.
void OnMouseLeave();

// Drops the floating text line without stamping (CMD_CANCEL, the right
// button); false when there is none.
bool DropFlyWindow();

// The on-screen device key under the pointer, 0..5; -1 for none.
int HighlightedButton();

// The icon bar for the program's state, then the info panel.
void DrawMainIconBar(HWND window);

// ToolNext (+1) and ToolPrevious (-1): the click sound, the new tool, its
// icon and its name in the status line.
void ChangeTool(int step);
