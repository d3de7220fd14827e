#include "ui/hover_areas.h"

#include "base/text.h"

void ClearHoverAreas(HoverAreas& areas) { areas.count = 0; }

bool AddHoverArea(HoverAreas& areas, int x, int y, int size, int command, const char* text) {
  if (areas.count >= kHoverAreaMax) return false;
  HoverArea& a = areas.area[areas.count++];
  a = HoverArea{x, y, x + size, y + size, command, ""};
  CopyText(a.text, sizeof a.text, text);
  return true;
}

int HoverAreaAt(const HoverAreas& areas, int x, int y) {
  for (int i = 0; i < areas.count; ++i) {
    const HoverArea& a = areas.area[i];
    if (x >= a.left && x < a.right && y >= a.top && y < a.bottom) return i;
  }
  return -1;
}
