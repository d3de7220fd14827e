// The menus of the main window, built from the settings: the menu bar and
// its menus from the language section and [CMD], the live submenus
// (languages, braille and text fonts, cameras, resolutions, serial ports),
// the camera pop-up, and the owner drawing of the menu bar in the
// settings' colours and font.
//
// The menu bar is owner-drawn. So that screen readers still find its
// captions, the item data of every owner-drawn item starts with the
// platform's MSAAMENUINFO record, which carries the caption as wide text.
#pragma once
#include <windows.h>
#include <oleacc.h>

#include "base/settings.h"

constexpr int kMenuCaptionMax = 40;    // captions of the menus and their items
constexpr int kPopupCaptionMax = 80;   // captions of the camera pop-up
constexpr int kMenuBarMax = 10;        // "Menu0" .. "Menu9"
constexpr int kMenuItemsMax = 10;      // "Menu%1d-0" .. "Menu%1d-9"
constexpr int kLanguageListMax = 40;   // entries of [Language] that are listed
constexpr int kLanguageCodeMax = 100;  // a language code, terminator included
constexpr int kCameraPopupMax = 99;    // "PCam00" .. "PCam98"

// Owner-draw record of one menu-bar entry; the screen reader's record comes
// first, as the platform requires.
struct MenuBarEntry {
  MSAAMENUINFO msaa;
  wchar_t wide[kMenuCaptionMax + 1];
  char caption[kMenuCaptionMax + 1];
  int index;
};

// What the menus are filled from besides the settings.
struct MenuSources {
  // Present serial ports: how many, and the port number at position i.
  int (*portCount)();
  int (*portAt)(int i);
  // The live camera and resolution lists; either may be null (the menus
  // then stay empty).
  void (*fillCameras)(HMENU menu);
  void (*fillResolutions)(HMENU menu);
};

// Handles kept for other parts; valid until the next BuildMenus.
struct MenuHandles {
  HMENU bar = nullptr;
  HMENU language = nullptr;
  HMENU brailleFont = nullptr;
  HMENU textFont = nullptr;
  HMENU camera = nullptr;
  HMENU resolution = nullptr;
  HMENU port = nullptr;
  HMENU cameraPopup = nullptr;
};

// The texts the menu announcement reads out, read by every build.
struct MenuTexts {
  char grau[kValueMax] = "";
  char mark[kValueMax] = "";
  char subMenu[kValueMax] = "";
  char sysMenu[kValueMax] = "";
  char menu[kValueMax] = "";
};

// The colours and font of the menu bar.
struct MenuLook {
  HFONT font;
  HBRUSH face, faceSelected;  // "Menu", "MenuSel"
  COLORREF text, textSelected;
};

// Destroys the previous menus and builds them all again from the language
// section, [CMD] and the sources; gives the bar to the window and redraws
// it. The caller lays the window out afterwards.
void BuildMenus(HWND window, const MenuSources& sources);
const MenuHandles& Menus();
const MenuTexts& MenuAnnounceTexts();

// The language list of the last build: its count and the code of entry n
// (nullptr when n is out of range).
int LanguageCount();
const char* LanguageCode(int n);

// Checks entry `checked` (by position) of a menu and unchecks the first
// `count` entries else.
void CheckMenuEntry(HMENU menu, int count, int checked);

// The caption of an item by position: the owner-draw record's caption for
// an owner-drawn item, else the item's own text. Empty when there is none.
void MenuItemCaption(HMENU menu, UINT position, char* out, int size);

// WM_MEASUREITEM, WM_DRAWITEM and WM_MENUCHAR for the menu bar; false (or
// 0) when the item is not one of its entries.
bool MeasureMenuBarEntry(MEASUREITEMSTRUCT& item, HFONT font);
bool DrawMenuBarEntry(const DRAWITEMSTRUCT& item, const MenuLook& look);
// The access letter of an owner-drawn entry opens it.
// A character in upper case, by the platform's rule for the ANSI code page.
char UpperChar(char c);
LRESULT MenuBarChar(HMENU menu, char letter);
