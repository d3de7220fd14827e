#include "app/braille_link.h"

#include "app/app_state.h"
#include "app/keyboard_focus.h"
#include "braille/braille_text.h"
#include "ui/dialogs.h"

namespace {

// A list the keyboard walked to keeps the focus; one chosen with the mouse
// gives it back to the text field, where typing goes on.
bool KeysOnList() {
  const HWND focus = GetFocus();
  return focus && (focus == g_view.brLngWnd || focus == g_view.brGradeWnd) && !(GetKeyState(VK_LBUTTON) & 0x8000);
}

BrailleView View() {
  BrailleView view;
  view.main = g_app.mainWindow;
  view.instance = g_app.instance;
  view.language = g_view.brLngWnd;
  view.grade = g_view.brGradeWnd;
  view.hint = g_view.brDotWnd;
  view.text = KeysOnList() ? nullptr : g_view.editWnd;
  view.graphic = g_view.txtwnd;
  view.folder = g_app.programFolder;
  view.menuOpen = g_main.menuOpen;
  return view;
}

}  // namespace

void BrailleStart() {
  if (StartLouis(g_louis, g_app.programFolder) != 0 && ShowMessageDialog(kModeLouisMissing) == 0)
    PostMessageA(g_app.mainWindow, WM_CLOSE, 0, 0);
}

void BrailleLayout() { FillBrailleLists(View(), g_braille, g_main.brailleFocus); }

void BrailleListNotified(HWND list, int code) {
  const bool keys = KeysOnList();
  BrListSet(View(), g_braille, list, g_main.brailleFocus);
  if (keys && code == LBN_SELCHANGE) AnnounceListEntry(list);
}

void BrailleShowFocus() { ShowBrailleFocus(View(), g_main.brailleFocus); }

void BrailleFocusAreas(HoverAreas& areas) {
  const BrailleView view = View();
  ShowBrailleFocus(view, g_main.brailleFocus);
  FocusMark marks[kFocusMarks];
  BrailleFocusMarks(view, marks);
  for (const FocusMark& mark : marks)
    if (mark.shown) AddHoverArea(areas, mark.x, mark.y, kFocusMarkSize, mark.command, mark.text);
}

bool BrailleSelectionChanged() { return CheckBrailleSelection(View(), g_braille, g_main.brailleFocus); }

int BrailleTranslate(const char* text, std::uint8_t* cells, std::uint16_t* count) {
  return TranslateText(g_louis, View(), text, cells, count);
}

void BrailleClose() {
  FreeLouis(g_louis);
  GetBrList(View(), nullptr);
}
