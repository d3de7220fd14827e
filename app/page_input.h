// The mouse on the main window: the on-screen device keys and the hint
// areas of the icon bar turn clicks into commands and highlight under the
// pointer; on the page the drawing tools act; a press on the text line
// picks up a floating copy of it, which the next click stamps onto the page.
#pragma once
#include <windows.h>

#include <cstdint>

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

// ---- the pin cursor: drawing with keys ------------------------------------
// While the page has the keyboard focus, the arrow keys move the pin cursor
// (with Shift they draw), Space raises or lowers the pin under it, Enter
// applies the tool there, Esc drops a shape's anchor, and the device keys
// work the cursor. Each action is announced: "[12  8] raised".

bool PageHasFocus();
// CMD_LEFT, CMD_RIGHT, CMD_UP, CMD_DOWN (lParam 1: with the pen), CMD_PIN,
// CMD_OK and CMD_CANCEL (with an anchor set) while the page has the focus;
// false otherwise, and the command does its other work.
bool CursorCommand(int id, LPARAM lParam);
// A device key (0..5) while the page has the focus: 1 raise or lower,
// 2 up, 3 left, 4 right, 5 down, 6 apply the tool. False otherwise.
bool CursorDeviceKey(int key);
// The page got or lost the keyboard focus: the cursor is shown or taken
// away, on the screen and on the device.
void PageFocusChanged();
// "[ x  y] raised" (or lowered) for the pin under the cursor.
void CursorText(char* out, int size);
// The cursor's frame on the page window, after the page was painted.
void PaintCursor();
// The tick: while the page has the focus, the cursor's pin blinks on the
// device (kCursorBlinkTicks per phase), and a moved cursor is felt at its
// new place (at most one frame every kCursorFrameTicks).
constexpr int kCursorBlinkTicks = 10;  // 500 ms: one blink a second
constexpr int kCursorFrameTicks = 2;   // 100 ms
void CursorBlinkTick();
// The packed graphic as the device shows it: the cursor's pin inverted in
// the blink's marked phase (never while the camera or screen view runs).
void CursorOnDevice(std::uint8_t* graphic);
// CMD_CURSOR_BLINK: the blinking on or off ([Def] "Cursor.Blink").
void ToggleCursorBlink();
// Another command on the page ends a pen run of the cursor.
void EndCursorRun();
