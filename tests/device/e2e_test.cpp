// End to end through a real COM port: the session code under Wine talks to
// the device simulator on a pty mapped to COMn of this tree's prefix, and
// every test checks the exact bytes the simulator logged as received.
// run_e2e.sh starts the simulator for each suite with the fault mode it
// needs; RELIVO_COM names the port and RELIVO_SIM_LOG the simulator's log.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/log.h"
#include "base/settings.h"
#include "device/device_frame.h"
#include "device/device_session.h"
#include "device/device_windows.h"
#include "device/serial_port.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

int ComPort() {
  const char* v = std::getenv("RELIVO_COM");
  return v != nullptr ? std::atoi(v) : 0;
}

std::string SimLog() {
  const char* v = std::getenv("RELIVO_SIM_LOG");
  return v != nullptr ? v : "";
}

// The frames the simulator logged as received ("hh:mm:ss.mmm RX AA 55 ...").
std::vector<Bytes> ReadReceived() {
  std::vector<Bytes> frames;
  std::ifstream in(SimLog());
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream ss(line);
    std::string stamp, tag;
    ss >> stamp >> tag;
    if (tag != "RX") continue;
    Bytes f;
    std::string hex;
    while (ss >> hex) f.push_back(static_cast<std::uint8_t>(std::strtoul(hex.c_str(), nullptr, 16)));
    frames.push_back(f);
  }
  return frames;
}

// Waits until the simulator has logged at least n frames (or 3 s passed).
std::vector<Bytes> Received(std::size_t n) {
  std::vector<Bytes> frames;
  for (int i = 0; i < 300; ++i) {
    frames = ReadReceived();
    if (frames.size() >= n) break;
    Sleep(10);
  }
  Sleep(100);  // nothing more should follow
  return ReadReceived();
}

std::string ReadLog() {
  std::ifstream in("device_e2e.pro", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Waits until the port's input queue holds at least n bytes (at most 3 s).
bool WaitForInput(DWORD n) {
  for (int i = 0; i < 300; ++i) {
    DWORD errors = 0;
    COMSTAT status = {};
    ClearCommError(g_serialPort.handle.Get(), &errors, &status);
    if (status.cbInQue >= n) return true;
    Sleep(10);
  }
  return false;
}

Bytes Frame(std::uint8_t target, const std::uint8_t* data, std::size_t k) {
  Bytes f(k + kFrameOverhead);
  BuildFrame(f.data(), f.size(), target, kCmdDisplayData, data, k);
  return f;
}

const Bytes kVersionRequest = {0xAA, 0x55, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xA5};
const Bytes kNameRequest = {0xAA, 0x55, 0x00, 0x06, 0x00, 0x01, 0x00, 0x00, 0x00, 0xA4};
const Bytes kInfoRequest = {0xAA, 0x55, 0x00, 0x06, 0x00, 0x01, 0x10, 0x00, 0x00, 0xB4};

// Built by hand here, not by the codec under test.
Bytes StartImageFrame() {
  Bytes f(kGraphicSize + 10, 0);
  const std::uint8_t head[9] = {0xAA, 0x55, 0x01, 0x32, 0x01, 0x02, 0x00, 0x00, 0x00};
  std::memcpy(f.data(), head, sizeof head);
  std::memcpy(f.data() + 9, kStartImage, kGraphicSize);
  std::uint8_t sum = 0xA5 ^ 0x01 ^ 0x02;
  for (int i = 0; i < kGraphicSize; ++i) sum ^= kStartImage[i];
  f.back() = sum;
  return f;
}

Bytes BlankLineFrame() {
  Bytes f(30, 0);
  const std::uint8_t head[9] = {0xAA, 0x55, 0x00, 0x1A, 0x00, 0x02, 0x00, 0x00, 0x00};
  std::memcpy(f.data(), head, sizeof head);
  f.back() = 0xA7;
  return f;
}

class DeviceE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GT(ComPort(), 0) << "RELIVO_COM is not set: run through run_e2e.sh";
    ASSERT_FALSE(SimLog().empty()) << "RELIVO_SIM_LOG is not set: run through run_e2e.sh";
    char ini[MAX_PATH];
    GetFullPathNameA("device_e2e.ini", sizeof ini, ini, nullptr);
    DeleteFileA(ini);
    SetSettingsPath(ini);
    ProfileWriteInt("COM", ComPort(), "Device");
    LogSetPath("device_e2e.pro");
    LogReset();
    LogSetLevel(1);
  }
  void TearDown() override { Disconnect(s); }
  // Keeps reading like the tick until n keys are queued (at most 2 s).
  void ReadKeys(int n) {
    for (int i = 0; i < 200 && QueuedKeys(s) < n; ++i) {
      Sleep(10);
      ReadFrame(s);
    }
  }
  DeviceSession& s = TheDeviceSession();
};

// Scenario "normal": the simulator as it starts by default.
TEST_F(DeviceE2E, ConnectWritesTheRequestsAndTheStartImage) {
  ASSERT_TRUE(Connect(s));
  EXPECT_EQ(s.connected, 1);
  EXPECT_EQ(s.ready, 1);
  EXPECT_STREQ(s.name, "Relivo Sim");
  EXPECT_STREQ(s.version, "RelivoSim 1.0");
  // The display-info reply's command code 01 11 carries a DC1 byte, which
  // the XON/XOFF flow control of the line takes out: the reply is not
  // recognised and cells and columns stay 0 (they are only logged).
  EXPECT_EQ(s.cells, 0);
  EXPECT_EQ(s.columns, 0);
  EXPECT_EQ(s.port, ComPort());
  std::vector<Bytes> rx = Received(4);
  ASSERT_EQ(rx.size(), 4u);
  EXPECT_EQ(rx[0], kVersionRequest);
  EXPECT_EQ(rx[1], kNameRequest);
  EXPECT_EQ(rx[2], kInfoRequest);
  EXPECT_EQ(rx[3], StartImageFrame());
}

TEST_F(DeviceE2E, LineGraphicOnceAndBlankingOnDisconnect) {
  ASSERT_TRUE(Connect(s));
  std::uint8_t cells[kBrailleCells] = {};
  SendFrame(s, kTargetCommand, kBrailleCells, cells);
  std::uint8_t graphic[kGraphicSize];
  for (int i = 0; i < kGraphicSize; ++i) graphic[i] = static_cast<std::uint8_t>(i * 3);
  SendFrame(s, kTargetGraphic, kGraphicSize, graphic);
  SendFrame(s, kTargetGraphic, kGraphicSize, graphic);  // unchanged: not written
  Disconnect(s);
  EXPECT_EQ(s.connected, 0);
  EXPECT_EQ(s.ready, 0);
  EXPECT_STREQ(s.name, "nicht\r\nverbunden");
  EXPECT_FALSE(g_serialPort.handle);

  std::vector<Bytes> rx = Received(8);
  ASSERT_EQ(rx.size(), 8u);
  EXPECT_EQ(rx[4], BlankLineFrame());
  EXPECT_EQ(rx[5], Frame(kTargetGraphic, graphic, kGraphicSize));
  EXPECT_EQ(rx[6], BlankLineFrame());
  std::uint8_t blank[kGraphicSize] = {};
  EXPECT_EQ(rx[7], Frame(kTargetGraphic, blank, kGraphicSize));
}

TEST_F(DeviceE2E, PortsAreListedAndOpenedByTheirDeviceName) {
  const int count = ScanComPorts();
  EXPECT_GE(count, 1);
  EXPECT_EQ(count, g_serialPort.portCount);
  for (int i = 1; i < count; ++i) EXPECT_LT(PortAt(i - 1), PortAt(i));  // ascending
  EXPECT_EQ(g_serialPort.portList[count], 0);
  EXPECT_EQ(PortAt(count), 0);
  EXPECT_TRUE(IsPortPresent(ComPort()));
  EXPECT_FALSE(IsPortPresent(0));
  char name[kDeviceNameSize];
  BuildDeviceName(name, sizeof name, 9);
  EXPECT_STREQ(name, "COM9");
  BuildDeviceName(name, sizeof name, 12);
  EXPECT_STREQ(name, "\\\\.\\COM12");
  ASSERT_TRUE(start_v24(ComPort(), 115200));
  EXPECT_EQ(g_serialPort.connected, 1);
  std::uint8_t buffer[15];
  std::memset(buffer, 0x5A, sizeof buffer);
  EXPECT_EQ(ReadCommBlock(buffer, 15), 0);  // nothing has arrived
  for (std::uint8_t b : buffer) EXPECT_EQ(b, 0);
  // A name request: its 19-byte reply is read as far as asked, and a read
  // asking for more than is waiting returns exactly what is waiting.
  WriteComBlock(kNameRequest.data(), static_cast<int>(kNameRequest.size()));
  ASSERT_TRUE(WaitForInput(19)) << "the name reply did not arrive";
  std::uint8_t reply[15];
  EXPECT_EQ(ReadCommBlock(reply, 15), 15);
  EXPECT_EQ(reply[0], 0xAA);
  EXPECT_EQ(reply[6], 0x01);
  std::memset(reply, 0x5A, sizeof reply);
  EXPECT_EQ(ReadCommBlock(reply, 15), 4);
  EXPECT_EQ(reply[2], 0x6D);  // the 'm' of "Relivo Sim", then the checksum
  for (int i = 4; i < 15; ++i) EXPECT_EQ(reply[i], 0);
  EXPECT_EQ(ReadCommBlock(reply, 15), 0);
  EXPECT_TRUE(CloseConnection());
  EXPECT_EQ(g_serialPort.connected, 0);
  // A port that is not there: the open fails and the log says so.
  EXPECT_FALSE(start_v24(250, 115200));
}

// Scenario "keys": two key reports 200 ms after the connect.
TEST_F(DeviceE2E, KeysAreQueuedAndTakenNewestFirst) {
  ASSERT_TRUE(Connect(s));
  ASSERT_EQ(s.connected, 1);
  ReadKeys(2);
  ASSERT_EQ(QueuedKeys(s), 2);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton0);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton1);
}

// Scenario "garbage": eight junk bytes before every key report.
TEST_F(DeviceE2E, ReaderResynchronisesAfterGarbage) {
  ASSERT_TRUE(Connect(s));
  ASSERT_EQ(s.connected, 1);
  ReadKeys(1);
  ASSERT_EQ(QueuedKeys(s), 1);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton2);
}

// Scenario "garbage-all": junk before every reply, identification included.
TEST_F(DeviceE2E, GarbageDuringTheConnectDoesNoHarm) {
  ASSERT_TRUE(Connect(s));
  EXPECT_LT(std::strlen(s.name), static_cast<std::size_t>(kDeviceTextSize));
  std::vector<Bytes> rx = Received(4);
  ASSERT_EQ(rx.size(), 4u);
  EXPECT_EQ(rx[3], StartImageFrame());
}

// Scenario "silent": the device answers nothing.
TEST_F(DeviceE2E, SilentDeviceEndsNotIdentified) {
  ASSERT_TRUE(Connect(s));
  EXPECT_EQ(s.connected, 0);
  EXPECT_EQ(s.ready, 1);
  EXPECT_STREQ(s.name, "nicht\r\nverbunden");
  std::vector<Bytes> rx = Received(4);
  ASSERT_EQ(rx.size(), 4u);
  EXPECT_EQ(rx[3], StartImageFrame());
  // Not identified: nothing more is sent.
  std::uint8_t cells[kBrailleCells] = {};
  SendFrame(s, kTargetCommand, kBrailleCells, cells);
  EXPECT_EQ(Received(5).size(), 4u);
}

// Scenario "foreign": a name that does not begin with "R".
TEST_F(DeviceE2E, ForeignNameEndsNotIdentified) {
  ASSERT_TRUE(Connect(s));
  EXPECT_EQ(s.connected, 0);
  EXPECT_STREQ(s.name, "Xenon 2");
  EXPECT_EQ(Received(4).size(), 4u);
}

// Scenario "long": a name reply of 240 bytes.
TEST_F(DeviceE2E, LongNameReplyKeeps19Characters) {
  ASSERT_TRUE(Connect(s));
  EXPECT_EQ(s.connected, 1);
  EXPECT_EQ(std::string(s.name), "Relivo Sim---------");
  EXPECT_STREQ(s.version, "RelivoSim 1.0");
}

// Scenario "split": every frame of the device written in three pieces.
TEST_F(DeviceE2E, FramesSplitAcrossWritesAreReadWhole) {
  ASSERT_TRUE(Connect(s));
  EXPECT_EQ(s.connected, 1);
  EXPECT_STREQ(s.name, "Relivo Sim");
  EXPECT_STREQ(s.version, "RelivoSim 1.0");
}

// Scenario "storm": 48 key reports at once.
TEST_F(DeviceE2E, KeyStormFillsTheQueueAndNoMore) {
  ASSERT_TRUE(Connect(s));
  ASSERT_EQ(s.connected, 1);
  ReadKeys(kKeyQueueSize);
  for (int i = 0; i < 100; ++i) ReadFrame(s);  // the rest of the storm finds the queue full
  EXPECT_EQ(QueuedKeys(s), kKeyQueueSize);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton0);  // key 31 of the storm
}

}  // namespace

// Scenario "flow-bytes": the version reply's length byte is 0x13, which the
// line takes out of the frame and which stops the PC's output; a lone 0x11
// comes before every frame. The stalled request is released, and the
// reader finds the name reply behind the damaged frame.
TEST_F(DeviceE2E, FlowControlBytesFromTheDeviceNeitherStallNorDerail) {
  ASSERT_TRUE(Connect(s));
  EXPECT_EQ(s.connected, 1);
  EXPECT_STREQ(s.name, "Relivo Sim");
  EXPECT_STREQ(s.version, "") << "the damaged version reply is not taken";
  EXPECT_NE(ReadLog().find("Err: WriteComBlock 10 Byte nach"), std::string::npos) << ReadLog();
  std::vector<Bytes> rx = Received(4);
  ASSERT_EQ(rx.size(), 4u);
  EXPECT_EQ(rx[1], kNameRequest);
  EXPECT_EQ(rx[3], StartImageFrame());
  ReadKeys(1);
  ASSERT_EQ(QueuedKeys(s), 1);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton1);
}
