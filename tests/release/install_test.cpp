// The installer and the portable archive tried as a user would, in a fresh
// Wine prefix. run_install_test.sh runs these cases in turn, each one step
// of the story: install silently and look -> run, connect, change settings
// -> install again over it -> uninstall silently -> install again and
// uninstall, told to remove the settings -> the portable archive unpacked
// and started. The script hands over: RELIVO_SETUP (the installer),
// RELIVO_INSTALL_WORK (a folder for what one step leaves to the next),
// RELIVO_PORTABLE_DIR (the unpacked archive) and the simulator's log
// (RELIVO_SIM_LOG), Wine paths.
#include <windows.h>
// Separate group: the shell's headers need windows.h first.
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/commands.h"
#include "base/library_files.h"
#include "base/owners.h"
#include "relivo_version.h"
#include "tests/app/app_driver.h"
#include "tests/app/sim_log.h"

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RelivoX";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string KnownFolder(int csidl) {
  char path[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

// Where the installer puts the program unless told otherwise.
std::string InstallFolder() { return KnownFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\RelivoX\\"; }
std::string StartMenuLink() { return KnownFolder(CSIDL_PROGRAMS) + "\\RelivoX.lnk"; }
std::string DesktopLink() { return KnownFolder(CSIDL_DESKTOPDIRECTORY) + "\\RelivoX.lnk"; }
std::string SavedLog() { return Env("RELIVO_INSTALL_WORK") + "\\log-after-run.txt"; }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(100);
  }
  return true;
}

// Every file below a folder, as paths relative to it.
void ListFiles(const std::string& folder, const std::string& prefix, std::set<std::string>& files) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + prefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ListFiles(folder, prefix + name + "\\", files);
    else
      files.insert(prefix + name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

std::set<std::string> FilesBelow(const std::string& folder) {
  std::set<std::string> files;
  ListFiles(folder, "", files);
  return files;
}

// The processor a program or library was built for.
WORD Machine(const std::vector<unsigned char>& image) {
  if (image.size() < 0x40) return 0;
  DWORD pe = *reinterpret_cast<const DWORD*>(&image[0x3C]);
  if (pe + 6 > image.size()) return 0;
  return *reinterpret_cast<const WORD*>(&image[pe + 4]);
}

WORD OwnMachine() {
  auto base = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew)->FileHeader.Machine;
}

std::string RegistryText(HKEY root, const char* key, const char* name) {
  char value[1024] = "";
  DWORD size = sizeof value;
  if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return "<none>";
  return value;
}

bool KeyExists(HKEY root, const char* key) {
  RegKey opened;
  return RegOpenKeyExA(root, key, 0, KEY_READ, opened.Put()) == ERROR_SUCCESS;
}

struct Link {
  std::string target, folder;
};

Link ReadLink(const std::string& path) {
  Link link;
  ComPtr<IShellLinkA> shell;
  ComPtr<IPersistFile> file;
  std::wstring wide(path.begin(), path.end());
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, shell.PutVoid())) ||
      FAILED(shell->QueryInterface(IID_IPersistFile, file.PutVoid())) || FAILED(file->Load(wide.c_str(), STGM_READ)))
    return link;
  char text[MAX_PATH] = "";
  if (SUCCEEDED(shell->GetPath(text, MAX_PATH, nullptr, 0))) link.target = text;
  if (SUCCEEDED(shell->GetWorkingDirectory(text, MAX_PATH))) link.folder = text;
  return link;
}

// The same file, whatever the case of its path and its trailing backslash.
bool SamePath(std::string a, std::string b) {
  while (!a.empty() && a.back() == '\\') a.pop_back();
  while (!b.empty() && b.back() == '\\') b.pop_back();
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// True when a program of the uninstaller is still running: it runs from a
// copy of itself in the temporary folder, under a name of its own.
bool UninstallerRuns() {
  FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  bool runs = false;
  for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry)) {
    std::string name = entry.szExeFile;
    if (name.size() >= 3 && (_strnicmp(name.c_str(), "Un_", 3) == 0 || _stricmp(name.c_str(), "Uninstall.exe") == 0))
      runs = true;
  }
  return runs;
}

// Starts a command line; with `exitCode`, waits (at most two minutes) for
// its end and hands over its exit code.
bool StartCommand(const std::string& command, DWORD* exitCode = nullptr) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  KernelHandle thread(pi.hThread), process(pi.hProcess);
  if (!exitCode) return true;
  return WaitForSingleObject(process.Get(), 120000) == WAIT_OBJECT_0 && GetExitCodeProcess(process.Get(), exitCode);
}

// Runs the installer with the options; its exit code (0: installed).
DWORD RunSetup(const char* options) {
  DWORD exitCode = 0xFFFF;
  if (!StartCommand("\"" + Env("RELIVO_SETUP") + "\" " + options, &exitCode)) return 0xFFFF;
  return exitCode;
}

// Waits until the uninstaller has unregistered the program and ended.
bool WaitUninstalled(DWORD timeoutMs) {
  return WaitFor([] { return !KeyExists(HKEY_CURRENT_USER, kUninstallKey) && !UninstallerRuns(); }, timeoutMs);
}

struct SetupWindowSearch {
  int id;
  HWND found;
};

BOOL CALLBACK FindSetupWindowProc(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<SetupWindowSearch*>(lParam);
  char cls[16] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (!IsWindowVisible(window) || std::string(cls) != "#32770") return TRUE;
  if (WindowText(window).find("RelivoX") == std::string::npos || !GetDlgItem(window, search->id)) return TRUE;
  search->found = window;
  return FALSE;
}

// A visible dialog of any process whose title names RelivoX and that has a
// control with the id.
HWND FindSetupWindow(int id) {
  SetupWindowSearch search{id, nullptr};
  EnumWindows(FindSetupWindowProc, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitSetupWindow(int id, DWORD timeoutMs) {
  HWND window = nullptr;
  WaitFor([&] { return (window = FindSetupWindow(id)) != nullptr; }, timeoutMs);
  return window;
}

// A run of the installed program: the folder is the installation, which
// the run leaves in place (a run of the driver deletes its copy).
struct InstalledRun : AppRun {
  InstalledRun() = default;
  InstalledRun(const InstalledRun&) = delete;
  InstalledRun& operator=(const InstalledRun&) = delete;
  ~InstalledRun() { folder.clear(); }
};

// The installer's own manifest.
std::string SetupManifest() {
  std::string path = Env("RELIVO_SETUP");
  ModuleHandle module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  HRSRC found = module ? FindResourceA(module.Get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) : nullptr;
  HGLOBAL loaded = found ? LoadResource(module.Get(), found) : nullptr;
  const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  return data ? std::string(data, SizeofResource(module.Get(), found)) : "";
}

// The installer's product version as text ("0.99.0.0").
std::string SetupVersion() {
  std::string path = Env("RELIVO_SETUP");
  DWORD ignored = 0;
  std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), &ignored));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (block.empty() || !GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
      !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || length < sizeof *fixed)
    return "<none>";
  return std::to_string(HIWORD(fixed->dwProductVersionMS)) + "." + std::to_string(LOWORD(fixed->dwProductVersionMS)) +
         "." + std::to_string(HIWORD(fixed->dwProductVersionLS)) + "." +
         std::to_string(LOWORD(fixed->dwProductVersionLS));
}

// What the settings of a run of the program look like afterwards.
struct Settings {
  std::string autostart, sound, menuSize, note, iconBack;
};

Settings ReadSettings(const std::string& ini) {
  return {IniValue(ini, "Device", "autostart"), IniValue(ini, "Def", "Sound"), IniValue(ini, "Def", "menu.size"),
          IniValue(ini, "Def", "Note"), IniValue(ini, "0044", "Icon.back")};
}

}  // namespace

TEST(Installed, FilesStartMenuDesktopAndUninstallEntry) {
  ASSERT_EQ(RunSetup("/S /DESKTOP"), 0u);
  ComInit com;
  const std::string folder = InstallFolder();
  const std::string stage = RELIVO_STAGE "\\";

  // Every staged file, byte for byte; the settings file is the shipped one
  // but for the language.
  std::set<std::string> staged = FilesBelow(stage);
  ASSERT_GT(staged.size(), 100u);
  std::set<std::string> installed = FilesBelow(folder);
  for (const std::string& file : staged) {
    SCOPED_TRACE(file);
    ASSERT_TRUE(installed.count(file));
    if (file != "res\\RelivoX.ini") {
      EXPECT_TRUE(ReadFileBytes(stage + file) == ReadFileBytes(folder + file));
    }
  }
  installed.erase("Uninstall.exe");
  EXPECT_EQ(installed, staged) << "only what ships, and the uninstaller";
  EXPECT_TRUE(Exists(folder + "data\\")) << "the documents folder";
  // The build of this Windows, with its libraries.
  EXPECT_EQ(Machine(ReadFileBytes(folder + "RelivoX.exe")), OwnMachine());
  EXPECT_EQ(Machine(ReadFileBytes(folder + kCaptureLibraryFile)), OwnMachine());
  const bool german = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_GERMAN;
  EXPECT_EQ(IniValue(folder + "res\\RelivoX.ini", "Def", "Lng"), german ? "0049" : "0044")
      << "a first installation speaks the language of Windows";

  // It asks for no rights beyond the user's own, and has the version of
  // the build.
  EXPECT_NE(SetupManifest().find("level=\"asInvoker\""), std::string::npos) << SetupManifest();
  EXPECT_EQ(SetupVersion(), RELIVO_VERSION_TEXT ".0");

  Link start = ReadLink(StartMenuLink());
  EXPECT_TRUE(SamePath(start.target, folder + "RelivoX.exe")) << start.target;
  EXPECT_TRUE(SamePath(start.folder, folder)) << start.folder;
  Link desktop = ReadLink(DesktopLink());
  EXPECT_TRUE(SamePath(desktop.target, folder + "RelivoX.exe")) << "asked for with /DESKTOP: " << desktop.target;

  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kUninstallKey, "DisplayName"), "RelivoX");
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kUninstallKey, "DisplayVersion"), RELIVO_VERSION_TEXT);
  EXPECT_TRUE(SamePath(RegistryText(HKEY_CURRENT_USER, kUninstallKey, "InstallLocation"), folder));
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kUninstallKey, "UninstallString"), "\"" + folder + "Uninstall.exe\"");
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kUninstallKey, "QuietUninstallString"),
            "\"" + folder + "Uninstall.exe\" /S");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << "nothing for all users";
}

TEST(Installed, TheProgramRunsConnectsAndKeepsWhatTheUserChanges) {
  ASSERT_FALSE(SimLog().empty());
  const std::string folder = InstallFolder();
  InstalledRun run;
  ASSERT_TRUE(StartApp(run, folder));

  // It scales itself per monitor, as its manifest declares (the second
  // version of that where Windows has it).
  using GetContextFn = HANDLE(WINAPI*)(HWND);
  using AwarenessFn = int(WINAPI*)(HANDLE);
  HMODULE user = GetModuleHandleA("user32.dll");
  auto context =
      reinterpret_cast<GetContextFn>(reinterpret_cast<void*>(GetProcAddress(user, "GetWindowDpiAwarenessContext")));
  auto awareness = reinterpret_cast<AwarenessFn>(
      reinterpret_cast<void*>(GetProcAddress(user, "GetAwarenessFromDpiAwarenessContext")));
  ASSERT_TRUE(context && awareness);
  constexpr int kPerMonitorAware = 2;  // DPI_AWARENESS_PER_MONITOR_AWARE
  EXPECT_EQ(awareness(context(run.main)), kPerMonitorAware);

  // Connect as the user does and see the page arrive on the device.
  PostCommand(run, CMD_CONNECT);
  EXPECT_TRUE(WaitFor(
      [] {
        for (const Frame& f : ReceivedFrames())
          if (IsGraphic(f)) return true;
        return false;
      },
      20000))
      << "no page reached the device";

  // Two settings changed through the program: connect at start, sound off.
  PostCommand(run, CMD_AUTOSTART);
  PostCommand(run, CMD_SOUND);
  EXPECT_TRUE(WaitFor(
      [&] {
        Settings s = ReadSettings(run.IniPath());
        return s.autostart == "1" && s.sound == "0";
      },
      10000));
  // An installation over the running program waits for it to be closed;
  // a silent one gives up (exit code 2) and leaves the program running.
  EXPECT_EQ(RunSetup("/S"), 2u);
  EXPECT_EQ(WaitForSingleObject(run.process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  PostMessageA(run.main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitExit(run, 15000));

  // By hand, as a user edits the file: a shipped value changed and a key
  // of their own. A shipped key removed plays a file of an older version,
  // which lacked it.
  const std::string ini = run.IniPath();
  ASSERT_TRUE(WritePrivateProfileStringA("Def", "menu.size", "24", ini.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("Def", "Note", "mine", ini.c_str()));
  ASSERT_NE(IniValue(ini, "0044", "Icon.back"), "\x01");
  ASSERT_TRUE(WritePrivateProfileStringA("0044", "Icon.back", nullptr, ini.c_str()));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());  // flush the system's cache

  std::string log = ReadFileText(run.LogPath());
  ASSERT_NE(log.find("Relivo X System"), std::string::npos) << log;
  ASSERT_TRUE(WriteFileBytes(SavedLog(), log.data(), log.size()));
}

TEST(Installed, AReinstallKeepsTheSettingsAndTheLogAndAddsTheNewKeys) {
  ASSERT_EQ(RunSetup("/S"), 0u);
  const std::string folder = InstallFolder();
  Settings s = ReadSettings(folder + "res\\RelivoX.ini");
  EXPECT_EQ(s.autostart, "1");
  EXPECT_EQ(s.sound, "0");
  EXPECT_EQ(s.menuSize, "24") << "the user's value, not the shipped 18";
  EXPECT_EQ(s.note, "mine");
  EXPECT_EQ(s.iconBack, "Undo") << "the shipped key the file lacked";
  std::string saved = ReadFileText(SavedLog());
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(ReadFileText(folder + "res\\RelivoX.pro"), saved) << "the log of the last run";
  std::string text = ReadFileText(folder + "res\\RelivoX.ini");
  size_t lines = 0, windowsLines = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n') {
      ++lines;
      windowsLines += i > 0 && text[i - 1] == '\r';
    }
  EXPECT_EQ(windowsLines, lines) << "still Windows lines";
}

TEST(Installed, TheSilentUninstallLeavesOnlyTheSettingsAndTheLog) {
  const std::string folder = InstallFolder();
  std::string quiet = RegistryText(HKEY_CURRENT_USER, kUninstallKey, "QuietUninstallString");
  ASSERT_TRUE(StartCommand(quiet)) << quiet;
  ASSERT_TRUE(WaitUninstalled(60000));
  EXPECT_EQ(FilesBelow(folder), (std::set<std::string>{"res\\RelivoX.ini", "res\\RelivoX.pro"}));
  EXPECT_FALSE(Exists(folder + "data")) << "empty, so removed";
  EXPECT_FALSE(Exists(StartMenuLink()));
  EXPECT_FALSE(Exists(DesktopLink()));
  EXPECT_EQ(IniValue(folder + "res\\RelivoX.ini", "Def", "Note"), "mine");
}

TEST(Installed, TheUninstallerAsksAndRemovesTheSettingsWhenTold) {
  ASSERT_EQ(RunSetup("/S"), 0u);
  const std::string folder = InstallFolder();
  // Installed again over the settings kept: they are still the user's.
  ASSERT_EQ(IniValue(folder + "res\\RelivoX.ini", "Def", "Note"), "mine");
  std::string command = RegistryText(HKEY_CURRENT_USER, kUninstallKey, "UninstallString");
  ASSERT_TRUE(StartCommand(command)) << command;

  // The confirmation page, then the question, answered "No" (remove).
  HWND wizard = WaitSetupWindow(IDCANCEL, 20000);
  ASSERT_NE(wizard, nullptr) << "no uninstaller window";
  ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(wizard, IDOK)) != FALSE; }, 10000));
  ClickButton(wizard, IDOK);
  HWND question = WaitSetupWindow(IDNO, 20000);
  ASSERT_NE(question, nullptr) << "the uninstaller did not ask";
  EXPECT_NE(WaitDialogMessage(question, "RelivoX.ini").find("RelivoX.ini"), std::string::npos);
  ClickButton(question, IDNO);
  EXPECT_TRUE(WaitFor([] { return !KeyExists(HKEY_CURRENT_USER, kUninstallKey); }, 30000));
  // Done: its last page closes with the first button.
  ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(wizard, IDOK)) != FALSE; }, 10000));
  ClickButton(wizard, IDOK);
  ASSERT_TRUE(WaitUninstalled(30000));
  EXPECT_FALSE(Exists(folder)) << "nothing left: " << ::testing::PrintToString(FilesBelow(folder));
  EXPECT_FALSE(Exists(StartMenuLink()));
}

TEST(Portable, RunsFromTheUnpackedArchive) {
  const std::string folder = Env("RELIVO_PORTABLE_DIR") + "\\RelivoX\\";
  ASSERT_TRUE(Exists(folder + "README.txt"));
  EXPECT_NE(ReadFileText(folder + "README.txt").find("RelivoX.exe"), std::string::npos);
  AppRun run;
  ASSERT_TRUE(StartApp(run, folder));
  EXPECT_NE(ReadFileText(run.LogPath()).find("Relivo X System"), std::string::npos) << "its log beside itself";
  PostMessageA(run.main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitExit(run, 15000));
}
