// Owner drawing of the program's buttons (the dialogs' buttons, and any
// owner-drawn button of the main window): a flat face in the program's
// colours, the caption (looked up as a language text where it is a key of
// the language section), a pressed or raised edge and a focus mark.
#pragma once
#include <windows.h>

#include "base/owners.h"

// Item state bits that draw the pressed look: selected, focus, hot.
constexpr UINT kButtonPressedStates = 0x51;
// Caption buffer of a button (its window text, then the language text).
constexpr int kButtonCaptionMax = 128;

// The brushes, colours and font a button is drawn with.
struct ButtonLook {
  HFONT font;
  HBRUSH face;      // "Button"
  HBRUSH press;     // "Button.press"
  HBRUSH nopress;   // "Button.nopress"
  HBRUSH focus;     // "Button.focus"
  COLORREF text;    // "Button"
  COLORREF textHi;  // "Buttonhi", the caption of the focused button
};

// Owns what a ButtonLook points to, read from [Color] and the button font
// of [Def] ("buttonfont.size", "Buttonfont.font", weight 700).
class ButtonResources {
 public:
  ButtonResources();
  ButtonResources(const ButtonResources&) = delete;
  ButtonResources& operator=(const ButtonResources&) = delete;
  const ButtonLook& Look() const { return look_; }

 private:
  GdiObject<HFONT> font_;
  GdiObject<HBRUSH> face_, press_, nopress_, focus_;
  ButtonLook look_{};
};

// Creates the button font from [Def] (the caller owns it).
HFONT CreateButtonFont();

// Draws one owner-drawn button for WM_DRAWITEM:
//  - whole item: face, then the caption (window text looked up as a key of
//    the language section where it is one, else the text itself), centred
//    on one line;
//  - whole item, selection or focus: the pressed look (4-pixel right and
//    bottom edges "Button.press", 2-pixel top and left "Button.nopress")
//    for the states 0x51, else the raised look (4-pixel right and bottom
//    edges "Button.nopress");
//  - while it has the focus: 2-pixel right and bottom and 1-pixel top and
//    left edges "Button.focus" and a dotted focus rectangle inset 3, 2, 3, 3.
//    Losing the focus or a change of the selection draws the whole button
//    again, so that no mark of the earlier state stays behind.
void DrawOwnerButton(const DRAWITEMSTRUCT& item, const ButtonLook& look);
