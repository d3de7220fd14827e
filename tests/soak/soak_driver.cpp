// The soak run's driver (tools/soak.sh starts it): runs the real RelivoX.exe
// under Wine against the device simulator and virtual cameras and abuses it
// in rounds for the given time: key storms and junk from the device, the
// device pulled out and hanging, drawing by mouse and keys, typing, language
// switches, pictures and damaged files opened, saves, the camera view
// opened and closed while a camera comes and goes, the screen view on and
// off. A second process takes stills through the capture library all the
// time. Every 10 s, and at the end of every round (when the program is idle
// in the same state), both processes are sampled from here: handles, GDI
// and USER objects, private memory.
//
// At the end the program must still answer, close with the device blanked,
// and have damaged no file: the files it opened are unchanged, the files it
// saved are whole, its settings file keeps every section.
//
// Usage: soak_driver MINUTES OUTDIR
//   RELIVO_SIM_CONTROL, RELIVO_SIM_LOG: the simulator's control FIFO and log
// Writes OUTDIR\counts.csv (the samples) and OUTDIR\result.txt (key=value
// lines); the exit status is 0 when every check of the driver passed.
#include <windows.h>
#include <dbt.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/commands.h"
#include "base/owners.h"
#include "res/resource_ids.h"
#include "tests/app/app_driver.h"
#include "tests/app/sim_log.h"
#include "tests/capture/lumcap_api.h"
#include "tests/host_louis.h"
#include "tests/soak/process_counts.h"

namespace {

constexpr wchar_t kViewCamera[] = L"Soak Camera";
constexpr wchar_t kStillCamera[] = L"Soak Still Camera";
constexpr wchar_t kComingAndGoing[] = L"Soak Camera Coming And Going";
constexpr wchar_t kStopEvent[] = L"RelivoSoakStillsStop";
constexpr DWORD kSampleEveryMs = 10000;
// A program that has not answered within five minutes hangs; a busy machine
// holds up one that works for seconds, now and then for a minute (the
// slowest answer is a figure of the report, not a failure).
constexpr DWORD kWaitMs = 300000;
constexpr DWORD kPollMs = 50;
constexpr int kPinSize = 10;  // [Def] Box_Size of the run
constexpr int kPageOrigin = 5;
// Away long enough to be noticed even when the program's ticks are held up
// several seconds by a busy machine.
constexpr int kAwayMs = 10000;
constexpr const char* kXdotool = "LC_ALL=C.UTF-8 /usr/bin/xdotool ";

std::string g_out;  // OUTDIR with '\' at the end
FILE* g_log = nullptr;
int g_failures = 0;

void Note(const char* format, ...) {
  va_list args;
  va_start(args, format);
  char text[1024];
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::printf("%s\n", text);
  std::fflush(stdout);
  if (g_log) {
    std::fprintf(g_log, "%8.1f %s\n", GetTickCount64() / 1000.0, text);
    std::fflush(g_log);
  }
}

void Fail(const char* what) {
  ++g_failures;
  Note("FAIL: %s", what);
}

// The program's log read from where it was last read, so that a log of an
// hour costs no more to watch than one of a minute.
class LogTail {
 public:
  explicit LogTail(std::string path) : path_(std::move(path)) {}
  // The text added since the last call.
  std::string Fresh() {
    std::string text;
    HANDLE file = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    if (size.QuadPart < offset_) offset_ = 0;  // the program started it anew
    LARGE_INTEGER at = {};
    at.QuadPart = offset_;
    SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      text.append(buffer, got);
      offset_ += got;
    }
    CloseHandle(file);
    return text;
  }
  // Waits until `wanted` appears in text added after `seen` began; what was
  // read stays in `seen`.
  bool WaitFor(std::string& seen, const char* wanted, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (true) {
      seen += Fresh();
      if (seen.find(wanted) != std::string::npos) return true;
      if (GetTickCount() - start >= timeoutMs) return false;
      Sleep(kPollMs);
    }
  }

 private:
  std::string path_;
  long long offset_ = 0;
};

struct Sample {
  double seconds;
  const char* process;
  ProcessCounts counts;
  std::string act;
  bool quiet;
};

// The samples of both processes, from the sampler thread and from the
// rounds' ends.
class Sampler {
 public:
  Sampler(HANDLE program, DWORD programPid, HANDLE stills, DWORD stillsPid, const std::atomic<int>& platform)
      : program_(program), programPid_(programPid), stills_(stills), stillsPid_(stillsPid), platform_(platform) {
    file_ = std::fopen((g_out + "counts.csv").c_str(), "w");
    if (file_) std::fprintf(file_, "seconds,process,handles,gdi,user,private_kb,act,quiet,platform\n");
    start_ = GetTickCount64();
    thread_ = std::thread([this] {
      while (WaitForSingleObject(wake_.Get(), kSampleEveryMs) == WAIT_TIMEOUT) Take(false);
    });
  }
  ~Sampler() {
    SetEvent(wake_.Get());
    thread_.join();
    if (file_) std::fclose(file_);
  }
  Sampler(const Sampler&) = delete;
  Sampler& operator=(const Sampler&) = delete;

  void SetAct(const char* act) {
    std::lock_guard<std::mutex> lock(mutex_);
    act_ = act;
  }
  void Take(bool quiet) {
    std::lock_guard<std::mutex> lock(mutex_);
    const double seconds = (GetTickCount64() - start_) / 1000.0;
    Write(Sample{seconds, "RelivoX", CountProcess(program_, programPid_), act_, quiet}, platform_.load());
    if (stills_) Write(Sample{seconds, "stills", CountProcess(stills_, stillsPid_), act_, quiet}, 0);
  }

 private:
  void Write(const Sample& s, int platform) {
    if (!file_ || !s.counts.ok) return;
    std::fprintf(file_, "%.1f,%s,%u,%u,%u,%llu,%s,%d,%d\n", s.seconds, s.process, s.counts.handles, s.counts.gdiObjects,
                 s.counts.userObjects, static_cast<unsigned long long>(s.counts.privateBytes / 1024), s.act.c_str(),
                 s.quiet ? 1 : 0, platform);
    std::fflush(file_);
  }
  HANDLE program_;
  DWORD programPid_;
  HANDLE stills_;
  DWORD stillsPid_;
  const std::atomic<int>& platform_;
  FILE* file_ = nullptr;
  ULONGLONG start_ = 0;
  std::string act_ = "start";
  std::mutex mutex_;
  KernelHandle wake_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  std::thread thread_;
};

struct Soak {
  AppRun run;
  LogTail* log = nullptr;
  std::mt19937 random{25};
  int round = 0;
  std::string folder;                                                      // the run's folder of documents
  std::vector<std::pair<std::string, std::vector<unsigned char>>> inputs;  // files opened, as they were
  std::vector<std::string> saved;
  std::vector<double> noticeMs, backMs;
  DWORD slowestAnswerMs = 0;  // of the program to a posted command
  int lost = 0, back = 0;
  // Registry keys and events the program gained in the acts that use the
  // platform's device enumeration and filter graphs (camera view) and its
  // file dialogs (files): Wine 8 keeps some of these for good.
  std::atomic<int> platformHandles{0};
};

// Every message posted before it has been handled: CMD_FLY logs one line.
bool SoakSync(Soak& s, DWORD timeoutMs = kWaitMs) {
  std::string seen = s.log->Fresh();
  seen.clear();
  const DWORD start = GetTickCount();
  PostCommand(s.run, CMD_FLY);
  const bool answered = s.log->WaitFor(seen, "WM_COMMAND CMD_FLY", timeoutMs);
  s.slowestAnswerMs = std::max(s.slowestAnswerMs, GetTickCount() - start);
  return answered;
}

// The dialogs the program shows, told apart by their controls (their
// titles change with the language). A dialog is visible a moment before
// its controls exist: until then it is kUnready.
enum class DialogKind { kUnready, kFile, kProgram, kQuestion, kNotice };

DialogKind KindOf(HWND d) {
  constexpr int kMessageBoxText = 0xFFFF;
  if (GetDlgItem(d, 0x480) || GetDlgItem(d, 0x47C)) return DialogKind::kFile;  // edt1, cmb13
  if (GetDlgItem(d, IDC_MESSAGE) || GetDlgItem(d, IDC_ABOUT_TEXT)) return DialogKind::kProgram;
  if (GetDlgItem(d, IDYES)) return DialogKind::kQuestion;  // the file dialog's "replace it?"
  if (GetDlgItem(d, kMessageBoxText) && GetDlgItem(d, IDOK)) return DialogKind::kNotice;  // a message box
  return DialogKind::kUnready;
}

// Works through the dialogs the program shows: a file dialog gets `path`
// (without one it is cancelled: a command held up by a busy machine may
// bring its dialog late, into another act), a question of the file dialog yes, a message box okay, the program's
// questions and messages their cancel (do not save) or okay. With
// `fileDialog`, waits until a file dialog came (the program may ask first
// whether to save); returns when no dialog has been up for a while.
int AnswerDialogs(Soak& s, const std::string& path, bool fileDialog = false) {
  int answered = 0;
  bool fileSeen = false;
  const DWORD quietMs = fileDialog ? 1000 : 200;
  DWORD quietSince = GetTickCount();
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 2 * kWaitMs) {
    std::vector<HWND> dialogs = Dialogs(s.run.Pid());
    if (dialogs.empty()) {
      const bool waiting = fileDialog && !fileSeen && GetTickCount() - start < kWaitMs;
      if (!waiting && GetTickCount() - quietSince >= quietMs) break;
      Sleep(kPollMs);
      continue;
    }
    HWND d = dialogs.front();
    DialogKind kind = KindOf(d);
    for (DWORD waited = 0; kind == DialogKind::kUnready && waited < kWaitMs; waited += kPollMs) {
      Sleep(kPollMs);
      kind = KindOf(d);
    }
    static const char* const kKinds[] = {"unready", "file", "program", "question", "notice"};
    Note("  dialog \"%s\" (%s)%s%s", WindowText(d).c_str(), kKinds[static_cast<int>(kind)],
         kind == DialogKind::kFile ? " <- " : "",
         kind == DialogKind::kFile ? (path.empty() ? "cancel" : path.c_str()) : "");
    switch (kind) {
      case DialogKind::kFile:
        if (path.empty()) {
          ClickButton(d, IDCANCEL);
          break;
        }
        ChooseFile(d, path);
        fileSeen = true;
        break;
      case DialogKind::kQuestion: ClickButton(d, IDYES); break;
      case DialogKind::kNotice: ClickButton(d, IDOK); break;
      case DialogKind::kProgram: ClickButton(d, GetDlgItem(d, IDCANCEL) ? IDCANCEL : IDOK); break;
      case DialogKind::kUnready: {
        std::string what = "a dialog that is neither a file dialog nor one of the program's: \"" + WindowText(d) + "\"";
        for (const ChildInfo& c : Children(d)) what += " " + c.cls + "#" + std::to_string(c.id);
        Fail(what.c_str());
        PostMessageA(d, WM_CLOSE, 0, 0);
        break;
      }
    }
    ++answered;
    for (DWORD waited = 0; waited < kWaitMs && IsWindow(d) && IsWindowVisible(d); waited += kPollMs) Sleep(kPollMs);
    quietSince = GetTickCount();
  }
  if (fileDialog && !fileSeen) Fail(("no file dialog came for " + path).c_str());
  return answered;
}

POINT PagePoint(int column, int row) {
  return POINT{kPageOrigin + column * kPinSize + kPinSize / 2, kPageOrigin + row * kPinSize + kPinSize / 2};
}

void PostMouse(const Soak& s, UINT message, WPARAM keys, POINT p) {
  PostMessageA(s.run.main, message, keys, MAKELPARAM(p.x, p.y));
}

HWND Child(HWND main, const char* cls, LONG style, LONG without = 0) {
  for (const ChildInfo& c : Children(main))
    if (_stricmp(c.cls.c_str(), cls) == 0 && (c.style & style) == style && !(c.style & without)) return c.window;
  return nullptr;
}

// ---- the acts of a round ------------------------------------------------

void DeviceStorm(Soak& s) {
  SimCommand("storm 40");
  SimCommand("garbage 64");
  for (char key : std::string("123456")) SimCommand(std::string(1, key));
  SimCommand("garbage 200");
  if (!SoakSync(s)) Fail("no answer after the key storm");
}

void DrawWithTheMouse(Soak& s) {
  std::uniform_int_distribution<int> column(0, 59), row(0, 39);
  for (int stroke = 0; stroke < 4; ++stroke) {
    PostCommand(s.run, CMD_TOOL_NEXT);
    POINT p = PagePoint(column(s.random), row(s.random));
    PostMouse(s, WM_MOUSEMOVE, 0, p);
    PostMouse(s, WM_LBUTTONDOWN, MK_LBUTTON, p);
    for (int i = 0; i < 12; ++i) {
      p = PagePoint(column(s.random), row(s.random));
      PostMouse(s, WM_MOUSEMOVE, MK_LBUTTON, p);
    }
    PostMouse(s, WM_LBUTTONUP, 0, p);
    if (!SoakSync(s)) Fail("no answer after a stroke");
    AnswerDialogs(s, "");
  }
  const POINT erase = PagePoint(column(s.random), row(s.random));
  PostMouse(s, WM_RBUTTONDOWN, MK_RBUTTON, erase);
  PostMouse(s, WM_RBUTTONUP, 0, erase);
  PostCommand(s.run, CMD_BACK);
  if (!SoakSync(s)) Fail("no answer after drawing");
}

// Real keys through X: a click into the text field, text, then the keys of
// the shipped set that draw and browse (invert, undo, accept, the device
// keys F5..F10, the next and previous tool).
void TypeAndPressKeys(Soak& s) {
  HWND edit = Child(s.run.main, "Edit", ES_AUTOVSCROLL, ES_READONLY);
  if (!edit || !IsWindowVisible(s.run.main)) return;
  DWORD_PTR result = 0;
  SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""), SMTO_ABORTIFHUNG, 5000, &result);
  RECT r;
  GetWindowRect(edit, &r);
  const std::string click = std::string(kXdotool) + "mousemove " + std::to_string((r.left + r.right) / 2) + " " +
                            std::to_string((r.top + r.bottom) / 2) + " click 1";
  if (!RunHostCommand(click)) Fail("xdotool could not click");
  SoakSync(s);
  RunHostCommand(std::string(kXdotool) + "type --delay 40 'Soak " + std::to_string(s.round) + " abc'", 30000);
  RunHostCommand(
      std::string(kXdotool) + "key --delay 80 ctrl+i ctrl+z ctrl+Return F5 F6 F7 F8 F9 F10 ctrl+Next ctrl+Prior ctrl+i",
      30000);
  if (!SoakSync(s)) Fail("no answer after the keys");
  AnswerDialogs(s, "");
}

void SwitchLanguage(Soak& s) {
  PostCommand(s.run, CMD_LANGUAGE + s.round % 2);
  if (!SoakSync(s)) Fail("no answer after a language switch");
}

std::string Document(const Soak& s, const char* name) { return s.folder + name; }

void OpenFile(Soak& s, const std::string& path) {
  PostCommand(s.run, CMD_OPEN);
  AnswerDialogs(s, path, true);
  if (!SoakSync(s)) Fail(("no answer after opening " + path).c_str());
}

// A picture and one of the damaged files (a different one each round),
// then a save under a new name, the saved page opened again, and a save.
void FilesOpenedAndSaved(Soak& s) {
  OpenFile(s, s.inputs[0].first);
  OpenFile(s, s.inputs[1 + s.round % (s.inputs.size() - 1)].first);
  PostCommand(s.run, CMD_INVERT);
  const std::string target = Document(s, s.round % 2 ? "soak-b.dtm" : "soak-a.dtm");
  PostCommand(s.run, CMD_SAVEAS);
  AnswerDialogs(s, target, true);
  if (std::find(s.saved.begin(), s.saved.end(), target) == s.saved.end()) s.saved.push_back(target);
  OpenFile(s, target);
  PostCommand(s.run, CMD_ACP);
  PostCommand(s.run, CMD_SAVE);
  if (!SoakSync(s)) Fail("no answer after saving");
  AnswerDialogs(s, target);
}

void CameraComesAndGoes(Soak& s, VirtualCameras& cameras) {
  PostCommand(s.run, CMD_CAM_ONOFF);
  if (!SoakSync(s)) Fail("no answer after opening the camera view");
  AnswerDialogs(s, "");
  for (int cmd : {CMD_PLUS, CMD_PLUS, CMD_MINUS, CMD_TRIGGER, CMD_BIGSMALL, CMD_PAUSE, CMD_PAUSE, CMD_BIGSMALL,
                  CMD_TRIGGER, CMD_MINUS})
    PostCommand(s.run, cmd);
  if (!SoakSync(s)) Fail("no answer in the camera view");
  cameras.Add(kComingAndGoing);
  PostMessageA(s.run.main, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  Sleep(1000);
  if (!SoakSync(s)) Fail("no answer after a camera came");
  cameras.Remove(kComingAndGoing);
  PostMessageA(s.run.main, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  Sleep(1000);
  PostCommand(s.run, CMD_CAM_ONOFF);
  if (!SoakSync(s)) Fail("no answer after closing the camera view");
  AnswerDialogs(s, "");
}

bool WaitVisible(HWND window, bool visible) {
  for (DWORD waited = 0; waited < kWaitMs; waited += kPollMs, Sleep(kPollMs))
    if ((IsWindowVisible(window) != FALSE) == visible) return true;
  return false;
}

void ScreenViewOnAndOff(Soak& s) {
  PostMessageA(s.run.main, WM_HOTKEY, CMD_FLY, 0);
  if (!WaitVisible(s.run.main, false)) Fail("the screen view did not start");
  std::uniform_int_distribution<int> x(50, 1200), y(50, 950);
  for (int i = 0; i < 8; ++i) {
    SetCursorPos(x(s.random), y(s.random));
    PostMessageA(s.run.main, WM_MOUSEWHEEL, MAKEWPARAM(0, i % 2 ? WHEEL_DELTA : -WHEEL_DELTA), 0);
    PostCommand(s.run, i % 3 ? CMD_PLUS : CMD_MINUS);
    if (i == 4) PostCommand(s.run, CMD_TRIGGER);
    SoakSync(s);
  }
  PostMessageA(s.run.main, WM_HOTKEY, CMD_FLY, 0);
  if (!WaitVisible(s.run.main, true)) Fail("the screen view did not end");
  if (!SoakSync(s)) Fail("no answer after the screen view");
}

// The moment of the simulator's last log line that holds `event`, as
// milliseconds of the day (its stamps are the local time), -1 when none.
long SimEventMs(const char* event) {
  const std::string log = ReadFileText(SimLog());
  const std::size_t at = log.rfind(event);
  if (at == std::string::npos) return -1;
  const std::size_t line = log.rfind('\n', at) == std::string::npos ? 0 : log.rfind('\n', at) + 1;
  int h = 0, m = 0, sec = 0, ms = 0;
  if (std::sscanf(log.c_str() + line, "%d:%d:%d.%d", &h, &m, &sec, &ms) != 4) return -1;
  return ((h * 60L + m) * 60L + sec) * 1000L + ms;
}

long NowMsOfDay() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return ((t.wHour * 60L + t.wMinute) * 60L + t.wSecond) * 1000L + t.wMilliseconds;
}

// The device pulled out (odd rounds) or hanging (even ones) for a while: the
// program must notice, and find it again when it is back. Measured: from
// the fault to the program's log line, and from the device's return (the
// simulator's log) to the program's line that it is connected again.
void DeviceAway(Soak& s) {
  const bool unplug = s.round % 2 == 1;
  std::string seen = s.log->Fresh();
  seen.clear();
  const DWORD start = GetTickCount();
  SimCommand(std::string(unplug ? "unplug " : "hang ") + std::to_string(kAwayMs));
  if (!s.log->WaitFor(seen, unplug ? "Err: Ger\xe4t verloren" : "Err: Ger\xe4t antwortet nicht mehr", kWaitMs)) {
    Fail(unplug ? "the pulled-out device went unnoticed" : "the hanging device went unnoticed");
    return;
  }
  s.noticeMs.push_back(GetTickCount() - start);
  ++s.lost;
  if (!SoakSync(s)) Fail("no answer while the device is away");
  if (!s.log->WaitFor(seen, "Ger\xe4t wieder verbunden", kWaitMs)) {
    Fail("the device was not found again");
    return;
  }
  const long found = NowMsOfDay();
  ++s.back;
  const long returned = SimEventMs(unplug ? "-- plugged in" : "-- answering again");
  if (returned >= 0) s.backMs.push_back(static_cast<double>((found - returned + 86400000L) % 86400000L));
}

// ---- files ----------------------------------------------------------------

std::vector<unsigned char> SmallBmp() {
  // 64 x 40, 1 bit per pixel, a diagonal band.
  const int width = 64, height = 40, stride = 8;
  std::vector<unsigned char> file(14 + 40 + 8 + stride * height, 0);
  auto put32 = [&](size_t at, unsigned v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<unsigned>(file.size()));
  put32(10, 14 + 40 + 8);
  put32(14, 40);
  put32(18, width);
  put32(22, height);
  file[26] = 1;
  file[28] = 1;
  put32(34, stride * height);
  put32(14 + 40 + 4, 0x00FFFFFF);  // colour 1 white, colour 0 black
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (std::abs(x - y) > 6) file[14 + 40 + 8 + y * stride + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
  return file;
}

void MakeInputs(Soak& s) {
  std::vector<unsigned char> noise(777);
  std::mt19937 r(7);
  for (auto& b : noise) b = static_cast<unsigned char>(r());
  std::vector<unsigned char> bmp = SmallBmp();
  std::vector<unsigned char> cut(bmp.begin(), bmp.begin() + 30);
  std::vector<unsigned char> dtmShort = {'_', 'd', 't', 'm', '_', '<', '(', 1, 2, 3};
  const char xml[] = "<?xml version=\"1.0\"?>\r\n<dot>\r\n<image>\r\nFFZZ\r\n</image>\r\n<info>";
  const std::pair<const char*, std::vector<unsigned char>> files[] = {{"picture.bmp", bmp},
                                                                      {"noise.dtm", noise},
                                                                      {"cut.bmp", cut},
                                                                      {"short.dtm", dtmShort},
                                                                      {"broken.xml", {xml, xml + sizeof xml - 1}}};
  for (const auto& f : files) {
    const std::string path = Document(s, f.first);
    WriteFileBytes(path, f.second.data(), f.second.size());
    s.inputs.emplace_back(path, f.second);
  }
}

// The files opened are as they were; the files saved are whole DTM images.
bool FilesIntact(const Soak& s) {
  bool ok = true;
  for (const auto& input : s.inputs)
    if (ReadFileBytes(input.first) != input.second) {
      Note("changed: %s", input.first.c_str());
      ok = false;
    }
  for (const std::string& path : s.saved) {
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    if (bytes.size() != 350 || std::memcmp(bytes.data(), "_dtm_<(", 7) != 0) {
      Note("not a whole page: %s (%u bytes)", path.c_str(), static_cast<unsigned>(bytes.size()));
      ok = false;
    }
  }
  return ok;
}

std::vector<std::string> Sections(const std::string& ini) {
  std::vector<char> names(65536);
  const DWORD n = GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), ini.c_str());
  std::vector<std::string> list;
  for (DWORD at = 0; at < n && names[at];) {
    list.emplace_back(&names[at]);
    at += static_cast<DWORD>(list.back().size()) + 1;
  }
  std::sort(list.begin(), list.end());
  return list;
}

// The device's last two frames: the blank braille line and the blank page.
bool DeviceBlanked() {
  const std::vector<Frame> frames = ReceivedFrames();
  if (frames.size() < 2) return false;
  const unsigned char blank[300] = {};
  Frame line{0xAA, 0x55, 0x00, 0x1A, 0x00, 0x02, 0x00, 0x00, 0x00};
  line.resize(29, 0);
  line.push_back(0xA7);
  return frames[frames.size() - 2] == line && frames.back() == GraphicFrame(blank);
}

int KeysAndEvents(HANDLE process, DWORD pid) {
  const std::map<std::string, int> kinds = HandleKinds(process, pid);
  int n = 0;
  for (const char* kind : {"Key", "Event"}) {
    const auto found = kinds.find(kind);
    if (found != kinds.end()) n += found->second;
  }
  return n;
}

// "RelivoX Event:15 Key:52 ...; stills Event:..." for the report.
std::string KindsText(HANDLE program, DWORD programPid, HANDLE stills, DWORD stillsPid) {
  std::string text;
  for (int i = 0; i < 2; ++i) {
    text += i ? "; stills" : "RelivoX";
    for (const auto& kind : HandleKinds(i ? stills : program, i ? stillsPid : programPid))
      text += " " + kind.first + ":" + std::to_string(kind.second);
  }
  return text;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Largest(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::atof(argv[1]) <= 0) {
    std::fprintf(stderr, "usage: soak_driver MINUTES OUTDIR\n");
    return 2;
  }
  const double minutes = std::atof(argv[1]);
  g_out = argv[2];
  if (g_out.back() != '\\') g_out += '\\';
  CreateDirectoryA(g_out.c_str(), nullptr);
  g_log = std::fopen((g_out + "driver.log").c_str(), "w");
  if (SimLog().empty() || !std::getenv("RELIVO_SIM_CONTROL")) {
    std::fprintf(stderr, "soak_driver: RELIVO_SIM_LOG and RELIVO_SIM_CONTROL name the simulator's log and FIFO\n");
    return 2;
  }

  ComInit com;
  std::string kindsFirst, kindsLast;
  VirtualCameras cameras;
  cameras.Add(kViewCamera);
  cameras.Add(kStillCamera);
  const PlatformLosses losses = MeasurePlatformLosses();
  Note(
      "the platform keeps %.1f handles of every filter graph, %.1f of every enumeration of the video devices, %.1f "
      "of every file chosen in a file dialog",
      losses.perFilterGraph, losses.perEnumeration, losses.perChosenFile);

  Soak s;
  const std::string runFolder = MakeRunFolder();
  s.folder = runFolder + "data\\";
  CreateDirectoryA(s.folder.c_str(), nullptr);
  const std::string ini = runFolder + "res\\RelivoX.ini";
  WritePrivateProfileStringA("Def", "Debug", "1", ini.c_str());
  WritePrivateProfileStringA("Def", "Box_Size", std::to_string(kPinSize).c_str(), ini.c_str());
  WritePrivateProfileStringA("Device", "autostart", "1", ini.c_str());
  WritePrivateProfileStringA("Cam", "Camera", "Soak Camera", ini.c_str());
  const std::vector<std::string> sectionsBefore = Sections(ini);
  MakeInputs(s);

  if (!StartApp(s.run, runFolder, kWaitMs)) {
    Fail("the program did not start");
    return 1;
  }
  Note("RelivoX runs as process %lu", static_cast<unsigned long>(s.run.Pid()));
  LogTail log(s.run.LogPath());
  s.log = &log;
  std::string seen;
  if (!log.WaitFor(seen, "Name:[Relivo Sim]", kWaitMs)) Fail("the device was not identified at the start");

  // The second process: stills through the capture library all the time.
  KernelHandle stop(CreateEventW(nullptr, TRUE, FALSE, kStopEvent));
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  std::string stillsExe = exe;
  stillsExe = stillsExe.substr(0, stillsExe.find_last_of('\\') + 1) + "soak_stills.exe";
  std::wstring stillsLine =
      L"\"" + std::wstring(stillsExe.begin(), stillsExe.end()) + L"\" \"" + kStillCamera + L"\" " + kStopEvent;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION stills = {};
  std::vector<wchar_t> line(stillsLine.begin(), stillsLine.end());
  line.push_back(L'\0');
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &stills))
    Fail("the stills process did not start");
  KernelHandle stillsProcess(stills.hProcess), stillsThread(stills.hThread);
  Note("the stills process is %lu", static_cast<unsigned long>(stills.dwProcessId));

  {
    Sampler sampler(s.run.process.hProcess, s.run.Pid(), stillsProcess.Get(), stills.dwProcessId, s.platformHandles);
    sampler.Take(true);
    const ULONGLONG started = GetTickCount64();
    const ULONGLONG end = started + static_cast<ULONGLONG>(minutes * 60000);
    // As the report takes it: a third of the run, one to ten minutes.
    const ULONGLONG warmupMs = std::min<ULONGLONG>(600000, std::max<ULONGLONG>(60000, (end - started) / 3));
    struct Act {
      const char* key;  // for RELIVO_SOAK_ACTS
      const char* name;
      void (*run)(Soak&, VirtualCameras&);
      bool usesPlatformThatKeeps;  // registry keys and events the platform keeps
    };
    const Act acts[] = {
        {"keys", "device keys and junk", [](Soak& x, VirtualCameras&) { DeviceStorm(x); }, false},
        {"mouse", "drawing by mouse", [](Soak& x, VirtualCameras&) { DrawWithTheMouse(x); }, false},
        {"typing", "typing and keys", [](Soak& x, VirtualCameras&) { TypeAndPressKeys(x); }, false},
        {"language", "language", [](Soak& x, VirtualCameras&) { SwitchLanguage(x); }, false},
        {"files", "files", [](Soak& x, VirtualCameras&) { FilesOpenedAndSaved(x); }, true},
        {"camera", "camera view", CameraComesAndGoes, true},
        {"screen", "screen view", [](Soak& x, VirtualCameras&) { ScreenViewOnAndOff(x); }, false},
        {"away", "device away", [](Soak& x, VirtualCameras&) { DeviceAway(x); }, false},
    };
    // RELIVO_SOAK_ACTS="files camera" runs only those acts (all by default).
    const char* only = std::getenv("RELIVO_SOAK_ACTS");
    auto chosen = [&](const Act& act) {
      return !only || !*only ||
             (" " + std::string(only) + " ").find(" " + std::string(act.key) + " ") != std::string::npos;
    };
    while (GetTickCount64() < end) {
      ++s.round;
      for (const Act& act : acts) {
        if (GetTickCount64() >= end) break;
        if (!chosen(act)) continue;
        sampler.SetAct(act.name);
        const ULONGLONG actStart = GetTickCount64();
        const int keptBefore = act.usesPlatformThatKeeps ? KeysAndEvents(s.run.process.hProcess, s.run.Pid()) : 0;
        act.run(s, cameras);
        if (WaitForSingleObject(s.run.process.hProcess, 0) == WAIT_OBJECT_0) break;
        // Whatever the act left open: a dialog that came late.
        if (SoakSync(s)) AnswerDialogs(s, "");
        if (act.usesPlatformThatKeeps)
          s.platformHandles += KeysAndEvents(s.run.process.hProcess, s.run.Pid()) - keptBefore;
        Note("round %d: %s, %.1f s", s.round, act.name, (GetTickCount64() - actStart) / 1000.0);
      }
      if (WaitForSingleObject(s.run.process.hProcess, 0) == WAIT_OBJECT_0) {
        Fail("the program ended during the run");
        break;
      }
      // The round's end: the program idle, every view closed.
      sampler.SetAct("round end");
      AnswerDialogs(s, "");
      SoakSync(s);
      sampler.Take(true);
      Note("round %d done", s.round);
      if (kindsFirst.empty() && GetTickCount64() - started >= warmupMs) {
        kindsFirst = KindsText(s.run.process.hProcess, s.run.Pid(), stillsProcess.Get(), stills.dwProcessId);
      }
    }
    sampler.SetAct("end");
    sampler.Take(true);
    kindsLast = KindsText(s.run.process.hProcess, s.run.Pid(), stillsProcess.Get(), stills.dwProcessId);
  }

  // Still answering?
  DWORD_PTR result = 0;
  const bool answers = WaitForSingleObject(s.run.process.hProcess, 0) == WAIT_TIMEOUT && SoakSync(s) &&
                       SendMessageTimeoutA(s.run.main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kWaitMs, &result) != 0;
  if (!answers) Fail("the program does not answer at the end");

  SetEvent(stop.Get());
  if (WaitForSingleObject(stillsProcess.Get(), kWaitMs) != WAIT_OBJECT_0) Fail("the stills process did not end");
  DWORD stillsExit = 1;
  GetExitCodeProcess(stillsProcess.Get(), &stillsExit);
  if (stillsExit != 0) Fail("the stills process failed");

  // Closed without saving the last changes: the device is blanked.
  PostMessageA(s.run.main, WM_CLOSE, 0, 0);
  for (const DWORD start = GetTickCount(); !WaitExit(s.run, 200) && GetTickCount() - start < kWaitMs;)
    for (HWND question : Dialogs(s.run.Pid())) ClickButton(question, IDCANCEL);
  const bool exited = WaitExit(s.run, 0);
  if (!exited) Fail("the program did not close");
  DWORD exitCode = 1;
  GetExitCodeProcess(s.run.process.hProcess, &exitCode);
  const bool blanked = exited && DeviceBlanked();
  if (!blanked) Fail("the device was not blanked at the end");
  // The program adds sections (one per camera); it must lose none.
  const std::vector<std::string> sectionsAfter = Sections(ini);
  bool sectionsKept = true;
  for (const std::string& section : sectionsBefore)
    if (!std::binary_search(sectionsAfter.begin(), sectionsAfter.end(), section)) {
      Note("the settings file lost the section [%s]", section.c_str());
      sectionsKept = false;
    }
  const bool files = FilesIntact(s) && sectionsKept;
  if (!files) Fail("a file was damaged");
  CopyFileA(s.run.LogPath().c_str(), (g_out + "RelivoX.pro").c_str(), FALSE);

  if (FILE* r = std::fopen((g_out + "result.txt").c_str(), "w")) {
    std::fprintf(r, "minutes=%.1f\nrounds=%d\nanswers=%d\nexited=%d\nexit_code=%lu\nblanked=%d\nfiles_intact=%d\n",
                 minutes, s.round, answers ? 1 : 0, exited ? 1 : 0, static_cast<unsigned long>(exitCode),
                 blanked ? 1 : 0, files ? 1 : 0);
    std::fprintf(r, "device_lost=%d\ndevice_back=%d\n", s.lost, s.back);
    std::fprintf(r, "slowest_answer_ms=%lu\n", static_cast<unsigned long>(s.slowestAnswerMs));
    std::fprintf(r, "noticed_ms_median=%.0f\nnoticed_ms_max=%.0f\nback_ms_median=%.0f\nback_ms_max=%.0f\n",
                 Median(s.noticeMs), Largest(s.noticeMs), Median(s.backMs), Largest(s.backMs));
    const CountSources sources = CountSourcesUsed();
    std::fprintf(r, "handles_from=%s\ngdi_from=%s\nuser_from=%s\n", sources.handles, sources.gdiObjects,
                 sources.userObjects);
    std::fprintf(r, "platform_keeps_per_graph=%.2f\nplatform_keeps_per_enumeration=%.2f\n", losses.perFilterGraph,
                 losses.perEnumeration);
    std::fprintf(r, "platform_keeps_per_chosen_file=%.2f\n", losses.perChosenFile);
    std::fprintf(r, "kinds_first=%s\nkinds_last=%s\n", kindsFirst.c_str(), kindsLast.c_str());
    std::fprintf(r, "driver_failures=%d\n", g_failures);
    std::fclose(r);
  }
  Note("%d failures", g_failures);
  if (g_log) std::fclose(g_log);
  return g_failures == 0 ? 0 : 1;
}
