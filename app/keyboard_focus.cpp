#include "app/keyboard_focus.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/braille_link.h"
#include "app/camera_link.h"
#include "app/main_window.h"
#include "app/page_input.h"
#include "base/accessible.h"
#include "base/settings.h"

namespace {

constexpr int kPlacesMax = 24;
constexpr int kNameMax = 512;

// The place the keyboard left the focus in (none: the text field).
HWND g_place = nullptr;

void TextFieldName(HWND, char* out, int size) { GetText("Acc.Text", out, "Textzeile", size); }

void ListName(HWND list, char* out, int size) { BrailleListLabel(list, out, size); }

void PageName(HWND, char* out, int size) {
  char label[kValueMax], cursor[kNameMax];
  GetText("Acc.Page", label, "Seite", sizeof label);
  CursorText(cursor, sizeof cursor);
  std::snprintf(out, static_cast<std::size_t>(size), "%s %s", label, cursor);
}

const AccessibleLook kTextFieldLook = {0, TextFieldName};
const AccessibleLook kListLook = {ROLE_SYSTEM_LIST, ListName};
const AccessibleLook kPageLook = {ROLE_SYSTEM_GRAPHIC, PageName};
const AccessibleLook kKeyLook = {ROLE_SYSTEM_PUSHBUTTON, nullptr};  // named by its help text

// The places in the order Tab walks them.
int Places(HWND (&places)[kPlacesMax]) {
  int n = 0;
  auto add = [&](HWND w) {
    if (w && n < kPlacesMax) places[n++] = w;
  };
  add(g_view.editWnd);
  add(g_view.brLngWnd);
  add(g_view.brGradeWnd);
  add(g_view.page);
  for (HWND key : g_view.buttons) add(key);
  HWND bars[kPlacesMax];
  const int count = CameraFocusBars(bars, kPlacesMax);
  for (int i = 0; i < count; ++i) add(bars[i]);
  return n;
}

bool CanTakeFocus(HWND w) { return w && IsWindow(w) && IsWindowVisible(w) && IsWindowEnabled(w); }

int IndexOf(const HWND (&places)[kPlacesMax], int n, HWND w) {
  for (int i = 0; i < n; ++i)
    if (places[i] == w) return i;
  return -1;
}

bool IsBar(HWND w) {
  char cls[32] = "";
  return w && GetClassNameA(w, cls, sizeof cls) && _stricmp(cls, TRACKBAR_CLASSA) == 0;
}

// What the status line shows when a place gets the focus: its name, and
// for a list its entry.
void PlaceText(HWND w, char* out, int size) {
  out[0] = '\0';
  if (w == g_view.editWnd) {
    TextFieldName(w, out, size);
  } else if (w == g_view.brLngWnd || w == g_view.brGradeWnd) {
    char label[kValueMax], entry[kValueMax] = "";
    BrailleListLabel(w, label, sizeof label);
    const LRESULT at = SendMessageA(w, LB_GETCURSEL, 0, 0);
    if (at != LB_ERR && SendMessageA(w, LB_GETTEXTLEN, static_cast<WPARAM>(at), 0) < kValueMax)
      SendMessageA(w, LB_GETTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(entry));
    std::snprintf(out, static_cast<std::size_t>(size), "%s: %s", label, entry);
  } else if (w == g_view.page) {
    PageName(w, out, size);
  } else {
    GetWindowTextA(w, out, size);
  }
}

}  // namespace

void ExposeMainControls() {
  ExposeAccessible(g_view.editWnd, &kTextFieldLook);
  ExposeAccessible(g_view.brLngWnd, &kListLook);
  ExposeAccessible(g_view.brGradeWnd, &kListLook);
  ExposeAccessible(g_view.page, &kPageLook);
  for (HWND key : g_view.buttons) ExposeAccessible(key, &kKeyLook);
}

void BrailleListLabel(HWND list, char* out, int size) {
  if (list == g_view.brGradeWnd)
    GetText("Acc.Grade", out, "Braillegrade", size);
  else
    GetText("Acc.Lng", out, "Braillesprache", size);
}

void FocusPlace(HWND window) {
  if (!CanTakeFocus(window)) return;
  g_place = window;
  SetFocus(window);
  g_main.brailleFocus = window == g_view.brLngWnd     ? kFocusLanguage
                        : window == g_view.brGradeWnd ? kFocusGrade
                                                      : kFocusGraphic;
  BrailleShowFocus();
  char text[kNameMax];
  PlaceText(window, text, sizeof text);
  ShowStatus(text, StatusSpeech::kShownOnly);
}

void WalkFocus(int step) {
  HWND places[kPlacesMax];
  const int n = Places(places);
  if (n == 0) return;
  int at = IndexOf(places, n, GetFocus());
  if (at < 0) at = IndexOf(places, n, g_place);
  if (at < 0) at = step > 0 ? n - 1 : 0;
  for (int tries = 0; tries < n; ++tries) {
    at = ((at + step) % n + n) % n;
    if (CanTakeFocus(places[at])) {
      FocusPlace(places[at]);
      return;
    }
  }
}

void RestoreFocus() {
  // While a modal dialog runs the main window is disabled: taking the
  // focus then would pull the activation away from the dialog.
  if (!IsWindowEnabled(g_app.mainWindow) || !IsWindowVisible(g_app.mainWindow)) return;
  HWND places[kPlacesMax];
  const int n = Places(places);
  const HWND focus = GetFocus();
  if (IndexOf(places, n, focus) >= 0) {
    g_place = focus;  // the mouse may have put it there
    return;
  }
  HWND target = IndexOf(places, n, g_place) >= 0 && CanTakeFocus(g_place) ? g_place : g_view.editWnd;
  if (!target) return;
  g_place = target;
  SetFocus(target);
}

bool FocusTakesArrows() { return IsBar(GetFocus()); }

void AnnounceListEntry(HWND list) {
  char text[kNameMax];
  PlaceText(list, text, sizeof text);
  ShowStatus(text);
}
