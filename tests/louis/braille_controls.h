// The braille controls of the main window (language and grade lists, hint
// field, text field, braille graphic) in a hidden window of their own, for
// the tests and the benchmark of the braille text.
#pragma once
#include <windows.h>

#include <string>

#include "base/commands.h"
#include "braille/braille_text.h"

// A folder of the build ("Z:/a/b") as a Windows path ending in "\\".
inline std::string WindowsFolder(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

class BrailleControls {
 public:
  BrailleControls() {
    WNDCLASSA cls = {};
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "BrailleTestMain";
    RegisterClassA(&cls);
    main_ = CreateWindowExA(0, cls.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 760, 660, nullptr, nullptr,
                            cls.hInstance, nullptr);
    const DWORD list = WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY;
    language_ = Child("LISTBOX", list, 560, 435, ID_BRLNG_LIST);
    grade_ = Child("LISTBOX", list, 560, 470, ID_BRGRADE_LIST);
    hint_ = Child("EDIT", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 560, 515, ID_BRGRADE_LIST);
    text_ = Child("EDIT", WS_CHILD | WS_VISIBLE, 80, 512, 0);
    graphic_ = Child("STATIC", WS_CHILD | WS_VISIBLE, 100, 460, 0);
  }
  ~BrailleControls() { DestroyWindow(main_); }
  BrailleControls(const BrailleControls&) = delete;
  BrailleControls& operator=(const BrailleControls&) = delete;

  // The view, with the program folder `folder` (ending in a separator).
  BrailleView View(const std::string& folder) const {
    BrailleView view;
    view.main = main_;
    view.instance = GetModuleHandleA(nullptr);
    view.language = language_;
    view.grade = grade_;
    view.hint = hint_;
    view.text = text_;
    view.graphic = graphic_;
    view.folder = folder.c_str();
    return view;
  }

 private:
  HWND Child(const char* cls, DWORD style, int x, int y, int id) {
    return CreateWindowExA(0, cls, "", style, x, y, 190, 36, main_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
  }
  HWND main_, language_, grade_, hint_, text_, graphic_;
};
