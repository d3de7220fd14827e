#include "ui/button_draw.h"

#include "base/settings.h"

namespace {

void FillEdge(HDC dc, int left, int top, int right, int bottom, HBRUSH brush) {
  RECT r{left, top, right, bottom};
  FillRect(dc, &r, brush);
}

void DrawFace(const DRAWITEMSTRUCT& item, const ButtonLook& look) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  FillRect(dc, &r, look.face);
  char caption[kButtonCaptionMax] = "";
  GetWindowTextA(item.hwndItem, caption, sizeof caption);
  // A caption that is still a key (a dialog translates its buttons when it
  // starts) is looked up; any other text is drawn as it stands.
  char text[kButtonCaptionMax] = "";
  CopyText(text, sizeof text, caption);
  // language keys read only where present
  if (caption[0] && ProfileHasKey(caption, LanguageSection())) GetText(caption, text, caption, sizeof text);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, (item.itemState & ODS_FOCUS) ? look.textHi : look.text);
  SelectGuard font(dc, look.font);
  DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void DrawEdges(const DRAWITEMSTRUCT& item, const ButtonLook& look) {
  HDC dc = item.hDC;
  const RECT& r = item.rcItem;
  if (item.itemState & kButtonPressedStates) {
    FillEdge(dc, r.right - 4, r.top, r.right, r.bottom, look.press);
    FillEdge(dc, r.left, r.bottom - 4, r.right, r.bottom, look.press);
    FillEdge(dc, r.left, r.top, r.right, r.top + 2, look.nopress);
    FillEdge(dc, r.left, r.top, r.left + 2, r.bottom, look.nopress);
  } else {
    FillEdge(dc, r.right - 4, r.top, r.right, r.bottom, look.nopress);
    FillEdge(dc, r.left, r.bottom - 4, r.right, r.bottom, look.nopress);
  }
}

void DrawFocus(const DRAWITEMSTRUCT& item, const ButtonLook& look) {
  HDC dc = item.hDC;
  const RECT& r = item.rcItem;
  FillEdge(dc, r.right - 2, r.top, r.right, r.bottom, look.focus);
  FillEdge(dc, r.left, r.bottom - 2, r.right, r.bottom, look.focus);
  FillEdge(dc, r.left, r.top, r.right, r.top + 1, look.focus);
  FillEdge(dc, r.left, r.top, r.left + 1, r.bottom, look.focus);
  RECT inner{r.left + 3, r.top + 2, r.right - 3, r.bottom - 3};
  DrawFocusRect(dc, &inner);
}

}  // namespace

HFONT CreateButtonFont() {
  int size = ProfileGetInt("buttonfont.size", 32, "Def");
  char face[kValueMax];
  ProfileGetString("Buttonfont.font", face, "Arial", "Def", sizeof face);
  return CreateFontA(size, 0, 0, 0, 700, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

ButtonResources::ButtonResources()
    : font_(CreateButtonFont()),
      face_(CreateColorBrush("Button")),
      press_(CreateColorBrush("Button.press")),
      nopress_(CreateColorBrush("Button.nopress")),
      focus_(CreateColorBrush("Button.focus")) {
  look_.font = font_.Get();
  look_.face = face_.Get();
  look_.press = press_.Get();
  look_.nopress = nopress_.Get();
  look_.focus = focus_.Get();
  look_.text = GetColorText("Button");
  look_.textHi = GetColorText("Buttonhi");
}

void DrawOwnerButton(const DRAWITEMSTRUCT& item, const ButtonLook& look) {
  bool entire = (item.itemAction & ODA_DRAWENTIRE) != 0;
  bool focusChange = (item.itemAction & ODA_FOCUS) != 0;
  bool hasFocus = (item.itemState & ODS_FOCUS) != 0;
  // A button that loses the focus is drawn again as a whole, so that no
  // focus mark stays behind.
  if (focusChange && !hasFocus) entire = true;
  // Released after a press: the face again, so the pressed edges go too.
  if (item.itemAction & ODA_SELECT) entire = true;
  if (entire) DrawFace(item, look);
  if (item.itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS)) DrawEdges(item, look);
  if (hasFocus && (entire || focusChange)) DrawFocus(item, look);
}
