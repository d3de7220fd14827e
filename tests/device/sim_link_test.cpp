// The session against the device simulator on a real pty, natively and
// under the sanitizers: checks the simulator's side of the protocol (its
// replies, keys and log) with the session code as its counterpart. The
// Windows end-to-end tests do the same through Wine's COM port.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "device/device_frame.h"
#include "device/device_session.h"

extern char** environ;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The pty behind the simulator's link, raw, without flow control.
class PtyTransport : public DeviceTransport {
 public:
  explicit PtyTransport(std::string path) : path_(std::move(path)) {}
  ~PtyTransport() override { Close(); }
  int ScanPorts() override { return 1; }
  bool IsPortPresent(int port) override { return port == 1; }
  int PortAt(int i) override { return i == 0 ? 1 : 0; }
  bool Open(int, int) override {
    fd_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) return false;
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
    return true;
  }
  void Close() override {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  int Read(std::uint8_t* buffer, int n) override {
    std::memset(buffer, 0, static_cast<std::size_t>(n));
    int waiting = 0;
    if (fd_ < 0 || ioctl(fd_, FIONREAD, &waiting) != 0 || waiting <= 0) return 0;
    ssize_t got = read(fd_, buffer, static_cast<std::size_t>(waiting < n ? waiting : n));
    return got > 0 ? static_cast<int>(got) : 0;
  }
  bool Write(const std::uint8_t* buffer, int n) override {
    int done = 0;
    while (fd_ >= 0 && done < n) {
      ssize_t w = write(fd_, buffer + done, static_cast<std::size_t>(n - done));
      if (w > 0)
        done += static_cast<int>(w);
      else
        usleep(100);
    }
    return done == n;
  }
  void Sleep(int ms) override { usleep(static_cast<useconds_t>(ms) * 1000); }

 private:
  std::string path_;
  int fd_ = -1;
};

class Simulator {
 public:
  Simulator(const std::string& name, std::vector<std::string> options) {
    link = std::string("sim-") + name + ".pty";
    log = std::string("sim-") + name + ".log";
    unlink(link.c_str());
    std::vector<std::string> args = {SimPath(), "--link", link, "--log", log, "--no-view", "--exit-after", "60"};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    struct stat st {};
    for (int i = 0; i < 500 && lstat(link.c_str(), &st) != 0; ++i) usleep(10000);
  }
  ~Simulator() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;
  bool Running() const { return pid_ > 0; }

  std::vector<Bytes> Received(std::size_t atLeast) const {
    std::vector<Bytes> frames;
    for (int i = 0; i < 300; ++i) {
      frames = ReadLog("RX");
      if (frames.size() >= atLeast) break;
      usleep(10000);
    }
    return frames;
  }
  std::vector<Bytes> ReadLog(const std::string& wanted) const {
    std::vector<Bytes> frames;
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream ss(line);
      std::string stamp, tag, hex;
      ss >> stamp >> tag;
      if (tag != wanted) continue;
      Bytes f;
      while (ss >> hex) f.push_back(static_cast<std::uint8_t>(std::strtoul(hex.c_str(), nullptr, 16)));
      frames.push_back(f);
    }
    return frames;
  }
  static std::string SimPath() {
    const char* p = std::getenv("RELIVO_SIM");
    return p != nullptr ? p : "relivo-sim";
  }
  std::string link, log;

 private:
  pid_t pid_ = -1;
};

struct Session {
  explicit Session(const std::string& link) : port(link) { InitDeviceSession(s, port, host); }
  ~Session() { Disconnect(s); }
  void ReadKeys(int n) {
    for (int i = 0; i < 200 && QueuedKeys(s) < n; ++i) {
      usleep(10000);
      ReadFrame(s);
    }
  }
  PtyTransport port;
  SessionHost host;
  DeviceSession s;
};

}  // namespace

TEST(SimLink, IdentifiesTheSimulatorAndItLogsTheConnect) {
  Simulator sim("connect", {"--name", "Relivo 60", "--version", "V9", "--cells", "300", "--columns", "61"});
  ASSERT_TRUE(sim.Running());
  Session link(sim.link);
  ASSERT_TRUE(Connect(link.s));
  EXPECT_EQ(link.s.connected, 1);
  EXPECT_STREQ(link.s.name, "Relivo 60");
  EXPECT_STREQ(link.s.version, "V9");
  EXPECT_EQ(link.s.cells, 300);  // this line has no XON/XOFF: the info reply arrives whole
  EXPECT_EQ(link.s.columns, 61);
  std::vector<Bytes> rx = sim.Received(4);
  ASSERT_EQ(rx.size(), 4u);
  EXPECT_EQ(rx[0], (Bytes{0xAA, 0x55, 0, 6, 0, 0, 0, 0, 0, 0xA5}));
  EXPECT_EQ(rx[3].size(), 310u);
  EXPECT_EQ(Bytes(rx[3].begin() + 9, rx[3].end() - 1), Bytes(kStartImage, kStartImage + kGraphicSize));
}

TEST(SimLink, RepliesNeverCarryFlowControlBytesInTheChecksum) {
  Simulator sim("xon", {"--name", "Relivo", "--keys", "0:0004,0:8000,0:4000,0:2000,0:1000,0:0002"});
  Session link(sim.link);
  ASSERT_TRUE(Connect(link.s));
  link.ReadKeys(6);
  EXPECT_EQ(QueuedKeys(link.s), 6);
  for (const Bytes& f : sim.ReadLog("TX")) {
    ASSERT_GE(f.size(), 10u);
    EXPECT_NE(f.back(), 0x11);
    EXPECT_NE(f.back(), 0x13);
    EXPECT_NE(f[3], 0x11);
    EXPECT_NE(f[3], 0x13);
    EXPECT_EQ(FrameChecksum(f.data() + 4, f.size() - 5), f.back());
  }
}

TEST(SimLink, ScriptedKeysArriveNewestFirst) {
  Simulator sim("keys", {"--keys", "100:1000,50:0002"});
  Session link(sim.link);
  ASSERT_TRUE(Connect(link.s));
  usleep(400000);
  link.ReadKeys(2);
  ASSERT_EQ(QueuedKeys(link.s), 2);
  EXPECT_EQ(TakeNewestKey(link.s), kKeyButton5);
  EXPECT_EQ(TakeNewestKey(link.s), kKeyButton4);
}

TEST(SimLink, KeepsWhatItWasSentAndBlanksOnDisconnect) {
  Simulator sim("blank", {});
  {
    Session link(sim.link);
    ASSERT_TRUE(Connect(link.s));
    std::uint8_t cells[kBrailleCells] = {1, 2, 3};
    SendFrame(link.s, 0, kBrailleCells, cells);
  }  // the session's end disconnects: blank line, blank graphic
  std::vector<Bytes> rx = sim.Received(7);
  ASSERT_EQ(rx.size(), 7u);
  EXPECT_EQ(rx[4][9], 1);
  EXPECT_EQ(rx[5], (Bytes{0xAA, 0x55, 0x00, 0x1A, 0x00, 0x02, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0,
                          0,    0,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0xA7}));
  EXPECT_EQ(rx[6].size(), 310u);
}

TEST(SimLink, SilentSimulatorLeavesTheSessionNotIdentified) {
  Simulator sim("silent", {"--fault", "silent"});
  Session link(sim.link);
  ASSERT_TRUE(Connect(link.s));
  EXPECT_EQ(link.s.connected, 0);
  EXPECT_EQ(link.s.ready, 1);
  EXPECT_EQ(sim.Received(4).size(), 4u);
}

TEST(SimLink, SplitAndLongFramesAreReadInStep) {
  Simulator sim("split", {"--fault", "split,long"});
  Session link(sim.link);
  ASSERT_TRUE(Connect(link.s));
  EXPECT_EQ(link.s.connected, 1);
  EXPECT_EQ(std::string(link.s.name), "Relivo Sim---------");
  EXPECT_STREQ(link.s.version, "RelivoSim 1.0");
  EXPECT_EQ(link.s.cells, 20);
  EXPECT_EQ(link.s.columns, 60);
}

TEST(SimLink, KeyStormFillsTheQueue) {
  Simulator sim("storm", {"--fault", "storm", "--no-acks"});
  Session link(sim.link);
  ASSERT_TRUE(Connect(link.s));
  usleep(200000);
  link.ReadKeys(kKeyQueueSize);
  for (int i = 0; i < 60; ++i) ReadFrame(link.s);
  EXPECT_EQ(QueuedKeys(link.s), kKeyQueueSize);
}

TEST(SimLink, ControlFifoSendsKeys) {
  unlink("sim-control.fifo");
  Simulator sim("control", {"--control", "sim-control.fifo"});
  Session link(sim.link);
  ASSERT_TRUE(Connect(link.s));
  struct stat st {};
  for (int i = 0; i < 100 && stat("sim-control.fifo", &st) != 0; ++i) usleep(10000);
  {
    std::ofstream control("sim-control.fifo");
    control << "3\nkey 1000\nnonsense\n";
  }
  link.ReadKeys(2);
  ASSERT_EQ(QueuedKeys(link.s), 2);
  EXPECT_EQ(TakeNewestKey(link.s), kKeyButton4);
  EXPECT_EQ(TakeNewestKey(link.s), kKeyButton2);
}
