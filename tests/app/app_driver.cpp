#include "tests/app/app_driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/commands.h"

namespace {

constexpr DWORD kPollMs = 50;
constexpr const char* kSyncLine = "WM_COMMAND CMD_FLY";

std::size_t CountText(const std::string& text, const char* wanted) {
  std::size_t n = 0;
  for (std::size_t at = text.find(wanted); at != std::string::npos; at = text.find(wanted, at + 1)) ++n;
  return n;
}

bool CopyFolder(const std::string& from, const std::string& to) {
  CreateDirectoryA(to.c_str(), nullptr);
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((from + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CopyFolder(from + name + "\\", to + name + "\\");
    } else {
      CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE);
    }
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return true;
}

void DeleteFolder(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteFolder(folder + name + "\\");
      } else {
        DeleteFileA((folder + name).c_str());
      }
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

struct DialogSearch {
  DWORD pid;
  const char* title;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<DialogSearch*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != search->pid || !IsWindowVisible(window)) return TRUE;
  char cls[64] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") != 0) return TRUE;
  if (search->title && WindowText(window) != search->title) return TRUE;
  search->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM lParam) {
  auto* list = reinterpret_cast<std::pair<HWND, std::vector<ChildInfo>*>*>(lParam);
  if (GetParent(window) != list->first) return TRUE;
  ChildInfo info{};
  info.window = window;
  char cls[64] = "";
  GetClassNameA(window, cls, sizeof cls);
  info.cls = cls;
  info.id = GetDlgCtrlID(window);
  GetWindowRect(window, &info.rect);
  MapWindowPoints(nullptr, list->first, reinterpret_cast<POINT*>(&info.rect), 2);
  info.style = GetWindowLongA(window, GWL_STYLE);
  info.exStyle = GetWindowLongA(window, GWL_EXSTYLE);
  list->second->push_back(info);
  return TRUE;
}

BOOL CALLBACK CollectStatic(HWND window, LPARAM lParam) {
  char cls[64] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "Static") == 0 || std::strcmp(cls, "STATIC") == 0) {
    std::string text = WindowText(window);
    if (!text.empty()) *reinterpret_cast<std::string*>(lParam) += text;
  }
  return TRUE;
}

// The build's output folder, or another one named in RELIVO_APP_OUT (the
// benchmark runs another build's program that way).
std::string OutFolder() {
  const char* other = std::getenv("RELIVO_APP_OUT");
  std::string out = other && other[0] ? other : RELIVO_APP_OUT;
  for (char& c : out)
    if (c == '/') c = '\\';
  if (out.back() != '\\') out += '\\';
  return out;
}

}  // namespace

AppRun::~AppRun() {
  if (process.hProcess) {
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  // A second run of the same folder (second instance) leaves it to the first.
  if (!folder.empty() && process.hProcess) DeleteFolder(folder);
}

std::string MakeRunFolder(const char* ini) {
  static int counter = 0;
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  char name[MAX_PATH];
  std::snprintf(name, sizeof name, "%srelivo_app_%lu_%lu_%d\\", temp, GetCurrentProcessId(), GetTickCount(), ++counter);
  std::string folder = name;
  CopyFolder(OutFolder(), folder);
  DeleteFileA((folder + "res\\RelivoX.pro").c_str());
  if (ini) WriteFileBytes(folder + "res\\RelivoX.ini", ini, std::strlen(ini));
  return folder;
}

bool StartProcess(AppRun& run, const std::string& folder) {
  run.folder = folder;
  std::string exe = folder + "RelivoX.exe";
  std::string command = "\"" + exe + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  return CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                        &run.process) != 0;
}

bool StartApp(AppRun& run, const std::string& folder, DWORD timeoutMs) {
  // One program per Wine server: an instance still closing would refuse
  // the new one.
  for (int i = 0; i < 100 && FindWindowA("RelivoXClass", nullptr); ++i) Sleep(kPollMs);
  if (!StartProcess(run, folder)) return false;
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    HWND window = FindWindowA("RelivoXClass", nullptr);
    if (window) {
      DWORD pid = 0;
      GetWindowThreadProcessId(window, &pid);
      // Laid out once the status line exists: the last child created.
      if (pid == run.Pid() && Children(window).size() >= 15) {
        run.main = window;
        // The key definitions and the keyboard hook come after the layout.
        return std::atoi(IniValue(run.IniPath(), "Def", "Debug").c_str()) < 1 || Sync(run);
      }
    }
    if (WaitForSingleObject(run.process.hProcess, kPollMs) == WAIT_OBJECT_0) return false;
  }
  HWND window = FindWindowA("RelivoXClass", nullptr);
  std::fprintf(stderr, "no laid-out main window: window %p, %u children\n", static_cast<void*>(window),
               window ? static_cast<unsigned>(Children(window).size()) : 0u);
  if (window)
    for (const ChildInfo& c : Children(window))
      std::fprintf(stderr, "  %s %d (%ld,%ld)-(%ld,%ld)\n", c.cls.c_str(), c.id, c.rect.left, c.rect.top, c.rect.right,
                   c.rect.bottom);
  return false;
}

bool WaitExit(AppRun& run, DWORD timeoutMs) {
  return WaitForSingleObject(run.process.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

void PostCommand(const AppRun& run, int id, LPARAM lParam) {
  PostMessageA(run.main, WM_COMMAND, static_cast<WPARAM>(id), lParam);
}

bool Sync(const AppRun& run, DWORD timeoutMs) {
  const std::size_t before = CountText(ReadFileText(run.LogPath()), kSyncLine);
  PostCommand(run, CMD_FLY);
  DWORD start = GetTickCount();
  do {
    if (CountText(ReadFileText(run.LogPath()), kSyncLine) > before) return true;
    Sleep(kPollMs);
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

bool CloseWithoutSaving(AppRun& run) {
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  HWND question = WaitDialog(run.Pid(), nullptr, 10000);
  if (!question) return false;
  ClickButton(question, IDCANCEL);
  return WaitExit(run, 15000);
}

bool CloseAnsweringNo(AppRun& run) {
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  const DWORD start = GetTickCount();
  while (!WaitExit(run, 100) && GetTickCount() - start < 15000) {
    for (HWND question : Dialogs(run.Pid())) ClickButton(question, IDCANCEL);
  }
  return WaitExit(run, 0);
}

std::vector<HWND> Dialogs(DWORD pid) {
  DialogSearch search{pid, nullptr, {}};
  EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitDialog(DWORD pid, const char* title, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  do {
    DialogSearch search{pid, title, {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
    if (!search.found.empty()) return search.found.front();
    Sleep(kPollMs);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

std::string WindowText(HWND window) {
  // WM_GETTEXT itself: GetWindowText does not ask controls of another process.
  char text[1024] = "";
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &result);
  return text;
}

std::string DialogMessage(HWND dialog) {
  std::string text;
  EnumChildWindows(dialog, CollectStatic, reinterpret_cast<LPARAM>(&text));
  return text;
}

std::string WaitDialogMessage(HWND dialog, const std::string& part, DWORD timeoutMs) {
  // A dialog is visible a moment before its message is set.
  DWORD start = GetTickCount();
  std::string text = DialogMessage(dialog);
  while (text.find(part) == std::string::npos && GetTickCount() - start < timeoutMs) {
    Sleep(kPollMs);
    text = DialogMessage(dialog);
  }
  return text;
}

void ClickButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void ChooseFile(HWND dialog, const std::string& path) {
  // The file name field of the common dialogs: edt1, or the combo box cmb13.
  constexpr int kEdt1 = 0x480;
  constexpr int kCmb13 = 0x47C;
  HWND field = GetDlgItem(dialog, kEdt1);
  if (!field) field = GetDlgItem(dialog, kCmb13);
  SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  ClickButton(dialog, IDOK);
}

void ConfirmNewFile(DWORD pid, HWND fileDialog, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  do {
    for (HWND dialog : Dialogs(pid)) {
      if (dialog != fileDialog && GetDlgItem(dialog, IDYES)) {
        ClickButton(dialog, IDYES);
        return;
      }
    }
    if (!IsWindow(fileDialog)) return;  // no question came
    Sleep(kPollMs);
  } while (GetTickCount() - start < timeoutMs);
}

std::string ReadFileText(const std::string& path) {
  std::vector<unsigned char> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::vector<unsigned char> bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  unsigned char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes.insert(bytes.end(), buffer, buffer + got);
  CloseHandle(file);
  return bytes;
}

bool WriteFileBytes(const std::string& path, const void* data, size_t size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(file);
  return ok && written == size;
}

bool WaitForText(const std::string& path, const char* text, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  do {
    if (ReadFileText(path).find(text) != std::string::npos) return true;
    Sleep(kPollMs);
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

std::string IniValue(const std::string& ini, const char* section, const char* key) {
  char value[512] = "";
  GetPrivateProfileStringA(section, key, "\x01", value, sizeof value, ini.c_str());
  return value;
}

std::vector<ChildInfo> Children(HWND main) {
  std::vector<ChildInfo> children;
  std::pair<HWND, std::vector<ChildInfo>*> list{main, &children};
  EnumChildWindows(main, CollectChild, reinterpret_cast<LPARAM>(&list));
  return children;
}
