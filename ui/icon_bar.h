// The icon bar right of the page: connect, undo, accept, the current tool,
// camera on/off and the arrows that choose the tool, each a hint area that
// shows its text under the pointer and sends its command when clicked.
#pragma once
#include <windows.h>

#include "ui/hover_areas.h"

// What the bar shows; the program fills it in for every drawing.
struct IconBarView {
  HWND window;         // the main window, drawn into
  HINSTANCE instance;  // holds the icons
  int columns;
  int pinSize;
  bool connected;
  bool cameraOn;
  int tool;           // 1..10
  HBRUSH background;  // "Main.Back"
  HBRUSH frame;       // "Icon": the frame of the area under the pointer
  int dpi;            // the screen's scaling: the icons' size
};

// Adds hint areas of another part between the camera icon and the arrows
// (the braille focus marks, commands 305..307).
using HintAreaRegistrar = void (*)(HoverAreas& areas);
void SetFocusMarkRegistrar(HintAreaRegistrar registrar);

// Draws the icons and registers the hint areas anew, in this order:
// connect, back, accept, tool, camera, the focus marks, the arrows.
void DrawIconBar(const IconBarView& view);

// The hint areas of the main window (also for areas of the camera view).
HoverAreas& HintAreas();

// Frames the hint area under (x, y) and takes the frame off the one framed
// before; returns its index, -1 when the pointer is over none. `changed`
// tells whether that differs from the last call.
int HoverHintArea(const IconBarView& view, int x, int y, bool& changed);
