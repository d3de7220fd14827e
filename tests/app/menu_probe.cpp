// Loaded into RelivoX.exe by a message hook of the menu test: reads the
// main window's menus and tooltips from inside the process, as a screen
// reader's helper would, and writes them to "menu-probe.txt" in the
// program's working folder. Menus cannot be read from another process.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <cstdio>
#include <string>

namespace {

std::string Narrow(const wchar_t* text, DWORD count) {
  char out[512] = "";
  int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(count), out, sizeof out - 1, nullptr, nullptr);
  return std::string(out, n > 0 ? static_cast<std::size_t>(n) : 0);
}

HWND g_main = nullptr;

void DumpMenu(std::string& out, HMENU menu, const std::string& path) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[256] = "";
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
    GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
    std::string caption;
    const bool ownerDrawn = (info.fType & MFT_OWNERDRAW) != 0;
    if (ownerDrawn) {
      // The screen reader's way: the item data starts with MSAAMENUINFO.
      auto* msaa = reinterpret_cast<const MSAAMENUINFO*>(info.dwItemData);
      if (msaa && msaa->dwMSAASignature == static_cast<DWORD>(MSAA_MENU_SIG))
        caption = "msaa:" + Narrow(msaa->pszWText, msaa->cchWText);
    } else if (!(info.fType & MFT_SEPARATOR)) {
      GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      caption = text;
    }
    char line[512];
    std::snprintf(line, sizeof line, "%s%d id=%u od=%d sep=%d checked=%d gray=%d text=%s\n", path.c_str(), i, info.wID,
                  ownerDrawn ? 1 : 0, (info.fType & MFT_SEPARATOR) ? 1 : 0, (info.fState & MFS_CHECKED) ? 1 : 0,
                  (info.fState & MFS_GRAYED) ? 1 : 0, caption.c_str());
    out += line;
    RECT r = {};
    if (menu == GetMenu(g_main) && GetMenuItemRect(g_main, menu, static_cast<UINT>(i), &r)) {
      std::snprintf(line, sizeof line, "rect %s%d %ld %ld %ld %ld\n", path.c_str(), i, r.left, r.top, r.right,
                    r.bottom);
      out += line;
    }
    if (info.hSubMenu) DumpMenu(out, info.hSubMenu, path + std::to_string(i) + ".");
  }
}

struct TipSearch {
  HWND owner;
  std::string* out;
};

BOOL CALLBACK DumpTooltips(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<TipSearch*>(lParam);
  char cls[64] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (lstrcmpiA(cls, TOOLTIPS_CLASSA) != 0 || GetWindow(window, GW_OWNER) != search->owner) return TRUE;
  const LRESULT count = SendMessageA(window, TTM_GETTOOLCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[256] = "";
    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.lpszText = text;
    SendMessageA(window, TTM_ENUMTOOLSA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&tool));
    *search->out += "tip " + std::to_string(i) + " text=" + text + "\n";
  }
  return TRUE;
}

void WriteProbe(HWND main) {
  std::string out;
  g_main = main;
  if (HMENU bar = GetMenu(main)) DumpMenu(out, bar, "bar ");
  TipSearch search{main, &out};
  EnumThreadWindows(GetCurrentThreadId(), DumpTooltips, reinterpret_cast<LPARAM>(&search));
  // Written whole, then renamed: the test never reads half a file.
  HANDLE file = CreateFileA("menu-probe.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
  CloseHandle(file);
  MoveFileExA("menu-probe.tmp", "menu-probe.txt", MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK MenuProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT probe = RegisterWindowMessageA("RelivoX.MenuProbe");
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && msg && msg->message == probe) WriteProbe(msg->hwnd);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
