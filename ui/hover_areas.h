// The hint areas of the main window: small rectangles (the icons of the
// icon bar, the braille focus marks, the camera's trigger spot) that show
// a text while the pointer is over them and send a command when clicked.
// Plain geometry, free of platform headers.
#pragma once

constexpr int kHoverAreaMax = 16;
constexpr int kHoverTextMax = 80;

struct HoverArea {
  int left, top, right, bottom;  // right and bottom exclusive
  int command;                   // posted when the area is clicked
  char text[kHoverTextMax];      // shown while the pointer is over it
};

struct HoverAreas {
  HoverArea area[kHoverAreaMax];
  int count = 0;
};

void ClearHoverAreas(HoverAreas& areas);
// Adds a size x size area at (x, y); false when the list is full.
bool AddHoverArea(HoverAreas& areas, int x, int y, int size, int command, const char* text);
// Index of the first area that holds (x, y); -1 when none does.
int HoverAreaAt(const HoverAreas& areas, int x, int y);
