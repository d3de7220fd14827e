// The dialogs are modal: each test starts one on the test's thread and a
// thread timer, which the dialog's own message loop runs, acts on it step
// by step like a user would (posted messages, clicks, real key input).
#include "ui/dialogs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "../hotkeys/win_test_util.h"
#include "base/commands.h"
#include "base/hotkeys.h"
#include "base/library_files.h"
#include "base/sound.h"
#include "res/resource_ids.h"

namespace {

using Step = std::function<bool(HWND dialog)>;  // true: go on with the next step

struct Driver {
  std::vector<Step> steps;
  std::size_t next = 0;
  int ticks = 0;
  bool watchdog = false;
};
Driver* g_driver = nullptr;

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM lParam) {
  char cls[32];
  GetClassNameA(hwnd, cls, sizeof cls);
  if (IsWindowVisible(hwnd) && std::string(cls) == "#32770")
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return TRUE;
}

// The dialog the user works with: the active one, else the newest.
HWND CurrentDialog() {
  std::vector<HWND> found;
  EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&found));
  HWND active = GetActiveWindow();
  for (HWND h : found)
    if (h == active) return h;
  return found.empty() ? nullptr : found.front();
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  Driver* d = g_driver;
  if (!d) return;
  HWND dialog = CurrentDialog();
  if (!dialog) return;
  if (++d->ticks > 150) {  // about 9 s: the dialog did not react; end the test's wait
    d->watchdog = true;
    EndDialog(dialog, 99);
    return;
  }
  if (d->next < d->steps.size()) {
    std::size_t current = d->next;
    if (d->steps[current](dialog)) d->next = current + 1;
  }
}

template <typename Run>
void Drive(std::vector<Step> steps, Run run) {
  Driver driver;
  driver.steps = std::move(steps);
  Driver* outer = g_driver;
  g_driver = &driver;
  UINT_PTR timer = SetTimer(nullptr, 0, 60, Tick);
  run();
  KillTimer(nullptr, timer);
  g_driver = outer;
  EXPECT_FALSE(driver.watchdog) << "the dialog did not close by itself";
  EXPECT_EQ(driver.next, driver.steps.size()) << "steps left undone";
}

std::string ItemText(HWND dialog, int id) {
  char buf[1024] = "";
  GetDlgItemTextA(dialog, id, buf, sizeof buf);
  return buf;
}

LPARAM CenterOf(HWND dialog, int id) {
  RECT r;
  GetWindowRect(GetDlgItem(dialog, id), &r);
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ScreenToClient(dialog, &p);
  return MAKELPARAM(p.x, p.y);
}

void SendKey(WORD vk) {
  INPUT in[2] = {};
  for (int i = 0; i < 2; ++i) {
    in[i].type = INPUT_KEYBOARD;
    in[i].ki.wVk = vk;
    in[i].ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
    in[i].ki.dwFlags = i ? KEYEVENTF_KEYUP : 0;
  }
  SendInput(2, in, sizeof in[0]);
}

// Steps that often come up.
Step Wait(int ticks) {
  auto left = std::make_shared<int>(ticks);
  return [left](HWND) { return --*left <= 0; };
}
Step Post(UINT message, WPARAM wParam, LPARAM lParam = 0) {
  return [=](HWND d) {
    PostMessageA(d, message, wParam, lParam);
    return true;
  };
}
Step Click(int id) {
  return [=](HWND d) {
    PostMessageA(GetDlgItem(d, id), BM_CLICK, 0, 0);
    return true;
  };
}

const char* g_fileTitle = "";
const char* FileTitle() { return g_fileTitle; }
DeviceInfoText Device() { return DeviceInfoText{"Relivo 60x40", "V1.2", 3}; }

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FreshSettingsAndLog("dialogs_test");
    g_fileTitle = "";
    DialogsInit(main_.hwnd(), DialogSources{FileTitle, Device});
    SoundInit(main_.hwnd(), WorkFolder().c_str(), &sound_);
    SetKeyTarget(main_.hwnd());
  }
  void TearDown() override { RemoveKeyboardHook(); }
  int Count(const std::string& what) {
    std::string log = ReadLog();
    int n = 0;
    for (std::size_t p = log.find(what); p != std::string::npos; p = log.find(what, p + 1)) ++n;
    return n;
  }
  RecordingWindow main_{false};  // owns the dialogs; need not be seen
  int sound_ = 1;
};

}  // namespace

TEST_F(DialogsTest, UnsavedPageWithoutTitleShowsUnknownAndOkayConfirms) {
  std::string text, title;
  HWND focus = nullptr, target = nullptr;
  int result = -1;
  Drive({Wait(3),
         [&](HWND d) {
           text = ItemText(d, IDC_MESSAGE);
           title = ItemText(d, IDC_HEAD);
           focus = GetFocus();
           target = KeyTarget();
           EXPECT_EQ(focus, GetDlgItem(d, IDOK)) << "Okay has the focus";
           EXPECT_EQ(target, d) << "the dialog receives the keys";
           EXPECT_TRUE(MessageDialogOpen());
           return true;
         },
         Click(IDOK)},
        [&] { result = ShowMessageDialog(kModeFileNotSaved); });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(text, "(unbekannt)\r\n");
  EXPECT_EQ(title, "Relivo X");
  EXPECT_FALSE(MessageDialogOpen());
  EXPECT_EQ(KeyTarget(), main_.hwnd()) << "the main window receives the keys again";
  EXPECT_EQ(Count("ConfigSelect 404 0"), 1);
  EXPECT_EQ(Count("WM_InitDIALOG SelectProc 0"), 1);
  EXPECT_EQ(Count("SelectProc WM_CLOSE TRUE"), 1);
  EXPECT_EQ(RawSetting("Sound", "Hint"), "-") << "the dialog asked for its sound";
  EXPECT_EQ(RawSetting("0049", "FileNotSaved"), "(%s)\\n");
  EXPECT_EQ(RawSetting("0049", "unknown"), "unbekannt");
  RecordingWindow::Pump(50);
  EXPECT_EQ(main_.Count(WM_COMMAND, IDM_REF), 1);
}

TEST_F(DialogsTest, UnsavedPageNamesTheFileAndAbbruchCancels) {
  g_fileTitle = "Brief.dtm";
  std::string text;
  int result = -1;
  Drive({Wait(3),
         [&](HWND d) {
           text = ItemText(d, IDC_MESSAGE);
           return true;
         },
         Click(IDCANCEL)},
        [&] { result = ShowMessageDialog(kModeFileNotSaved); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(text, "(Brief.dtm)\r\n");
  EXPECT_EQ(Count("SelectProc WM_CLOSE FALSE"), 1);
}

TEST_F(DialogsTest, MissingLibrariesAreNamedAndTheCloseBoxConfirms) {
  std::string louis, capture;
  int r1 = -1, r2 = -1;
  Drive({Wait(3),
         [&](HWND d) {
           louis = ItemText(d, IDC_MESSAGE);
           return true;
         },
         Post(WM_CLOSE, 0)},
        [&] { r1 = ShowMessageDialog(kModeLouisMissing); });
  WritePrivateProfileStringA("0049", "LCLoadErr", "Kamera: %s fehlt\\nweiter?", SettingsPath());
  Drive({Wait(3),
         [&](HWND d) {
           capture = ItemText(d, IDC_MESSAGE);
           return true;
         },
         Post(WM_SYSCOMMAND, SC_CLOSE)},
        [&] { r2 = ShowMessageDialog(kModeCaptureMissing); });
  EXPECT_EQ(r1, 1);
  EXPECT_EQ(r2, 1);
  EXPECT_EQ(louis, std::string(kLouisLibraryFile) + "\r\n");
  EXPECT_EQ(capture, std::string("Kamera: ") + kCaptureLibraryFile + " fehlt\r\nweiter?");
}

TEST_F(DialogsTest, MessageTextIsExpandedAndUnsafeFormatsStayText) {
  SetDialogMessage("Fehler\\tbeim Laden\\n%s %n");
  std::string text;
  Drive({Wait(3),
         [&](HWND d) {
           text = ItemText(d, IDC_MESSAGE);
           return true;
         },
         Post(WM_COMMAND, CMD_OK)},
        [&] { ShowMessageDialog(kModeMessage); });
  EXPECT_EQ(text, "Fehler\tbeim Laden\r\n%s %n");
  // A hostile translation is shown as text, not used as a format.
  WritePrivateProfileStringA("0049", "FileNotSaved", "%s%s%s%n%p (%d)", SettingsPath());
  g_fileTitle = "a.dtm";
  Drive({Wait(3),
         [&](HWND d) {
           text = ItemText(d, IDC_MESSAGE);
           return true;
         },
         Post(WM_COMMAND, CMD_CANCEL)},
        [&] { ShowMessageDialog(kModeFileNotSaved); });
  EXPECT_EQ(text, "a.dtm%s%s%n%p (%d)");
}

TEST_F(DialogsTest, OverlongMessageIsCut) {
  std::string longText(3000, 'x');
  SetDialogMessage(longText.c_str());
  std::string text;
  Drive({Wait(3),
         [&](HWND d) {
           text = ItemText(d, IDC_MESSAGE);
           return true;
         },
         Post(WM_COMMAND, IDOK)},
        [&] { ShowMessageDialog(kModeMessage); });
  EXPECT_EQ(text.size(), static_cast<std::size_t>(kMessageTextMax));
}

TEST_F(DialogsTest, KeyDefinitionsWorkTheButtonsThroughFindKey) {
  DefineKey(0, 0, 0, VK_F2, CMD_OK, 0);
  DefineKey(0, 0, 0, VK_F3, CMD_CANCEL, 0);
  DefineKey(0, 0, 0, VK_F4, CMD_TAB, 0);
  HWND afterOneTab = nullptr, afterTwoTabs = nullptr;
  int result = -1;
  Drive({Wait(3), Post(kHookKeyMessage, VK_F4), Wait(2),
         [&](HWND d) {
           afterOneTab = GetFocus();
           EXPECT_EQ(afterOneTab, GetDlgItem(d, IDCANCEL)) << "from Okay to Abbruch";
           return true;
         },
         Post(kHookKeyMessage, VK_F4), Wait(2),
         [&](HWND d) {
           afterTwoTabs = GetFocus();
           EXPECT_EQ(afterTwoTabs, GetDlgItem(d, IDOK)) << "and back to Okay";
           return true;
         },
         Post(kHookKeyMessage, 'Q'),  // not defined: nothing happens
         Wait(2), Post(kHookKeyMessage, VK_F3)},
        [&] { result = ShowMessageDialog(kModeLouisMissing); });
  EXPECT_EQ(result, 0);
}

TEST_F(DialogsTest, RealKeysReachTheDialogThroughTheHook) {
  DefineKey(0, 0, 0, VK_F2, CMD_OK, 0);
  DefineKey(0, 0, 0, VK_TAB, CMD_TAB, 0);
  ASSERT_TRUE(InstallKeyboardHook(main_.hwnd()));
  HWND focused = nullptr;
  int result = -1;
  Drive({Wait(3),
         [&](HWND d) {
           SetForegroundWindow(d);
           SendKey(VK_TAB);
           return true;
         },
         Wait(4),
         [&](HWND d) {
           focused = GetFocus();
           EXPECT_EQ(focused, GetDlgItem(d, IDCANCEL)) << "Tab works only through CMD_TAB";
           SendKey(VK_F2);
           return true;
         }},
        [&] { result = ShowMessageDialog(kModeFileNotSaved); });
  EXPECT_EQ(result, 1);
  RecordingWindow::Pump(50);
  EXPECT_EQ(main_.Count(kHookKeyMessage, VK_F2), 0) << "keys went to the dialog, not the main window";
}

TEST_F(DialogsTest, DraggingOverOkayConfirms) {
  int result = -1;
  Drive({Wait(3),
         [&](HWND d) {
           PostMessageA(d, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));           // no button held: nothing
           PostMessageA(d, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));  // held, not over Okay
           return true;
         },
         Wait(2),
         [&](HWND d) {
           EXPECT_TRUE(IsWindow(d));
           PostMessageA(d, WM_MOUSEMOVE, MK_LBUTTON, CenterOf(d, IDOK));
           return true;
         }},
        [&] { result = ShowMessageDialog(kModeLouisMissing); });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Count("HS:WM_MOUSEMOVE"), 2);
}

TEST_F(DialogsTest, DoubleClickOverAbbruchCancelsAndOverOkayConfirms) {
  int r1 = -1, r2 = -1;
  Drive({Wait(3),
         [&](HWND d) {
           PostMessageA(d, WM_LBUTTONDBLCLK, MK_LBUTTON, CenterOf(d, IDCANCEL));
           return true;
         }},
        [&] { r1 = ShowMessageDialog(kModeLouisMissing); });
  Drive({Wait(3),
         [&](HWND d) {
           PostMessageA(d, WM_LBUTTONDBLCLK, MK_LBUTTON, CenterOf(d, IDOK));
           return true;
         }},
        [&] { r2 = ShowMessageDialog(kModeLouisMissing); });
  EXPECT_EQ(r1, 0);
  EXPECT_EQ(r2, 1);
  EXPECT_EQ(Count("HS:WM_LBUTTONDBLCLK"), 2);
}

TEST_F(DialogsTest, NestedDialogKeepsTheOuterDialogsKeys) {
  int inner = -1, outer = -1;
  HWND outerDialog = nullptr, targetInside = nullptr, targetAfter = nullptr;
  std::string innerText;
  Drive({Wait(3),
         [&](HWND d) {
           outerDialog = d;
           SetDialogMessage("innen");
           Drive({Wait(3),
                  [&](HWND in) {
                    innerText = ItemText(in, IDC_MESSAGE);
                    targetInside = KeyTarget();
                    return true;
                  },
                  Post(WM_COMMAND, CMD_OK)},
                 [&] { inner = ShowMessageDialog(kModeMessage); });
           targetAfter = KeyTarget();
           return true;
         },
         Post(WM_COMMAND, IDCANCEL)},
        [&] { outer = ShowMessageDialog(kModeLouisMissing); });
  EXPECT_EQ(inner, 1);
  EXPECT_EQ(outer, 0);
  EXPECT_EQ(innerText, "innen");
  EXPECT_EQ(Count("ConfigSelect 408 1"), 1);
  EXPECT_EQ(Count("WM_InitDIALOG SelectProc 1"), 1) << "the inner one knows a dialog is open";
  EXPECT_EQ(targetInside, outerDialog) << "the inner dialog leaves the receiver alone";
  EXPECT_EQ(targetAfter, outerDialog) << "the outer dialog still receives the keys";
  EXPECT_EQ(KeyTarget(), main_.hwnd());
  EXPECT_FALSE(MessageDialogOpen());
}

TEST_F(DialogsTest, DialogThatCannotBeCreatedCountsAsCancel) {
  DialogsInit(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7FFF0)), DialogSources{nullptr, nullptr});
  EXPECT_EQ(ShowMessageDialog(kModeFileNotSaved), 0);
  EXPECT_FALSE(MessageDialogOpen());
}

TEST_F(DialogsTest, ButtonsAndTitleStripArePaintedInTheProgramsColours) {
  WritePrivateProfileStringA("Color", "Button.Brush", "00C000", SettingsPath());
  WritePrivateProfileStringA("Color", "Button.nopress", "", SettingsPath());
  WritePrivateProfileStringA("Color", "Edit.Rand.Brush", "0000FF", SettingsPath());
  WritePrivateProfileStringA("Color", "title.Brush", "FF0000", SettingsPath());
  COLORREF face = 0, border = 0, strip = 0;
  Drive({Wait(4),
         [&](HWND d) {
           HWND okay = GetDlgItem(d, IDCANCEL);  // without the focus mark
           RECT r;
           GetClientRect(okay, &r);
           HDC dc = GetDC(okay);
           face = GetPixel(dc, 8, r.bottom / 2 - 8);
           ReleaseDC(okay, dc);
           HWND head = GetDlgItem(d, IDC_HEAD);
           GetClientRect(head, &r);
           dc = GetDC(head);
           border = GetPixel(dc, r.right / 2, 2);
           strip = GetPixel(dc, r.right - 10, r.bottom / 2);
           ReleaseDC(head, dc);
           return true;
         },
         Post(WM_COMMAND, IDOK)},
        [&] { ShowMessageDialog(kModeLouisMissing); });
  EXPECT_EQ(face, RGB(0, 0xC0, 0)) << std::hex << face;
  EXPECT_EQ(border, RGB(0xFF, 0, 0)) << std::hex << border;
  EXPECT_EQ(strip, RGB(0, 0, 0xFF)) << std::hex << strip;
  EXPECT_GE(Count("DrawHead"), 1);
  EXPECT_EQ(RawSetting("0049", "Okay"), "Okay") << "button captions are language texts";
  EXPECT_EQ(RawSetting("0049", "Abbruch"), "Abbruch");
}

TEST_F(DialogsTest, AboutShowsVersionAndAboutText) {
  WritePrivateProfileStringA("0049", "About.msg", "Tastbare Grafik\\nfuer alle", SettingsPath());
  std::string version, text;
  RECT rect{};
  HICON icon = nullptr;
  HWND target = nullptr;
  Drive({Wait(3),
         [&](HWND d) {
           version = ItemText(d, IDC_VERSION);
           text = ItemText(d, IDC_ABOUT_TEXT);
           GetWindowRect(d, &rect);
           icon = reinterpret_cast<HICON>(SendMessageA(d, WM_GETICON, ICON_BIG, 0));
           target = KeyTarget();
           EXPECT_EQ(target, d);
           EXPECT_EQ(GetFocus(), GetDlgItem(d, IDOK));
           return true;
         },
         Post(kHookKeyMessage, VK_F3)},
        [&] {
          DefineKey(0, 0, 0, VK_F3, CMD_CANCEL, 0);
          ShowAboutDialog(kAboutProgram);
        });
  char expected[64];
  AboutVersionLine(expected, sizeof expected);
  EXPECT_EQ(version, expected);
  EXPECT_EQ(version.rfind(std::string("Relivo X Win ") + RELIVO_VERSION_TEXT + " / ", 0), 0u) << version;
  EXPECT_EQ(version.find("  "), std::string::npos) << "no double space in the date";
  EXPECT_EQ(text, "Tastbare Grafik\r\nfuer alle");
  EXPECT_NE(icon, nullptr) << "the program icon is the dialog's icon";
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXFULLSCREEN) - width) / 4 + 20);
  EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYFULLSCREEN) - height) / 2);
  EXPECT_EQ(Count("ConfigProc\n"), 1);
  EXPECT_EQ(Count("ConfigProc WM_CLOSE"), 1);
  EXPECT_EQ(KeyTarget(), main_.hwnd());
  RecordingWindow::Pump(50);
  EXPECT_EQ(main_.Count(WM_COMMAND, IDM_REF), 1);
}

TEST_F(DialogsTest, InfoFormatsTheConnectedDevice) {
  WritePrivateProfileStringA("0049", "Info.msg", "%s\\nVersion %s\\nCOM%d", SettingsPath());
  std::string text;
  Drive({Wait(3),
         [&](HWND d) {
           text = ItemText(d, IDC_ABOUT_TEXT);
           return true;
         },
         Click(IDOK)},
        [&] { ShowAboutDialog(kAboutDevice); });
  EXPECT_EQ(text, "Relivo 60x40\r\nVersion V1.2\r\nCOM3");
  EXPECT_EQ(RawSetting("0049", "About.msg"), "<none>") << "mode 1 reads only Info.msg";
}

TEST_F(DialogsTest, AboutClosesWithTheCloseBoxAndEscape) {
  Drive({Wait(3), Post(WM_CLOSE, 0)}, [&] { ShowAboutDialog(kAboutProgram); });
  Drive({Wait(3), Post(WM_COMMAND, IDCANCEL)}, [&] { ShowAboutDialog(kAboutProgram); });
  EXPECT_EQ(Count("ConfigProc WM_CLOSE"), 2);
  EXPECT_EQ(RawSetting("0049", "About.msg"), "");
}
