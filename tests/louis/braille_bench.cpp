// Benchmark, printed, not judged: one update of the braille line
// (UpdateTextLine) with a changed 40-character text, that is translation,
// device order and the display-data frame, as a share of the 50 ms tick;
// and the update when nothing changed, which the tick runs 20 times a
// second. The real translator and tables of the tree, the shipped
// settings, the lists in a hidden window, the session on a port that takes
// every frame at once.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/library_files.h"
#include "base/log.h"
#include "base/settings.h"
#include "base/text.h"
#include "braille/braille_text.h"
#include "braille/louis_module.h"
#include "device/device_session.h"
#include "tests/bench_clock.h"
#include "tests/device/null_transport.h"
#include "tests/louis/braille_controls.h"

namespace {

constexpr double kTickMs = 50.0;

// Takes every frame at once; sleeps only when asked to keep the
// protocol's pacing (2 ms after every frame sent).
class NullPort : public NullTransport {
 public:
  bool pace = false;
  long frames = 0;
  bool Write(const std::uint8_t*, int) override {
    ++frames;
    return true;
  }
  void Sleep(int ms) override {
    if (pace) ::Sleep(static_cast<DWORD>(ms));
  }
};

// The main window's host: the edit text, the lists and the translator.
class BenchHost : public SessionHost {
 public:
  BenchHost(const LouisModule& louis, const BrailleView& view) : louis_(louis), view_(view) {}
  std::string text;
  void ReadEditText(char* out, int size) override { CopyText(out, static_cast<std::size_t>(size), text.c_str()); }
  bool CheckBrailleSelection() override { return ::CheckBrailleSelection(view_, selection_, focus_); }
  int TranslateText(const char* t, std::uint8_t* cells, std::uint16_t* count) override {
    return ::TranslateText(louis_, view_, t, cells, count);
  }
  BrailleSelection selection_;
  int focus_ = 0;

 private:
  const LouisModule& louis_;
  const BrailleView& view_;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Print(const char* what, const std::vector<double>& ms) {
  const double median = Median(ms);
  std::printf("%-58s median %8.3f ms  max %8.3f ms  %6.2f %% of the tick\n", what, median,
              *std::max_element(ms.begin(), ms.end()), 100.0 * median / kTickMs);
}

// Median time of one update with a changed text, for the grade selected.
std::vector<double> ChangedUpdates(DeviceSession& s, BenchHost& host, int rounds) {
  static const char* kTexts[2] = {"Die Braillezeile zeigt diesen Text, Nr 1",
                                  "Die Braillezeile zeigt diesen Text, Nr 2"};
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    host.text = kTexts[i % 2];
    const double t0 = BenchSeconds();
    UpdateTextLine(s);
    ms.push_back((BenchSeconds() - t0) * 1000.0);
  }
  return ms;
}

}  // namespace

int main() {
  const std::string out = WindowsFolder(RELIVO_OUT_DIR);
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string ini = std::string(temp) + "braille_bench.ini";
  const std::string log = std::string(temp) + "braille_bench.pro";
  if (!CopyFileA((out + "res\\RelivoX.ini").c_str(), ini.c_str(), FALSE)) {
    std::fprintf(stderr, "no settings in %s\n", out.c_str());
    return 1;
  }
  SetSettingsPath(ini.c_str());
  LogSetPath(log.c_str());
  LogSetLevel(0);  // as shipped: only failures are written
  LouisModule louis;
  if (LoadLouis(louis, out.c_str()) != 0) {
    std::fprintf(stderr, "the translator did not load from %s\n", out.c_str());
    return 1;
  }
  BrailleControls controls;
  const BrailleView view = controls.View(out);
  NullPort port;
  BenchHost host(louis, view);
  FillBrailleLists(view, host.selection_, host.focus_);
  DeviceSession s;
  InitDeviceSession(s, port, host);
  s.connected = 1;
  s.ready = 1;

  std::printf("braille line update, 40 characters of text, %s\n", kLouisLibraryFile);
  for (int grade = 0; grade < 2; ++grade) {
    SendMessageA(view.grade, LB_SETCURSEL, static_cast<WPARAM>(grade), 0);
    host.text = "first translation compiles the tables";
    UpdateTextLine(s);
    char what[96];
    std::snprintf(what, sizeof what, "changed text, %s, frame without reply wait",
                  grade == 0 ? "uncontracted" : "contracted");
    port.pace = false;
    Print(what, ChangedUpdates(s, host, 200));
    std::snprintf(what, sizeof what, "changed text, %s, with the 2 ms reply wait",
                  grade == 0 ? "uncontracted" : "contracted");
    port.pace = true;
    Print(what, ChangedUpdates(s, host, 50));
  }
  // The parts: the translator's call alone, and TranslateText with its
  // settings (table list, mode, code page, the selection stored).
  const char* kText = "Die Braillezeile zeigt diesen Text, Nr 1";
  LouisChar chars[kBrailleWorkSize];
  TextToChars(kText, 0, chars);
  char entry[kTableListEntrySize];
  GetBrList(view, entry);
  char tables[kTableListTextSize];
  ComposeTableList(tables, sizeof tables, out.c_str(), "tbl", entry);
  std::vector<double> alone, translate;
  for (int i = 0; i < 200; ++i) {
    std::uint8_t cells[kBrailleWorkSize];
    std::uint16_t count = 0;
    double t0 = BenchSeconds();
    TranslateChars(LouisProc<LouisTranslateStringFn>(louis, kLouis_translateString), tables, chars, kLouisDotsMode,
                   cells, &count);
    double t1 = BenchSeconds();
    TranslateText(louis, view, kText, cells, &count);
    double t2 = BenchSeconds();
    alone.push_back((t1 - t0) * 1000.0);
    translate.push_back((t2 - t1) * 1000.0);
  }
  Print("the translator's call alone (contracted)", alone);
  Print("TranslateText: the call with its settings (contracted)", translate);

  port.pace = false;
  std::vector<double> idle;
  for (int i = 0; i < 2000; ++i) {
    const double t0 = BenchSeconds();
    UpdateTextLine(s);
    idle.push_back((BenchSeconds() - t0) * 1000.0);
  }
  Print("nothing changed (text and selection the same)", idle);
  std::printf("frames written: %ld\n", port.frames);
  FreeLouis(louis);
  DeleteFileA(ini.c_str());
  return 0;
}
