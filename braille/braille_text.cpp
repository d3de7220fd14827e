#include "braille/braille_text.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/commands.h"
#include "base/log.h"
#include "base/owners.h"
#include "base/text.h"
#include "base/trace.h"

namespace {

constexpr int kBrailleKeys = 99;  // keys 00 .. 98
constexpr int kKeySize = 16;
constexpr const char* kNoTable = "-";
constexpr UINT kConvertFlags = MB_PRECOMPOSED | MB_ERR_INVALID_CHARS;
constexpr wchar_t kUnknownChar = L'?';

static_assert(sizeof(wchar_t) == sizeof(std::uint16_t), "UTF-16 units");

int Selection(HWND list) {
  if (!list) return -1;
  LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? -1 : static_cast<int>(index);
}

// Selects entry `index`, or the first when it does not exist; returns the
// entry selected (-1 for an empty list).
int Select(HWND list, int index) {
  LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  if (count <= 0) return -1;
  if (index < 0 || index >= count) index = 0;
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  return index;
}

void LanguageKey(char (&key)[kKeySize], int language, const char* suffix) {
  std::snprintf(key, sizeof key, "%02d%s", language, suffix);
}

void GradeKey(char (&key)[kKeySize], int language, int grade, const char* suffix) {
  std::snprintf(key, sizeof key, "%02d-%02d%s", language, grade, suffix);
}

// Puts the entries into a list unless it holds them already: every layout
// asks for them again, and refilling a shown list costs a repaint per entry.
void SetEntries(HWND list, const std::vector<std::string>& entries) {
  const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  bool same = count == static_cast<LRESULT>(entries.size());
  for (std::size_t i = 0; same && i < entries.size(); ++i) {
    char text[kValueMax] = "";
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, i, 0);
    same = length >= 0 && length < static_cast<LRESULT>(sizeof text) &&
           SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text)) >= 0 && entries[i] == text;
  }
  if (same) return;
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& entry : entries) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

// Fills the grade list of a language and selects its stored grade.
int FillGrades(HWND list, int language) {
  std::vector<std::string> grades;
  char key[kKeySize];
  char name[kValueMax];
  for (int g = 0; language >= 0 && g < kBrailleKeys; ++g) {
    GradeKey(key, language, g, "");
    if (!ProfileHasKey(key, kBrailleSection)) continue;
    ProfileGetString(key, name, "-", kBrailleSection, sizeof name);
    grades.push_back(name);
  }
  SetEntries(list, grades);
  if (language < 0) return -1;
  LanguageKey(key, language, "-G");
  return Select(list, ProfileGetInt(key, 0, kBrailleSection));
}

// The selection is stored on every translation: the file is written only
// when a value changed.
void StoreInt(const char* key, int value) {
  if (!ProfileHasKey(key, kBrailleSection) || ProfileGetInt(key, value, kBrailleSection) != value)
    ProfileWriteInt(key, value, kBrailleSection);
}

// Repainted when the queue has nothing else to do.
void Redraw(HWND window) { InvalidateRect(window, nullptr, TRUE); }

// MultiByteToWideChar with the strictest flags the code page takes.
int Convert(int codePage, const char* bytes, int length, wchar_t* out, int capacity) {
  for (UINT flags : {kConvertFlags, static_cast<UINT>(MB_ERR_INVALID_CHARS), 0u}) {
    int got = MultiByteToWideChar(static_cast<UINT>(codePage), flags, bytes, length, out, capacity);
    if (got > 0 || GetLastError() != ERROR_INVALID_FLAGS) return got;
  }
  return 0;
}

// Bytes of the character that starts at text[i] in the code page.
int CharLength(int codePage, const char* text, int i, int length) {
  const auto lead = static_cast<unsigned char>(text[i]);
  int n = 1;
  if (codePage == CP_UTF8) {
    n = lead >= 0xF8 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  } else if (IsDBCSLeadByteEx(static_cast<UINT>(codePage), lead)) {
    n = 2;
  }
  return i + n <= length ? n : length - i;
}

// The text character by character, each one the code page does not
// define becoming kUnknownChar; after such a byte the next one starts a
// character again. Returns the units written.
int ConvertEach(int codePage, const char* text, int length, wchar_t* out, int capacity, int& unknown) {
  int units = 0;
  for (int i = 0; i < length && units < capacity;) {
    const int n = CharLength(codePage, text, i, length);
    const int got = Convert(codePage, text + i, n, out + units, capacity - units);
    if (got > 0) {
      units += got;
      i += n;
    } else {
      out[units++] = kUnknownChar;
      ++unknown;
      ++i;
    }
  }
  return units;
}

}  // namespace

void FillBrailleLists(const BrailleView& view, BrailleSelection& selection, int focus) {
  if (!view.language || !view.grade) return;
  std::vector<std::string> languages;
  char key[kKeySize];
  char name[kValueMax];
  for (int n = 0; n < kBrailleKeys; ++n) {
    LanguageKey(key, n, "");
    if (!ProfileHasKey(key, kBrailleSection)) continue;
    ProfileGetString(key, name, "", kBrailleSection, sizeof name);
    languages.push_back(name);
  }
  SetEntries(view.language, languages);
  selection.language = Select(view.language, ProfileGetInt("Lng", 0, kBrailleSection));
  if (selection.language >= 0) SendMessageA(view.language, LB_SETTOPINDEX, static_cast<WPARAM>(selection.language), 0);
  Redraw(view.language);
  selection.grade = FillGrades(view.grade, selection.language);
  Redraw(view.grade);
  ShowBrailleFocus(view, focus);
}

void BrListSet(const BrailleView& view, BrailleSelection& selection, HWND list, int& focus) {
  LogWrite("brListSet: %04X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(list)));
  if (view.text) SetFocus(view.text);
  if (list && list == view.grade) {
    selection.lastList = list;
    focus = kFocusGrade;
  } else if (list && list == view.language) {
    selection.lastList = list;
    focus = kFocusLanguage;
    const int language = Selection(list);
    if (language >= 0) {
      if (language != selection.language) selection.languageTaken = true;
      selection.language = language;
      ProfileWriteInt("Lng", language, kBrailleSection);
      FillGrades(view.grade, language);
      Redraw(view.grade);
    }
  }
  ShowBrailleFocus(view, focus);
}

void GetBrList(const BrailleView& view, char* out) {
  const int language = Selection(view.language);
  const int grade = Selection(view.grade);
  char key[kKeySize];
  if (language >= 0) {
    StoreInt("Lng", language);
    LanguageKey(key, language, "-G");
    if (grade >= 0) StoreInt(key, grade);
  }
  if (!out) return;
  if (language < 0 || grade < 0) {
    CopyText(out, kTableListEntrySize, kNoTable);
    LogWrite("GetBrList: keine Auswahl (%d, %d)", language, grade);
    return;
  }
  GradeKey(key, language, grade, "-F");
  ProfileGetString(key, out, kNoTable, kBrailleSection, kTableListEntrySize);
  LogWrite("GetBrList:%s=%s", key, out);
}

bool CheckBrailleSelection(const BrailleView& view, BrailleSelection& selection, int& focus) {
  bool changed = false;
  if (Selection(view.language) != selection.language) {
    BrListSet(view, selection, view.language, focus);
    changed = true;
  }
  const int grade = Selection(view.grade);
  if (grade != selection.grade) changed = true;
  selection.grade = grade;
  // A language taken over by its list's own notification: its grade may
  // carry the same number as the old one.
  if (selection.languageTaken) changed = true;
  selection.languageTaken = false;
  return changed;
}

void BrailleFocusMarks(const BrailleView& view, FocusMark (&marks)[kFocusMarks]) {
  struct Element {
    HWND window;
    int command;
    const char* key;
    const char* def;
  };
  const Element elements[kFocusMarks] = {
      {view.language, CMD_FOCUS_LANG, "RadioBrLng", "Braillesprache ausw\xe4hlen"},
      {view.grade, CMD_FOCUS_GRADE, "RadioBrGrade", "Braillegrade ausw\xe4hlen"},
      {view.graphic, CMD_FOCUS_GRAPHIC, "RadioBrDisp", "Braillegrafik ausw\xe4hlen"},
  };
  for (int i = 0; i < kFocusMarks; ++i) {
    FocusMark& mark = marks[i];
    mark = FocusMark{};
    mark.command = elements[i].command;
    // language keys: RadioBrLng RadioBrGrade RadioBrDisp
    GetText(elements[i].key, mark.text, elements[i].def, sizeof mark.text);
    if (!view.main || !elements[i].window) continue;
    RECT r;
    GetWindowRect(elements[i].window, &r);
    MapWindowPoints(nullptr, view.main, reinterpret_cast<POINT*>(&r), 2);
    mark.x = r.left - kFocusMarkSize - kFocusMarkGap;
    mark.y = r.top + (r.bottom - r.top - kFocusMarkSize) / 2;
    mark.shown = true;
  }
}

void ShowBrailleFocus(const BrailleView& view, int focus) {
  FocusMark marks[kFocusMarks];
  BrailleFocusMarks(view, marks);
  // Mark i belongs to focus state i + 1, the last one to state 0.
  if (view.main) {
    WindowDc dc(view.main);
    for (int i = 0; i < kFocusMarks; ++i) {
      if (!marks[i].shown) continue;
      const int state = (i + 1) % kFocusStates;
      const int id = view.menuOpen ? IDI_FOCUS_MENU : state == focus ? IDI_FOCUS_CHOSEN : IDI_FOCUS_NOT_CHOSEN;
      // Shared icons belong to the system: never destroyed here.
      auto icon = static_cast<HICON>(
          LoadImageA(view.instance, MAKEINTRESOURCEA(id), IMAGE_ICON, kFocusMarkSize, kFocusMarkSize, LR_SHARED));
      if (icon && dc)
        DrawIconEx(dc.Get(), marks[i].x, marks[i].y, icon, kFocusMarkSize, kFocusMarkSize, 0, nullptr, DI_NORMAL);
    }
  }
  if (!view.hint) return;
  char key[kKeySize];
  if (view.menuOpen) {
    CopyText(key, sizeof key, "BRmenu");
  } else {
    std::snprintf(key, sizeof key, "BR%1d", focus);
  }
  char text[kUnescapeWorkArea];
  // language keys: BR{0..2} BRmenu
  GetText(key, text, "", kValueMax);
  UnescapeText(text, kHintTextMax);
  text[kHintTextMax - 1] = '\0';
  char shown[kHintTextMax] = "";
  GetWindowTextA(view.hint, shown, sizeof shown);
  if (std::strcmp(shown, text) != 0) SetWindowTextA(view.hint, text);
}

int TextToChars(const char* text, int codePage, LouisChar (&chars)[kBrailleWorkSize]) {
  std::memset(chars, 0, sizeof chars);
  char work[kBrailleWorkSize];
  const std::size_t given = text ? std::strlen(text) : 0;
  const int length = static_cast<int>(CopyText(work, sizeof work, text ? text : ""));
  if (given > static_cast<std::size_t>(length)) LogWrite("Err: Text zu lang, %d von %u Byte", length, unsigned(given));
  if (length == 0) return 0;
  wchar_t wide[kBrailleWorkSize] = {};
  const int capacity = kBrailleWorkSize - 1;
  int units = Convert(codePage, work, length, wide, capacity);
  if (units == 0) {
    const DWORD error = GetLastError();
    if (error != ERROR_NO_UNICODE_TRANSLATION) {
      LogWrite("Err: CodePage %d: Text nicht umsetzbar (%lu)", codePage, static_cast<unsigned long>(error));
      return 0;
    }
    int unknown = 0;
    units = ConvertEach(codePage, work, length, wide, capacity, unknown);
    LogWrite("Err: CodePage %d: %d Zeichen unbekannt, als ? gesetzt", codePage, unknown);
  }
  return WidenText(reinterpret_cast<const std::uint16_t*>(wide), units, chars, kBrailleWorkSize);
}

int TranslateText(const LouisModule& louis, const BrailleView& view, const char* text, std::uint8_t* cells,
                  std::uint16_t* count) {
  auto translate = LouisProc<LouisTranslateStringFn>(louis, kLouis_translateString);
  if (!translate) {
    LogWrite("Err: lou_translateString nicht gefunden!");
    return 0;
  }
  const int mode = ProfileGetInt("Transmode", kLouisDotsMode, kBrailleSection);
  char path[kValueMax];
  ProfileGetString("Path", path, "tbl", kBrailleSection, sizeof path);
  char entry[kTableListEntrySize];
  GetBrList(view, entry);
  char tables[kTableListTextSize];
  ComposeTableList(tables, sizeof tables, view.folder, path, entry);
  const int language = Selection(view.language);
  int codePage = 0;
  if (language >= 0) {
    char key[kKeySize];
    LanguageKey(key, language, "-cp");
    codePage = ProfileGetInt(key, 0, kBrailleSection);
  }
  LogWrite("Tabelle:%s CodePage:%d", tables, codePage);
  LouisChar chars[kBrailleWorkSize];
  const int length = TextToChars(text, codePage, chars);
  TraceMark(TraceStage::kTranslated, 0);
  const bool translated = TranslateChars(translate, tables, chars, mode, cells, count);
  TraceMark(TraceStage::kTranslated, 1);
  if (!translated) {
    LogWrite(
        "Err: Braille-\xdc"
        "bersetzung fehlgeschlagen: %s",
        tables);
    return 0;
  }
  if (*count > kBrailleCells) {
    LogWrite("Braille: %d Zeichen, %d Zellen, die Zeile zeigt die ersten %d", length, *count, kBrailleCells);
  } else {
    LogWrite("Braille: %d Zeichen, %d Zellen", length, *count);
  }
  return 1;
}
