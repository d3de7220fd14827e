// relivo-sim: the Relivo tactile device on a pseudo-terminal.
//
// It stands in for the hardware on a machine without one: the program
// under Wine opens a COM port mapped to the pty and talks the framed
// protocol to this process, which answers the requests, keeps the pins and
// braille cells it was sent, shows them in the terminal, sends key reports
// and writes every frame it receives to a log. See tools/sim/README.md.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "sim_protocol.h"
#include "sim_wire.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kGraphicBytes = 300;
constexpr int kCells = 20;
constexpr int kBandBytes = 30;
constexpr int kBands = 10;
constexpr int kLongNameBytes = 240;
constexpr int kStormKeys = 48;
// Eight junk bytes: a reader that takes four bytes at a time and meets
// them aligned stays aligned for the frame behind them.
constexpr int kGarbageBytes = 8;
constexpr int kViewIntervalMs = 50;

struct Options {
  std::string name = "Relivo Sim";
  std::string version = "RelivoSim 1.0";
  int cells = 20;
  int columns = 60;
  std::string log;
  std::string link;      // symlink to the pty, kept while running
  std::string pathFile;  // file that receives the pty path
  std::string wineprefix;
  std::string wineRun;  // the tree's wine-run: its Wine loader and server
  int com = 0;          // map COMn of the prefix when not 0
  std::string keys;     // "delay:code,delay:code,..." after the connect
  std::string control;  // FIFO taking key commands from other programs
  int view = -1;        // -1: when stdout is a terminal
  bool plain = false;
  bool silent = false, garbage = false, garbageAll = false, split = false, longName = false, storm = false;
  bool xoff = false, stall = false, flowBytes = false;
  bool unplug = false, hang = false;
  int splitDelayUs = 300;
  int stallMs = 2500;
  int unplugAfterMs = 1000, unplugMs = 3000;  // --fault unplug: when, and for how long
  int hangAfterMs = 1000, hangMs = 3000;      // --fault hang
  int exitAfter = 0;                          // seconds, 0 = run until stopped
  long logMaxKb = 0;                          // the log starts afresh when it grows past this (0: never)
  bool acks = true;
  // Timed mode: the line at this speed (0: instant) and the device's time
  // from a frame to its reply.
  long baud = 0;
  int replyDelayUs = 0;
};

struct ScriptKey {
  int delayMs;
  std::uint16_t code;
};

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

struct TerminalGuard {
  bool active = false;
  termios saved{};
  ~TerminalGuard() { Restore(); }
  void MakeRaw() {
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved) != 0) return;
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) active = true;
  }
  void Restore() {
    if (active) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    active = false;
  }
};

struct Device {
  Options opt;
  int master = -1;
  int slave = -1;  // held open so that the pty survives the program closing it
  std::string ptyPath;
  FILE* log = nullptr;
  std::uint8_t graphic[kGraphicBytes] = {};
  std::uint8_t cells[kCells] = {};
  long frames = 0;
  long graphics = 0;
  long lines = 0;
  long keysSent = 0;
  std::string lastKey = "-";
  std::string lastEvent = "waiting for the program";
  std::vector<std::uint8_t> inbox;
  std::vector<ScriptKey> script;
  std::size_t scriptPos = 0;
  bool scriptStarted = false;
  Clock::time_point nextKeyAt;
  bool dirty = true;
  Clock::time_point lastDraw;
  bool stormSent = false;
  bool stalled = false;  // reads nothing until stallEnd
  Clock::time_point stallEnd;
  // Pulled out: the pty is closed and the link gone until plugBackAt.
  bool unplugged = false;
  Clock::time_point plugBackAt;
  // Hanging: reads and drops every frame, sends nothing, until hangEnd.
  bool hung = false;
  Clock::time_point hangEnd;
  // The faults of --fault unplug and --fault hang, armed by the first
  // display data.
  bool unplugArmed = false, hangArmed = false;
  Clock::time_point unplugAt, hangAt;
  SimWire toDevice;             // the program's bytes on their way
  SimWire toProgram;            // the device's bytes on their way
  Clock::time_point replyAt{};  // a reply leaves no earlier (timed mode)
};

void Usage() {
  std::printf(
      "usage: relivo-sim [options]\n"
      "  --link PATH          keep a symlink PATH -> the pty while running\n"
      "  --path-file FILE     write the pty path (or the link) into FILE\n"
      "  --wineprefix DIR     Wine prefix whose COM port is mapped (with --com)\n"
      "  --wine-run FILE      the Windows tree's wine-run, which runs Wine's reg and\n"
      "                       server with the loader of the tree (with --com)\n"
      "  --com N              map COMn of the prefix to the link (or the pty) and\n"
      "                       restart its wineserver so that the mapping takes effect\n"
      "  --log FILE           hex log of every frame received (and sent), time-stamped\n"
      "  --log-max-kb N       start the log afresh when it grows past N KB (long runs)\n"
      "  --name TEXT          device name (default \"Relivo Sim\")\n"
      "  --version TEXT       device version (default \"RelivoSim 1.0\")\n"
      "  --cells N --columns N  display info (default 20 and 60)\n"
      "  --keys LIST          scripted key reports after the connect: ms:code,...\n"
      "                       (code in hex key bits, e.g. 300:8000,0:0004)\n"
      "  --control FIFO       make FIFO and take commands from it, one a line:\n"
      "                       1..6 (a device key), key HEX (key bits), storm N (N key\n"
      "                       reports at once), garbage N (N junk bytes with flow-control\n"
      "                       bytes and broken frames), unplug MS, hang MS, quit\n"
      "  --fault LIST         comma-separated fault modes:\n"
      "                       silent      answers nothing\n"
      "                       garbage     8 junk bytes before every frame it sends once\n"
      "                                   the program sent display data (keys, acks)\n"
      "                       garbage-all the same before every frame, replies included\n"
      "                       split       every frame written in three pieces\n"
      "                       long        name reply of 240 bytes\n"
      "                       storm       48 key reports at once after the connect\n"
      "                       xoff        a lone XOFF (0x13) after the first display data\n"
      "                       stall       after the first display data: XOFF, reads nothing\n"
      "                                   for --stall-ms, then XON\n"
      "                       flow-bytes  a lone XON (0x11) before every frame, and a version\n"
      "                                   reply whose length byte is 0x13\n"
      "                       unplug      pulled out --unplug-after-ms after the first display\n"
      "                                   data (pty closed, link removed), back after --unplug-ms\n"
      "                       hang        stops answering --hang-after-ms after the first display\n"
      "                                   data (reads and drops every frame), for --hang-ms\n"
      "  --split-delay-us N   pause between the pieces of a split frame (default 300)\n"
      "  --stall-ms N         length of a stall (default 2500)\n"
      "  --unplug-after-ms N --unplug-ms N   (defaults 1000 and 3000)\n"
      "  --hang-after-ms N --hang-ms N       (defaults 1000 and 3000)\n"
      "  --no-acks            do not answer display data\n"
      "  --baud N             timed mode: every byte takes its time on the line at N baud,\n"
      "                       both ways (10 bits a byte); frames are handled when whole\n"
      "  --reply-delay-us N   timed mode: the device answers a frame N us after it\n"
      "                       arrived whole (default 0)\n"
      "  --view | --no-view   live view in the terminal (default: when stdout is one)\n"
      "  --plain              one line per frame on stdout instead of the live view\n"
      "  --exit-after S       stop after S seconds\n"
      "keys while the view runs: 1..6 the six device keys, q quits.\n");
}

bool ParseFaults(Options& o, const std::string& list) {
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t end = list.find(',', pos);
    if (end == std::string::npos) end = list.size();
    std::string f = list.substr(pos, end - pos);
    if (f == "silent")
      o.silent = true;
    else if (f == "garbage")
      o.garbage = true;
    else if (f == "garbage-all")
      o.garbageAll = true;
    else if (f == "split")
      o.split = true;
    else if (f == "long")
      o.longName = true;
    else if (f == "storm")
      o.storm = true;
    else if (f == "xoff")
      o.xoff = true;
    else if (f == "stall")
      o.stall = true;
    else if (f == "flow-bytes")
      o.flowBytes = true;
    else if (f == "unplug")
      o.unplug = true;
    else if (f == "hang")
      o.hang = true;
    else if (!f.empty()) {
      std::fprintf(stderr, "relivo-sim: unknown fault mode \"%s\"\n", f.c_str());
      return false;
    }
    pos = end + 1;
  }
  return true;
}

bool ParseScript(const std::string& text, std::vector<ScriptKey>& out) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(',', pos);
    if (end == std::string::npos) end = text.size();
    std::string item = text.substr(pos, end - pos);
    std::size_t colon = item.find(':');
    if (colon == std::string::npos) return false;
    char* stop = nullptr;
    long delay = std::strtol(item.c_str(), &stop, 10);
    if (stop != item.c_str() + colon || delay < 0) return false;
    unsigned long code = std::strtoul(item.c_str() + colon + 1, &stop, 16);
    if (*stop != '\0' || code > 0xFFFF) return false;
    out.push_back({static_cast<int>(delay), static_cast<std::uint16_t>(code)});
    pos = end + 1;
  }
  return true;
}

bool ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&](const char* what) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "relivo-sim: %s needs a value\n", what);
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--link")
      o.link = next("--link");
    else if (a == "--path-file")
      o.pathFile = next("--path-file");
    else if (a == "--wineprefix")
      o.wineprefix = next("--wineprefix");
    else if (a == "--wine-run")
      o.wineRun = next("--wine-run");
    else if (a == "--com")
      o.com = std::atoi(next("--com"));
    else if (a == "--log")
      o.log = next("--log");
    else if (a == "--log-max-kb")
      o.logMaxKb = std::atol(next("--log-max-kb"));
    else if (a == "--name")
      o.name = next("--name");
    else if (a == "--version")
      o.version = next("--version");
    else if (a == "--cells")
      o.cells = std::atoi(next("--cells"));
    else if (a == "--columns")
      o.columns = std::atoi(next("--columns"));
    else if (a == "--keys")
      o.keys = next("--keys");
    else if (a == "--control")
      o.control = next("--control");
    else if (a == "--fault") {
      if (!ParseFaults(o, next("--fault"))) return false;
    } else if (a == "--split-delay-us")
      o.splitDelayUs = std::atoi(next("--split-delay-us"));
    else if (a == "--stall-ms")
      o.stallMs = std::atoi(next("--stall-ms"));
    else if (a == "--unplug-after-ms")
      o.unplugAfterMs = std::atoi(next("--unplug-after-ms"));
    else if (a == "--unplug-ms")
      o.unplugMs = std::atoi(next("--unplug-ms"));
    else if (a == "--hang-after-ms")
      o.hangAfterMs = std::atoi(next("--hang-after-ms"));
    else if (a == "--hang-ms")
      o.hangMs = std::atoi(next("--hang-ms"));
    else if (a == "--no-acks")
      o.acks = false;
    else if (a == "--baud")
      o.baud = std::atol(next("--baud"));
    else if (a == "--reply-delay-us")
      o.replyDelayUs = std::atoi(next("--reply-delay-us"));
    else if (a == "--view")
      o.view = 1;
    else if (a == "--no-view")
      o.view = 0;
    else if (a == "--plain")
      o.plain = true;
    else if (a == "--exit-after")
      o.exitAfter = std::atoi(next("--exit-after"));
    else if (a == "--help" || a == "-h") {
      Usage();
      std::exit(0);
    } else {
      std::fprintf(stderr, "relivo-sim: unknown option %s\n", a.c_str());
      return false;
    }
  }
  if (o.unplugAfterMs < 0 || o.unplugMs < 0 || o.hangAfterMs < 0 || o.hangMs < 0) {
    std::fprintf(stderr, "relivo-sim: the times of unplug and hang are milliseconds from 0 on\n");
    return false;
  }
  if (o.baud < 0 || o.replyDelayUs < 0) {
    std::fprintf(stderr, "relivo-sim: --baud and --reply-delay-us take numbers of 0 or more\n");
    return false;
  }
  if (o.com < 0 || o.com > 254 || (o.com > 0 && (o.wineprefix.empty() || o.wineRun.empty()))) {
    std::fprintf(stderr, "relivo-sim: --com needs a port 1..254, --wineprefix and --wine-run\n");
    return false;
  }
  return true;
}

// ---- log -------------------------------------------------------------

// A log that has grown past --log-max-kb starts afresh, so that a run of
// hours keeps its end.
void KeepLogSmall(Device& d) {
  if (d.opt.logMaxKb <= 0 || std::ftell(d.log) < d.opt.logMaxKb * 1024) return;
  if (std::freopen(d.opt.log.c_str(), "w", d.log) == nullptr) {
    d.log = nullptr;
    return;
  }
  std::fputs("-- log started afresh\n", d.log);
}

void LogBytes(Device& d, const char* tag, const std::uint8_t* bytes, std::size_t n) {
  if (d.log == nullptr) return;
  KeepLogSmall(d);
  if (d.log == nullptr) return;
  timeval tv{};
  gettimeofday(&tv, nullptr);
  tm local{};
  localtime_r(&tv.tv_sec, &local);
  std::fprintf(d.log, "%02d:%02d:%02d.%03ld %s", local.tm_hour, local.tm_min, local.tm_sec,
               static_cast<long>(tv.tv_usec / 1000), tag);
  for (std::size_t i = 0; i < n; ++i) std::fprintf(d.log, " %02X", bytes[i]);
  std::fputc('\n', d.log);
  std::fflush(d.log);
}

// A line about the device itself: "hh:mm:ss.mmm -- text".
void LogEvent(Device& d, const std::string& text) {
  if (d.log == nullptr) return;
  KeepLogSmall(d);
  if (d.log == nullptr) return;
  timeval tv{};
  gettimeofday(&tv, nullptr);
  tm local{};
  localtime_r(&tv.tv_sec, &local);
  std::fprintf(d.log, "%02d:%02d:%02d.%03ld -- %s\n", local.tm_hour, local.tm_min, local.tm_sec,
               static_cast<long>(tv.tv_usec / 1000), text.c_str());
  std::fflush(d.log);
}

// ---- pty and Wine --------------------------------------------------------

bool OpenPty(Device& d) {
  d.master = posix_openpt(O_RDWR | O_NOCTTY);
  if (d.master < 0 || grantpt(d.master) != 0 || unlockpt(d.master) != 0) {
    std::perror("relivo-sim: pty");
    return false;
  }
  const char* name = ptsname(d.master);
  if (name == nullptr) return false;
  d.ptyPath = name;
  d.slave = open(name, O_RDWR | O_NOCTTY);
  if (d.slave < 0) {
    std::perror("relivo-sim: open slave");
    return false;
  }
  // Raw line until the program sets its own line settings.
  termios t{};
  tcgetattr(d.slave, &t);
  cfmakeraw(&t);
  cfsetispeed(&t, B115200);
  cfsetospeed(&t, B115200);
  tcsetattr(d.slave, TCSANOW, &t);
  fcntl(d.master, F_SETFL, fcntl(d.master, F_GETFL) | O_NONBLOCK);
  return true;
}

// Points the link at the pty (the program's COM port follows the link).
bool PointLink(Device& d) {
  if (d.opt.link.empty()) return true;
  unlink(d.opt.link.c_str());
  if (symlink(d.ptyPath.c_str(), d.opt.link.c_str()) == 0) return true;
  std::perror(d.opt.link.c_str());
  return false;
}

void ClosePty(Device& d) {
  if (d.slave >= 0) close(d.slave);
  if (d.master >= 0) close(d.master);
  d.slave = d.master = -1;
}

int RunCommand(const std::vector<std::string>& args, const std::string& wineprefix) {
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    setenv("WINEPREFIX", wineprefix.c_str(), 1);
    setenv("RELIVO_WINEPREFIX", wineprefix.c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
    }
    std::vector<char*> argv;
    for (const std::string& s : args) argv.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// COMn of the prefix -> target, through the registry key that Wine's mount
// manager reads when its server starts; the server is restarted for that.
bool MapComPort(const Options& o, const std::string& target) {
  std::string value = "COM" + std::to_string(o.com);
  int rc = RunCommand(
      {o.wineRun, "reg", "add", "HKLM\\Software\\Wine\\Ports", "/v", value, "/t", "REG_SZ", "/d", target, "/f"},
      o.wineprefix);
  if (rc != 0) {
    std::fprintf(stderr, "relivo-sim: %s reg add failed (%d)\n", o.wineRun.c_str(), rc);
    return false;
  }
  RunCommand({o.wineRun, "--server", "-k"}, o.wineprefix);
  RunCommand({o.wineRun, "--server", "-w"}, o.wineprefix);
  return true;
}

// ---- sending ---------------------------------------------------------------

void WriteNow(Device& d, const std::uint8_t* bytes, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    ssize_t w = write(d.master, bytes + done, n - done);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
    } else if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd p{d.master, POLLOUT, 0};
      poll(&p, 1, 100);
      if (g_stop) return;
    } else {
      return;
    }
  }
}

// Neither a device pulled out nor a hanging one sends anything.
bool Mute(const Device& d) { return d.unplugged || d.hung; }

void ProcessInbox(Device& d);

// In timed mode the bytes go onto the line and reach the program byte by
// byte (DeliverLine); otherwise at once.
void WriteAll(Device& d, const std::uint8_t* bytes, std::size_t n) {
  if (d.toProgram.Timed()) {
    d.toProgram.Send(bytes, n, Clock::now(), d.replyAt);
  } else {
    WriteNow(d, bytes, n);
  }
}

// Timed mode: what is through the line from the program reaches the
// inbox, what is through towards the program reaches the pty.
void DeliverLine(Device& d) {
  const Clock::time_point now = Clock::now();
  std::vector<std::uint8_t> out;
  d.toProgram.Arrived(now, out);
  if (!out.empty()) WriteNow(d, out.data(), out.size());
  const std::size_t before = d.inbox.size();
  d.toDevice.Arrived(now, d.inbox);
  if (d.inbox.size() != before) ProcessInbox(d);
}

// A flow-control byte on its own, outside any frame.
void SendFlowByte(Device& d, std::uint8_t byte) {
  if (Mute(d)) return;
  WriteAll(d, &byte, 1);
  LogBytes(d, "TX-flow", &byte, 1);
}

void SendFrame(Device& d, std::uint16_t command, const std::vector<std::uint8_t>& data, bool dodgeLength = true) {
  if (Mute(d)) return;
  std::vector<std::uint8_t> frame = BuildDeviceFrame(command, data, dodgeLength);
  if (d.opt.flowBytes) SendFlowByte(d, kXon);
  if (d.opt.garbageAll || (d.opt.garbage && d.scriptStarted)) {
    static const std::uint8_t junk[kGarbageBytes] = {0x00, 0xAA, 0x7E, 0x55, 0x55, 0xAA, 0x01, 0xFF};
    WriteAll(d, junk, sizeof junk);
    LogBytes(d, "TX-garbage", junk, sizeof junk);
  }
  if (d.opt.split && frame.size() > 3) {
    // Three pieces: inside the sync, inside the header, the rest.
    std::size_t cuts[] = {1, 6, frame.size()};
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
      WriteAll(d, frame.data() + from, cut - from);
      from = cut;
      if (from < frame.size()) usleep(static_cast<useconds_t>(d.opt.splitDelayUs));
    }
  } else {
    WriteAll(d, frame.data(), frame.size());
  }
  LogBytes(d, "TX", frame.data(), frame.size());
}

void SendKey(Device& d, std::uint16_t bits) {
  if (Mute(d)) {
    d.lastEvent = d.unplugged ? "key pressed while pulled out" : "key pressed while hanging";
    d.dirty = true;
    return;
  }
  static const std::uint16_t kReports[] = {0x0302, 0x0312, 0x0322, 0x0332};
  std::uint16_t command = kReports[d.keysSent % 4];
  SendFrame(d, command, {static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits & 0xFF)});
  ++d.keysSent;
  char text[32];
  std::snprintf(text, sizeof text, "%04X", bits);
  d.lastKey = text;
  d.dirty = true;
}

// Junk as a noisy line brings it: flow-control bytes, frame starts that
// lead nowhere, a frame cut short, a length that lies.
void SendGarbage(Device& d, int n) {
  if (Mute(d)) return;
  static const std::uint8_t kJunk[] = {kXoff, 0xAA, 0x55, 0x00, kXon, 0xAA, 0xAA, 0x55,  0xFF, 0x03, kXon,
                                       0x02,  0xAA, 0x55, 0x00, 0x07, 0x00, 0x03, kXoff, 0x12, 0x55, kXon};
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < n; ++i) bytes.push_back(kJunk[i % sizeof kJunk]);
  bytes.push_back(kXon);  // the PC's output runs again
  WriteAll(d, bytes.data(), bytes.size());
  LogBytes(d, "TX-garbage", bytes.data(), bytes.size());
}

std::vector<std::uint8_t> TextData(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

// ---- pulled out, put back, hanging -------------------------------------------

// Pulled out, as a USB serial adapter is: the pty closes (the program's
// handle to it fails), the link goes away (the COM port cannot be opened)
// and what was on its way is lost.
// A fault's change of state: in the log, and in the live view.
void FaultEvent(Device& d, const std::string& logged, const char* shown) {
  LogEvent(d, logged);
  d.lastEvent = shown;
  d.dirty = true;
}

void Unplug(Device& d, int ms) {
  if (d.unplugged) return;
  ClosePty(d);
  if (!d.opt.link.empty()) unlink(d.opt.link.c_str());
  d.inbox.clear();
  d.toDevice.Drop();
  d.toProgram.Drop();
  d.stalled = false;
  d.unplugged = true;
  d.plugBackAt = Clock::now() + std::chrono::milliseconds(ms);
  FaultEvent(d, "unplugged for " + std::to_string(ms) + " ms", "pulled out");
}

// Put back: a new pty behind the same link, and a device that starts
// afresh with its pins down.
bool PlugBack(Device& d) {
  if (!OpenPty(d) || !PointLink(d)) return false;
  std::memset(d.graphic, 0, sizeof d.graphic);
  std::memset(d.cells, 0, sizeof d.cells);
  d.unplugged = false;
  d.hung = false;
  FaultEvent(d, "plugged in on " + d.ptyPath, "put back");
  return true;
}

// Stops answering without going away: the line stays, every frame is read
// and dropped, nothing is sent.
void Hang(Device& d, int ms) {
  if (d.unplugged) return;
  d.hung = true;
  d.hangEnd = Clock::now() + std::chrono::milliseconds(ms);
  FaultEvent(d, "hanging for " + std::to_string(ms) + " ms", "hanging");
}

void EndHang(Device& d) {
  d.hung = false;
  FaultEvent(d, "answering again", "answering again");
}

// ---- receiving -------------------------------------------------------------

void StartScript(Device& d) {
  if (d.scriptStarted) return;
  d.scriptStarted = true;
  d.nextKeyAt = Clock::now() + std::chrono::milliseconds(d.script.empty() ? 0 : d.script[0].delayMs);
  if (d.opt.xoff) SendFlowByte(d, kXoff);
  if (d.opt.stall) {
    SendFlowByte(d, kXoff);
    d.stalled = true;
    d.stallEnd = Clock::now() + std::chrono::milliseconds(d.opt.stallMs);
    d.lastEvent = "stalled";
  }
  if (d.opt.unplug) {
    d.unplugArmed = true;
    d.unplugAt = Clock::now() + std::chrono::milliseconds(d.opt.unplugAfterMs);
  }
  if (d.opt.hang) {
    d.hangArmed = true;
    d.hangAt = Clock::now() + std::chrono::milliseconds(d.opt.hangAfterMs);
  }
  if (d.opt.storm && !d.stormSent) {
    d.stormSent = true;
    static const std::uint16_t kKeys[6] = {0x0004, 0x8000, 0x4000, 0x2000, 0x1000, 0x0002};
    for (int i = 0; i < kStormKeys; ++i) SendKey(d, kKeys[i % 6]);
  }
}

void PlainLine(Device& d, const char* what) {
  if (d.opt.plain) {
    std::printf("frame %ld: %s\n", d.frames, what);
    std::fflush(stdout);
  }
}

void HandleFrame(Device& d, const std::uint8_t* f, std::size_t size) {
  // Replies leave after the device's own time; keys sent outside a frame
  // leave at once.
  struct ReplyTime {
    Device& d;
    ~ReplyTime() { d.replyAt = {}; }
  } replyTime{d};
  d.replyAt = Clock::now() + std::chrono::microseconds(d.opt.replyDelayUs);
  ++d.frames;
  if (d.hung) {
    LogBytes(d, "RX-dropped", f, size);
    PlainLine(d, "dropped (hanging)");
    return;
  }
  bool good = FrameChecksumOk(f, size);
  LogBytes(d, good ? "RX" : "RX-badsum", f, size);
  d.dirty = true;
  if (!good) {
    d.lastEvent = "frame with a wrong checksum";
    PlainLine(d, "bad checksum");
    return;
  }
  std::uint8_t target = f[4];
  std::uint16_t command = static_cast<std::uint16_t>(f[5] << 8 | f[6]);
  const std::uint8_t* data = f + 8;
  std::size_t dataSize = size - 9;
  if (d.opt.silent) {
    d.lastEvent = "silent: request ignored";
    PlainLine(d, "ignored (silent)");
    return;
  }
  switch (command) {
    case 0x0000:
      if (d.opt.flowBytes) {
        // The length byte of this reply is an XOFF.
        std::vector<std::uint8_t> version = TextData(d.opt.version);
        version.resize(kXoff - kFrameLengthOverhead, 0);
        SendFrame(d, 0x0001, version, false);
      } else {
        SendFrame(d, 0x0001, TextData(d.opt.version));
      }
      d.lastEvent = "version request";
      break;
    case 0x0100: {
      std::vector<std::uint8_t> name = TextData(d.opt.name);
      if (d.opt.longName) name.resize(kLongNameBytes, '-');
      SendFrame(d, 0x0101, name);
      d.lastEvent = "name request";
      break;
    }
    case 0x0110:
      SendFrame(d, 0x0111,
                {static_cast<std::uint8_t>(d.opt.cells & 0xFF), static_cast<std::uint8_t>((d.opt.cells >> 8) & 0xFF),
                 static_cast<std::uint8_t>(d.opt.columns & 0xFF)});
      d.lastEvent = "display-info request";
      break;
    case 0x0200:
      // Display data: a 0 byte, then the graphic or the braille cells.
      if (target == 1 && dataSize >= 1 + kGraphicBytes) {
        std::memcpy(d.graphic, data + 1, kGraphicBytes);
        ++d.graphics;
        d.lastEvent = "graphic";
      } else if (target == 0 && dataSize >= 1 + kCells) {
        std::memcpy(d.cells, data + 1, kCells);
        ++d.lines;
        d.lastEvent = "braille line";
      } else {
        d.lastEvent = "display data of an unexpected size";
      }
      if (d.opt.acks) SendFrame(d, 0x0201, {0});
      StartScript(d);
      break;
    default: d.lastEvent = "unknown command"; break;
  }
  PlainLine(d, d.lastEvent.c_str());
}

// Cuts the inbox into frames; bytes before a sync are logged as garbage. A
// frame is handled once it is complete.
void ProcessInbox(Device& d) {
  std::vector<std::uint8_t>& in = d.inbox;
  std::size_t pos = 0;
  while (true) {
    std::size_t sync = pos;
    while (sync + 1 < in.size() && !(in[sync] == 0xAA && in[sync + 1] == 0x55)) ++sync;
    if (sync + 1 >= in.size()) {
      // Keep a trailing 0xAA: it may begin the next frame.
      std::size_t keep = (!in.empty() && in.back() == 0xAA && in.size() - 1 >= pos) ? in.size() - 1 : in.size();
      if (keep > pos) LogBytes(d, "RX-garbage", in.data() + pos, keep - pos);
      pos = keep;
      break;
    }
    if (sync > pos) LogBytes(d, "RX-garbage", in.data() + pos, sync - pos);
    pos = sync;
    if (in.size() - pos < 4) break;
    std::size_t length = static_cast<std::size_t>(in[pos + 2] << 8 | in[pos + 3]);
    if (length < 5 || length > kMaxFrameLength) {
      LogBytes(d, "RX-garbage", in.data() + pos, 2);
      pos += 2;
      continue;
    }
    if (in.size() - pos < 4 + length) break;
    HandleFrame(d, in.data() + pos, 4 + length);
    pos += 4 + length;
  }
  in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(pos));
}

// ---- view ------------------------------------------------------------------

// A packed byte (bits 0..3 left column top down, 4..7 right column) as the
// Unicode braille character with the same dots.
void AppendBraille(std::string& out, std::uint8_t packed) {
  static const int kBitToDot[8] = {0x01, 0x02, 0x04, 0x40, 0x08, 0x10, 0x20, 0x80};
  int dots = 0;
  for (int b = 0; b < 8; ++b)
    if (packed & (1 << b)) dots |= kBitToDot[b];
  unsigned cp = 0x2800u + static_cast<unsigned>(dots);
  out += static_cast<char>(0xE0 | (cp >> 12));
  out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (cp & 0x3F));
}

void Draw(Device& d) {
  std::string s = "\x1b[H\x1b[2J";
  s += "relivo-sim  " + d.ptyPath + "  name \"" + d.opt.name + "\"\r\n";
  s += "+" + std::string(kBandBytes, '-') + "+\r\n";
  for (int band = 0; band < kBands; ++band) {
    s += "|";
    for (int k = 0; k < kBandBytes; ++k) AppendBraille(s, d.graphic[band * kBandBytes + k]);
    s += "|\r\n";
  }
  s += "+" + std::string(kBandBytes, '-') + "+\r\n ";
  for (int c = 0; c < kCells; ++c) AppendBraille(s, d.cells[c]);
  char line[200];
  std::snprintf(line, sizeof line,
                "\r\n\r\nframes %ld  graphics %ld  lines %ld  keys sent %ld (last %s)\r\n%s\r\n"
                "keys: 1..6 device keys, q quit\r\n",
                d.frames, d.graphics, d.lines, d.keysSent, d.lastKey.c_str(), d.lastEvent.c_str());
  s += line;
  fwrite(s.data(), 1, s.size(), stdout);
  fflush(stdout);
  d.dirty = false;
  d.lastDraw = Clock::now();
}

std::uint16_t KeyForDigit(char c) {
  static const std::uint16_t kKeys[6] = {0x0004, 0x8000, 0x4000, 0x2000, 0x1000, 0x0002};
  return c >= '1' && c <= '6' ? kKeys[c - '1'] : 0;
}

// One command line from the control FIFO; false for "quit".
bool ControlCommand(Device& d, const std::string& line) {
  std::string cmd = line;
  while (!cmd.empty() && (cmd.back() == '\r' || cmd.back() == ' ')) cmd.pop_back();
  if (cmd == "quit") return false;
  if (cmd.size() == 1 && KeyForDigit(cmd[0]) != 0) {
    SendKey(d, KeyForDigit(cmd[0]));
  } else if (cmd.rfind("storm ", 0) == 0 || cmd.rfind("garbage ", 0) == 0) {
    const bool storm = cmd[0] == 's';
    long n = std::strtol(cmd.c_str() + (storm ? 6 : 8), nullptr, 10);
    if (n < 0 || n > 4096) n = 0;
    static const std::uint16_t kKeys[6] = {0x0004, 0x8000, 0x4000, 0x2000, 0x1000, 0x0002};
    for (long i = 0; storm && i < n; ++i) SendKey(d, kKeys[i % 6]);
    if (!storm) SendGarbage(d, static_cast<int>(n));
  } else if (cmd.rfind("unplug ", 0) == 0 || cmd.rfind("hang ", 0) == 0) {
    const bool unplug = cmd[0] == 'u';
    char* end = nullptr;
    const char* ms = cmd.c_str() + (unplug ? 7 : 5);
    long value = std::strtol(ms, &end, 10);
    if (end == ms || *end != '\0' || value < 0 || value > 3600000) {
      d.lastEvent = "bad control command: " + cmd;
      d.dirty = true;
    } else if (unplug) {
      Unplug(d, static_cast<int>(value));
    } else {
      Hang(d, static_cast<int>(value));
    }
  } else if (cmd.rfind("key ", 0) == 0) {
    char* end = nullptr;
    unsigned long bits = std::strtoul(cmd.c_str() + 4, &end, 16);
    if (end != cmd.c_str() + 4 && bits <= 0xFFFF) SendKey(d, static_cast<std::uint16_t>(bits));
  } else if (!cmd.empty()) {
    d.lastEvent = "unknown control command: " + cmd;
    d.dirty = true;
  }
  return true;
}

// Reads what the FIFO holds and runs every complete line.
bool ReadControl(Device& d, int fd, std::string& pending) {
  char buf[256];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) pending.append(buf, static_cast<std::size_t>(n));
  std::size_t eol;
  while ((eol = pending.find('\n')) != std::string::npos) {
    std::string line = pending.substr(0, eol);
    pending.erase(0, eol + 1);
    if (!ControlCommand(d, line)) return false;
  }
  if (pending.size() > 1024) pending.clear();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Device d;
  if (!ParseArgs(argc, argv, d.opt)) {
    Usage();
    return 2;
  }
  if (!d.opt.keys.empty() && !ParseScript(d.opt.keys, d.script)) {
    std::fprintf(stderr, "relivo-sim: bad --keys list \"%s\" (want ms:hexcode,...)\n", d.opt.keys.c_str());
    return 2;
  }
  bool view = d.opt.view == 1 || (d.opt.view == -1 && isatty(STDOUT_FILENO) && !d.opt.plain);
  if (d.opt.plain) view = false;

  signal(SIGINT, OnSignal);
  signal(SIGTERM, OnSignal);
  signal(SIGHUP, OnSignal);
  signal(SIGPIPE, SIG_IGN);

  if (!d.opt.log.empty()) {
    d.log = std::fopen(d.opt.log.c_str(), "w");
    if (d.log == nullptr) {
      std::perror(d.opt.log.c_str());
      return 1;
    }
  }
  d.toDevice = SimWire(d.opt.baud);
  d.toProgram = SimWire(d.opt.baud);
  if (!OpenPty(d)) return 1;
  if (!PointLink(d)) return 1;
  const std::string reachable = d.opt.link.empty() ? d.ptyPath : d.opt.link;
  std::printf("relivo-sim: pty %s%s%s\n", d.ptyPath.c_str(), d.opt.link.empty() ? "" : " link ", d.opt.link.c_str());
  std::fflush(stdout);
  if (!d.opt.pathFile.empty()) {
    FILE* f = std::fopen(d.opt.pathFile.c_str(), "w");
    if (f != nullptr) {
      std::fprintf(f, "%s\n", reachable.c_str());
      std::fclose(f);
    }
  }
  if (d.opt.com > 0) {
    if (!MapComPort(d.opt, reachable)) return 1;
    std::printf("relivo-sim: COM%d of %s -> %s\n", d.opt.com, d.opt.wineprefix.c_str(), reachable.c_str());
  }
  std::printf("relivo-sim: ready\n");
  std::fflush(stdout);

  int control = -1;
  std::string pending;
  if (!d.opt.control.empty()) {
    unlink(d.opt.control.c_str());
    // Opened for reading and writing, so that it never reports an end
    // when a writer closes it.
    if (mkfifo(d.opt.control.c_str(), 0600) != 0 || (control = open(d.opt.control.c_str(), O_RDWR | O_NONBLOCK)) < 0) {
      std::perror(d.opt.control.c_str());
      return 1;
    }
  }

  TerminalGuard term;
  if (view) term.MakeRaw();
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(d.opt.exitAfter);

  while (!g_stop) {
    Clock::time_point now = Clock::now();
    if (d.opt.exitAfter > 0 && now >= deadline) break;
    int timeout = 50;
    if (d.scriptStarted && d.scriptPos < d.script.size()) {
      auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(d.nextKeyAt - now).count();
      if (wait < timeout) timeout = wait < 0 ? 0 : static_cast<int>(wait);
    }
    // The faults in time: each shortens the wait to its moment.
    auto due = [&](Clock::time_point at) {
      if (now >= at) return true;
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(at - now).count() + 1;
      if (left < timeout) timeout = static_cast<int>(left);
      return false;
    };
    if (d.unplugArmed && due(d.unplugAt)) {
      d.unplugArmed = false;
      Unplug(d, d.opt.unplugMs);
    }
    if (d.hangArmed && due(d.hangAt)) {
      d.hangArmed = false;
      Hang(d, d.opt.hangMs);
    }
    if (d.unplugged && due(d.plugBackAt) && !PlugBack(d)) break;
    if (d.hung && due(d.hangEnd)) EndHang(d);
    if (d.stalled) {
      if (now >= d.stallEnd) {
        d.stalled = false;
        SendFlowByte(d, kXon);
        d.lastEvent = "stall over";
      } else {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(d.stallEnd - now).count();
        if (left < timeout) timeout = static_cast<int>(left);
      }
    }
    // The line's next byte is due to the microsecond.
    long long waitUs = timeout * 1000LL;
    for (const SimWire* wire : {&d.toDevice, &d.toProgram}) {
      if (!wire->Busy()) continue;
      const long long left = std::chrono::duration_cast<std::chrono::microseconds>(wire->Next() - now).count();
      if (left < waitUs) waitUs = left < 0 ? 0 : left;
    }
    const timespec wait{static_cast<time_t>(waitUs / 1000000), static_cast<long>(waitUs % 1000000) * 1000};
    // A stalled device leaves the bytes for it where they are.
    pollfd fds[3] = {
        {d.stalled || d.unplugged ? -1 : d.master, POLLIN, 0}, {control, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    int nfds = term.active ? 3 : 2;  // a negative fd is skipped by poll
    int r = ppoll(fds, static_cast<nfds_t>(nfds), &wait, nullptr);
    if (r < 0 && errno != EINTR) break;
    if (r > 0 && (fds[0].revents & POLLIN)) {
      std::uint8_t buf[4096];
      ssize_t n;
      while ((n = read(d.master, buf, sizeof buf)) > 0) {
        if (d.toDevice.Timed()) {
          d.toDevice.Send(buf, static_cast<std::size_t>(n), Clock::now());
        } else {
          d.inbox.insert(d.inbox.end(), buf, buf + n);
        }
      }
      if (!d.toDevice.Timed()) ProcessInbox(d);
    }
    if (d.toDevice.Timed()) DeliverLine(d);
    if (r > 0 && control >= 0 && (fds[1].revents & POLLIN) && !ReadControl(d, control, pending)) break;
    if (nfds == 3 && r > 0 && (fds[2].revents & POLLIN)) {
      char c = 0;
      if (read(STDIN_FILENO, &c, 1) == 1) {
        if (c == 'q') break;
        if (std::uint16_t key = KeyForDigit(c)) SendKey(d, key);
      }
    }
    now = Clock::now();
    while (d.scriptStarted && d.scriptPos < d.script.size() && now >= d.nextKeyAt) {
      SendKey(d, d.script[d.scriptPos].code);
      ++d.scriptPos;
      if (d.scriptPos < d.script.size()) d.nextKeyAt += std::chrono::milliseconds(d.script[d.scriptPos].delayMs);
    }
    if (view && d.dirty && now - d.lastDraw >= std::chrono::milliseconds(kViewIntervalMs)) Draw(d);
  }
  term.Restore();
  if (view) std::printf("\n");
  if (!d.opt.link.empty()) unlink(d.opt.link.c_str());
  if (control >= 0) {
    close(control);
    unlink(d.opt.control.c_str());
  }
  if (d.log != nullptr) std::fclose(d.log);
  ClosePty(d);
  return 0;
}
