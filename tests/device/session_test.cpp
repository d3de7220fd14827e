#include "device/device_session.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "base/log.h"
#include "device/bounded_write.h"
#include "device/device_frame.h"
#include "fake_device.h"

namespace {

class TestHost : public SessionHost {
 public:
  std::map<std::string, int> ints;
  std::map<std::string, int> written;
  std::string edit;
  bool selectionChanged = false;
  bool haveTranslator = false;
  Bytes translation;  // cells in the translator's dot order
  std::string storedText;
  Bytes storedCells;
  int stores = 0;
  int pumped = 0;

  int GetInt(const char* key, int def, const char* section) override {
    auto it = ints.find(std::string(section) + "/" + key);
    return it == ints.end() ? def : it->second;
  }
  void WriteInt(const char* key, int value, const char* section) override {
    written[std::string(section) + "/" + key] = value;
  }
  void PumpMessages(int n) override { pumped += n; }
  void ReadEditText(char* out, int size) override {
    std::snprintf(out, static_cast<std::size_t>(size), "%s", edit.c_str());
  }
  bool CheckBrailleSelection() override { return selectionChanged; }
  int TranslateText(const char* text, std::uint8_t* cells, std::uint16_t* count) override {
    if (!haveTranslator) return SessionHost::TranslateText(text, cells, count);
    for (std::size_t i = 0; i < translation.size(); ++i) cells[i] = translation[i];
    *count = static_cast<std::uint16_t>(translation.size());
    return 1;
  }
  void StoreTextLine(const char* text, const std::uint8_t* cells) override {
    storedText.assign(text, strnlen(text, 20));
    storedCells.assign(cells, cells + kBrailleCells);
    ++stores;
  }
};

std::string ReadLog() {
  std::ifstream in(LogPath(), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::remove("session_test.pro");
    LogSetPath("session_test.pro");
    LogReset();
    LogSetLevel(1);
    InitDeviceSession(s, port, host);
  }
  void ConnectQuietly() {
    ASSERT_TRUE(Connect(s));
    port.writes.clear();
    port.sleeps.clear();
  }
  FakePort port;
  TestHost host;
  DeviceSession s;
};

}  // namespace

TEST(DeviceFrame, CommandFrameForTheNameRequest) {
  std::uint8_t f[kCommandFrameSize];
  ASSERT_EQ(BuildCommandFrame(f, sizeof f, kCmdNameRequest), 10u);
  EXPECT_EQ(Bytes(f, f + 10), (Bytes{0xAA, 0x55, 0x00, 0x06, 0x00, 0x01, 0x00, 0x00, 0x00, 0xA4}));
}

TEST(DeviceFrame, BuildRefusesAFrameThatDoesNotFit) {
  std::uint8_t f[29];
  std::uint8_t data[20] = {};
  EXPECT_EQ(BuildFrame(f, sizeof f, 0, kCmdDisplayData, data, 20), 0u);
  std::uint8_t g[30];
  EXPECT_EQ(BuildFrame(g, sizeof g, 0, kCmdDisplayData, data, 20), 30u);
  EXPECT_EQ(BuildFrame(nullptr, 100, 0, kCmdDisplayData, data, 20), 0u) << "no buffer";
  // The 16-bit length field (data + 6) ends the frame's size, not the room.
  std::vector<std::uint8_t> large(0x10000 + kFrameOverhead), zeros(0xFFFF - 6 + 1);
  ASSERT_EQ(BuildFrame(large.data(), large.size(), 0, kCmdDisplayData, zeros.data(), 0xFFFF - 6),
            0xFFFFu - 6 + kFrameOverhead);
  EXPECT_EQ(large[2], 0xFF);
  EXPECT_EQ(large[3], 0xFF);
  EXPECT_EQ(BuildFrame(large.data(), large.size(), 0, kCmdDisplayData, zeros.data(), 0xFFFF - 5), 0u);
}

TEST_F(SessionTest, InitialValues) {
  EXPECT_EQ(s.portCount, 2);
  EXPECT_EQ(s.lastGraphic[0], 0);
  EXPECT_EQ(s.lastGraphic[255], 255);
  EXPECT_EQ(s.lastGraphic[256], 0);
  EXPECT_EQ(s.lastGraphic[299], 43);
  EXPECT_EQ(s.connected, 0);
  EXPECT_EQ(s.ready, 0);
  EXPECT_EQ(QueuedKeys(s), 0);
  EXPECT_STREQ(s.name, "");
}

TEST_F(SessionTest, DotOrderPutsDots7And8AtTheBottomOfTheColumns) {
  EXPECT_EQ(MapCell(s, 0x01), 0x01);  // dot 1
  EXPECT_EQ(MapCell(s, 0x04), 0x04);  // dot 3
  EXPECT_EQ(MapCell(s, 0x08), 0x10);  // dot 4
  EXPECT_EQ(MapCell(s, 0x20), 0x40);  // dot 6
  EXPECT_EQ(MapCell(s, 0x40), 0x08);  // dot 7
  EXPECT_EQ(MapCell(s, 0x80), 0x80);  // dot 8
  EXPECT_EQ(MapCell(s, 0xFF), 0xFF);
  EXPECT_EQ(MapCell(s, 0x00), 0x00);
}

TEST_F(SessionTest, ConnectWritesRequestsThenTheStartImage) {
  ASSERT_TRUE(Connect(s));
  ASSERT_EQ(port.writes.size(), 4u);
  EXPECT_EQ(port.writes[0], (Bytes{0xAA, 0x55, 0, 6, 0, 0x00, 0x00, 0, 0, 0xA5}));
  EXPECT_EQ(port.writes[1], (Bytes{0xAA, 0x55, 0, 6, 0, 0x01, 0x00, 0, 0, 0xA4}));
  EXPECT_EQ(port.writes[2], (Bytes{0xAA, 0x55, 0, 6, 0, 0x01, 0x10, 0, 0, 0xB4}));
  const Bytes& image = port.writes[3];
  ASSERT_EQ(image.size(), 310u);
  EXPECT_EQ(Bytes(image.begin(), image.begin() + 9), (Bytes{0xAA, 0x55, 0x01, 0x32, 0x01, 0x02, 0, 0, 0}));
  EXPECT_EQ(Bytes(image.begin() + 9, image.end() - 1), Bytes(kStartImage, kStartImage + 300));
  std::uint8_t sum = 0xA5 ^ 0x01 ^ 0x02;
  for (int i = 0; i < 300; ++i) sum ^= kStartImage[i];
  EXPECT_EQ(image.back(), sum);

  EXPECT_STREQ(s.name, "Relivo Test");
  EXPECT_STREQ(s.version, "V1.2");
  EXPECT_EQ(s.cells, 20);
  EXPECT_EQ(s.columns, 60);
  EXPECT_EQ(s.port, 3);
  EXPECT_EQ(s.connected, 1);
  EXPECT_EQ(s.ready, 1);
  EXPECT_EQ(port.openedPort, 3);
  EXPECT_EQ(port.openedBaud, 115200);
  EXPECT_EQ(host.pumped, 20);
  std::string log = ReadLog();
  EXPECT_NE(log.find("Com offen, nun wird die Zeile getestet. COM:3 Baud:115200"), std::string::npos);
  EXPECT_NE(log.find("   Name:[Relivo Test]"), std::string::npos);
  EXPECT_NE(log.find("Version:[V1.2]"), std::string::npos);
  EXPECT_NE(log.find("Cells/Cols/COM: 20/60"), std::string::npos);
}

TEST_F(SessionTest, StartImageIsNotBlank) {
  int raised = 0;
  for (int i = 0; i < kGraphicSize; ++i) raised += kStartImage[i] != 0;
  EXPECT_GT(raised, 100);
}

TEST_F(SessionTest, EveryFrameSentIsFollowedByA2msWait) {
  ASSERT_TRUE(Connect(s));
  ASSERT_GE(port.sleeps.size(), 4u);
  for (int ms : port.sleeps) EXPECT_EQ(ms, 2);
}

TEST_F(SessionTest, ADeviceThatAnswersLateIsStillIdentified) {
  // Each reply shows only after 20 ms, as behind a USB serial adapter.
  port.answer = false;
  for (const Bytes& reply :
       {DeviceFrame(kCmdVersionReply, TextBytes("V9")), DeviceFrame(kCmdNameReply, TextBytes("Relivo Late")),
        DeviceFrame(kCmdInfoReply, {20, 0, 60})}) {
    for (int i = 0; i < 20; ++i) port.chunks.push_back({});
    port.chunks.push_back(reply);
  }
  ASSERT_TRUE(Connect(s));
  EXPECT_EQ(s.connected, 1);
  EXPECT_STREQ(s.name, "Relivo Late");
  EXPECT_EQ(s.columns, 60);
}

TEST_F(SessionTest, MissingPortFallsBackToTheFirstPresentAndWritesItBack) {
  host.ints["Device/COM"] = 9;
  host.ints["Device/Baud"] = 9600;
  port.ports = {4, 7};
  ASSERT_TRUE(Connect(s));
  EXPECT_EQ(port.openedPort, 4);
  EXPECT_EQ(port.openedBaud, 9600);
  EXPECT_EQ(host.written["Device/COM"], 4);
  EXPECT_STREQ(s.linkText, "COM:4 Baud:9600");
}

TEST_F(SessionTest, FailedOpenLeavesTheSessionUnconnected) {
  port.openOk = false;
  EXPECT_FALSE(Connect(s));
  EXPECT_EQ(s.connected, 0);
  EXPECT_EQ(s.ready, 0);
  EXPECT_TRUE(port.writes.empty());
  EXPECT_STREQ(s.name, "nicht\r\nverbunden");
  EXPECT_EQ(s.port, 3);  // the port that was tried
}

TEST_F(SessionTest, SilentDeviceEndsNotIdentified) {
  port.answer = false;
  ASSERT_TRUE(Connect(s));
  EXPECT_EQ(port.writes.size(), 4u);  // the requests and the start image still go out
  EXPECT_EQ(s.connected, 0);
  EXPECT_EQ(s.ready, 1);
  EXPECT_STREQ(s.name, "nicht\r\nverbunden");
  EXPECT_FALSE(port.isOpen) << "the session gave up: the port is free";
  // While not identified nothing is sent.
  std::uint8_t cells[kBrailleCells] = {};
  SendFrame(s, 0, kBrailleCells, cells);
  EXPECT_EQ(port.writes.size(), 4u);
  // The port refuses a second open, like a COM port: the next connect
  // still opens it and finds the device that answers now.
  port.answer = true;
  ASSERT_TRUE(Connect(s));
  EXPECT_EQ(s.connected, 1);
  EXPECT_EQ(port.opened, 2);
}

TEST_F(SessionTest, ConnectClosesAPortLeftOpenBeforeOpeningIt) {
  port.isOpen = true;  // left open by someone
  ASSERT_TRUE(Connect(s));
  EXPECT_EQ(s.connected, 1);
}

TEST_F(SessionTest, ForeignNameEndsNotIdentified) {
  port.name = "Xenon 3";
  ASSERT_TRUE(Connect(s));
  EXPECT_EQ(s.connected, 0);
  EXPECT_STREQ(s.name, "Xenon 3");
}

TEST_F(SessionTest, ConnectWhileConnectedBlanksFirst) {
  ConnectQuietly();
  ASSERT_TRUE(Connect(s));
  ASSERT_EQ(port.writes.size(), 6u);
  EXPECT_EQ(port.writes[0].size(), 30u);   // blank braille line
  EXPECT_EQ(port.writes[1].size(), 310u);  // blank graphic
  EXPECT_EQ(port.opened, 2);
  EXPECT_TRUE(port.isOpen);
  EXPECT_EQ(port.writes[5].size(), 310u);  // start image again: it differs from the blank one
}

TEST_F(SessionTest, BrailleLineOfZeroCells) {
  ConnectQuietly();
  std::uint8_t cells[kBrailleCells] = {};
  SendFrame(s, 0, kBrailleCells, cells);
  Bytes expected = {0xAA, 0x55, 0x00, 0x1A, 0x00, 0x02, 0x00, 0x00, 0x00};
  expected.insert(expected.end(), 20, 0);
  expected.push_back(0xA7);
  ASSERT_EQ(port.writes.size(), 1u);
  EXPECT_EQ(port.writes[0], expected);
  // The braille line goes out every time.
  SendFrame(s, 0, kBrailleCells, cells);
  EXPECT_EQ(port.writes.size(), 2u);
}

TEST_F(SessionTest, SameGraphicTwiceIsWrittenOnce) {
  ConnectQuietly();
  std::uint8_t g[kGraphicSize];
  for (int i = 0; i < kGraphicSize; ++i) g[i] = static_cast<std::uint8_t>(i * 7);
  SendFrame(s, 1, kGraphicSize, g);
  SendFrame(s, 1, kGraphicSize, g);
  EXPECT_EQ(port.writes.size(), 1u);
  g[299] ^= 1;
  SendFrame(s, 1, kGraphicSize, g);
  EXPECT_EQ(port.writes.size(), 2u);
  EXPECT_EQ(std::memcmp(s.lastGraphic, g, kGraphicSize), 0);
}

TEST_F(SessionTest, AGraphicLostOnTheLineIsWrittenAgain) {
  ConnectQuietly();
  std::uint8_t g[kGraphicSize] = {1, 2, 3};
  port.failingWrites = 1;
  SendFrame(s, 1, kGraphicSize, g);
  SendFrame(s, 1, kGraphicSize, g);  // the same page: the device may not have it
  SendFrame(s, 1, kGraphicSize, g);  // now it has
  EXPECT_EQ(port.writes.size(), 2u);
  EXPECT_EQ(s.ready, 1);
}

TEST_F(SessionTest, FirstGraphicAfterStartIsAlwaysWritten) {
  std::uint8_t g[kGraphicSize];
  for (int i = 0; i < kGraphicSize; ++i) g[i] = static_cast<std::uint8_t>(i % 256);
  s.connected = 1;  // identified without the start image
  SendFrame(s, 1, kGraphicSize, g);
  EXPECT_EQ(port.writes.size(), 0u);  // equals the initial pattern by design
  std::uint8_t blank[kGraphicSize] = {};
  SendFrame(s, 1, kGraphicSize, blank);
  EXPECT_EQ(port.writes.size(), 1u);
}

TEST_F(SessionTest, SendFrameRefusesAnOversizedBlock) {
  ConnectQuietly();
  std::uint8_t big[kGraphicSize + 10] = {};
  SendFrame(s, 0, kGraphicSize + 10, big);
  EXPECT_TRUE(port.writes.empty());
}

TEST_F(SessionTest, NothingIsSentWhileUnconnected) {
  std::uint8_t cells[kBrailleCells] = {};
  SendFrame(s, 0, kBrailleCells, cells);
  SendCommand(s, kCmdNameRequest);
  EXPECT_TRUE(port.writes.empty());
}

TEST_F(SessionTest, DisconnectBlanksTheDevice) {
  ConnectQuietly();
  Disconnect(s);
  ASSERT_EQ(port.writes.size(), 2u);
  Bytes line = {0xAA, 0x55, 0x00, 0x1A, 0x00, 0x02, 0x00, 0x00, 0x00};
  line.insert(line.end(), 20, 0);
  line.push_back(0xA7);
  EXPECT_EQ(port.writes[0], line);
  Bytes graphic = {0xAA, 0x55, 0x01, 0x32, 0x01, 0x02, 0x00, 0x00, 0x00};
  graphic.insert(graphic.end(), 300, 0);
  graphic.push_back(0xA5 ^ 0x01 ^ 0x02);
  EXPECT_EQ(port.writes[1], graphic);
  EXPECT_FALSE(port.isOpen);
  EXPECT_EQ(s.connected, 0);
  EXPECT_EQ(s.ready, 0);
  EXPECT_EQ(s.port, 0);
  EXPECT_STREQ(s.version, "");
  EXPECT_STREQ(s.name, "nicht\r\nverbunden");
}

TEST_F(SessionTest, DisconnectWhileUnconnectedSendsNothingButCloses) {
  std::strcpy(s.name, "stale");
  Disconnect(s);
  EXPECT_TRUE(port.writes.empty());
  EXPECT_EQ(port.closed, 1);
  EXPECT_STREQ(s.name, "nicht\r\nverbunden");
}

TEST_F(SessionTest, KeysAreQueuedAndTakenNewestFirst) {
  ConnectQuietly();
  port.Send(DeviceFrame(kCmdKeyReport0, {0x80, 0x00}));
  port.Send(DeviceFrame(kCmdKeyReport2, {0x00, 0x04}));
  ReadFrame(s);
  ReadFrame(s);
  ASSERT_EQ(QueuedKeys(s), 2);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton0);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton1);
  EXPECT_EQ(TakeNewestKey(s), 0);
  EXPECT_NE(ReadLog().find("key:8000"), std::string::npos);
  EXPECT_NE(ReadLog().find("key:0004"), std::string::npos);
}

TEST_F(SessionTest, KeyReportWithoutBitsQueuesNothing) {
  ConnectQuietly();
  port.Send(DeviceFrame(kCmdKeyReport1, {0x00, 0x00}));
  ReadFrame(s);
  EXPECT_EQ(QueuedKeys(s), 0);
}

TEST_F(SessionTest, FullKeyQueueDropsFurtherKeys) {
  ConnectQuietly();
  for (int i = 0; i < 40; ++i) {
    port.Send(DeviceFrame(kCmdKeyReport3, {0x00, static_cast<std::uint8_t>(i + 1)}));
    ReadFrame(s);
  }
  EXPECT_EQ(QueuedKeys(s), kKeyQueueSize);
  EXPECT_EQ(TakeNewestKey(s), 31);
}

TEST_F(SessionTest, UnknownCommandsAreReadWholeAndIgnored) {
  ConnectQuietly();
  port.Send(DeviceFrame(0x0777, {1, 2, 3, 4, 5, 6}));
  port.Send(DeviceFrame(kCmdKeyReport0, {0x40, 0x00}));
  ReadFrame(s);
  EXPECT_EQ(QueuedKeys(s), 0);
  EXPECT_TRUE(port.waiting.size() > 0);
  ReadFrame(s);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton2);
}

TEST_F(SessionTest, GarbageBeforeAFrameIsSkipped) {
  ConnectQuietly();
  port.Send({1, 2, 3, 4, 0x55, 0xAA, 7, 0xAA});
  port.Send(DeviceFrame(kCmdKeyReport0, {0x20, 0x00}));
  ReadFrame(s);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton3);
}

// The line runs XON/XOFF: the driver takes a 0x11 or 0x13 out of a frame.
// The reader keeps in step, and the lost byte makes no key.
TEST_F(SessionTest, FramesThatLostAFlowControlByteKeepTheReaderInStep) {
  ConnectQuietly();
  Bytes version = DeviceFrame(kCmdVersionReply, TextBytes("V2.5 long text"));
  ASSERT_EQ(version[3], 0x13);
  version.erase(version.begin() + 3);  // its length byte
  Bytes info = DeviceFrame(kCmdInfoReply, {40, 0, 80});
  info.erase(info.begin() + 6);  // the 0x11 of its command code
  Bytes key = DeviceFrame(kCmdKeyReport1, {0x40, 0x00});
  Bytes lost = DeviceFrame(kCmdKeyReport2, {0x80, 0x00});
  lost.erase(lost.begin() + 8);  // a byte before its key bits
  for (const Bytes& f : {version, info, lost, key}) port.Send(f);
  for (int i = 0; i < 4; ++i) ReadFrame(s);
  EXPECT_TRUE(port.waiting.empty());
  EXPECT_EQ(s.receivedCount, 0);
  EXPECT_EQ(QueuedKeys(s), 1) << "only the key that arrived whole";
  EXPECT_EQ(TakeNewestKey(s), kKeyButton2);
  EXPECT_EQ(s.cells, 20) << "the damaged display info changes nothing";
}

TEST_F(SessionTest, KeyBitsThatNeverArrivedMakeNoKey) {
  ConnectQuietly();
  // A key report announcing 3 bytes: its command code and no key bits.
  port.Send({0xAA, 0x55, 0x00, 0x03, 0x00, 0x03, 0x02});
  ReadFrame(s);
  // A key report cut after its first key byte.
  Bytes cut = DeviceFrame(kCmdKeyReport0, {0x80, 0x00});
  port.Send(Bytes(cut.begin(), cut.begin() + 9));
  ReadFrame(s);
  // A whole frame whose checksum is wrong.
  Bytes bad = DeviceFrame(kCmdKeyReport0, {0x80, 0x00});
  bad.back() ^= 0xFF;
  port.Send(bad);
  ReadFrame(s);
  // A whole frame one byte short of the key bits: its checksum is no key.
  port.Send(DeviceFrame(kCmdKeyReport0, {0x80}));
  ReadFrame(s);
  EXPECT_EQ(QueuedKeys(s), 0);
  // Exactly the key bits and the checksum.
  port.Send(DeviceFrame(kCmdKeyReport0, {0x80, 0x00}));
  ReadFrame(s);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton1);
}

TEST_F(SessionTest, ZeroLengthByteReads15Bytes) {
  ConnectQuietly();
  Bytes f = {0xAA, 0x55, 0x00, 0x00, 0, 0x03, 0x02, 0, 0x10, 0x00};
  f.resize(4 + 14, 0xEE);
  f.push_back(FrameChecksum(f.data() + 4, 14));
  port.Send(f);
  port.Send(DeviceFrame(kCmdKeyReport0, {0x00, 0x02}));
  ReadFrame(s);
  EXPECT_EQ(s.frameLength, 15);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton4);
  ReadFrame(s);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton5);
}

TEST_F(SessionTest, OnlyTheLowLengthByteCounts) {
  ConnectQuietly();
  Bytes f = DeviceFrame(kCmdKeyReport0, {0x10, 0x00});
  f[2] = 0x01;  // a high byte the reader ignores
  port.Send(f);
  ReadFrame(s);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton4);
}

TEST_F(SessionTest, LongNameKeeps19Characters) {
  ConnectQuietly();
  port.Send(DeviceFrame(kCmdNameReply, TextBytes(std::string("Relivo") + std::string(240, 'x'))));
  port.Send(DeviceFrame(kCmdKeyReport0, {0x00, 0x04}));
  ReadFrame(s);
  EXPECT_EQ(std::string(s.name), "Relivo" + std::string(13, 'x'));
  EXPECT_EQ(s.frameLength, 251);
  // The long frame was read whole: the next one is in sync.
  ReadFrame(s);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton0);
}

TEST_F(SessionTest, NameEndsAtTheFirstNul) {
  ConnectQuietly();
  port.Send(DeviceFrame(kCmdVersionReply, {'2', '.', '0', 0, 'z', 'z'}));
  ReadFrame(s);
  EXPECT_STREQ(s.version, "2.0");
}

TEST_F(SessionTest, LengthThatLiesNeverOverruns) {
  ConnectQuietly();
  Bytes f = DeviceFrame(kCmdNameReply, TextBytes("Relivo"));
  f[3] = 0xFF;  // announces far more than follows
  port.Send(f);
  ReadFrame(s);
  EXPECT_EQ(std::string(s.name).substr(0, 6), "Relivo");
  EXPECT_LE(std::strlen(s.name), 19u);
  EXPECT_TRUE(port.waiting.empty());
}

TEST_F(SessionTest, ShortLengthReadsOnlyWhatItAnnounces) {
  ConnectQuietly();
  Bytes f = DeviceFrame(kCmdNameReply, TextBytes("Relivo"));
  f[3] = 2;
  port.Send(f);
  ReadFrame(s);
  EXPECT_STREQ(s.name, "Relivo Test");  // command code never arrived whole
}

TEST_F(SessionTest, FrameSplitByTheLineIsReadWhole) {
  ConnectQuietly();
  Bytes f = DeviceFrame(kCmdKeyReport0, {0x80, 0x00});
  port.Send(Bytes(f.begin(), f.begin() + 2));
  port.chunks.push_back(Bytes(f.begin() + 2, f.begin() + 7));
  port.chunks.push_back(Bytes(f.begin() + 7, f.end()));
  ReadFrame(s);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton1);
  EXPECT_TRUE(port.waiting.empty());
}

// A read that ends on a frame's first byte keeps it for the rest of the
// frame, which the line delivers a moment later.
TEST_F(SessionTest, AFrameStartAsTheLastByteOfAReadIsKept) {
  ConnectQuietly();
  Bytes f = DeviceFrame(kCmdKeyReport0, {0x20, 0x00});
  port.Send({1, 2, 3, f[0]});
  port.chunks.push_back(Bytes(f.begin() + 1, f.end()));
  ReadFrame(s);
  EXPECT_EQ(TakeNewestKey(s), kKeyButton3);
  EXPECT_EQ(s.receivedCount, 0);
}

TEST_F(SessionTest, FrameCutOffIsHandledWithWhatArrived) {
  ConnectQuietly();
  Bytes f = DeviceFrame(kCmdNameReply, TextBytes("Relivo Cut"));
  port.Send(Bytes(f.begin(), f.begin() + 12));
  ReadFrame(s);
  EXPECT_STREQ(s.name, "Reli");
  port.Send({0xAA});
  ReadFrame(s);  // a lone sync byte: dropped
  EXPECT_TRUE(port.waiting.empty());
}

TEST_F(SessionTest, DisplayInfoReply) {
  ConnectQuietly();
  port.Send(DeviceFrame(kCmdInfoReply, {0x2C, 0x01, 99}));
  ReadFrame(s);
  EXPECT_EQ(s.cells, 300);
  EXPECT_EQ(s.columns, 99);
}

TEST_F(SessionTest, ReadFrameDoesNothingWhileUnconnected) {
  port.Send(DeviceFrame(kCmdKeyReport0, {0x80, 0x00}));
  ReadFrame(s);
  EXPECT_EQ(QueuedKeys(s), 0);
  EXPECT_FALSE(port.waiting.empty());
}

TEST_F(SessionTest, TextLineWithoutTranslatorIsBlank) {
  ConnectQuietly();
  host.edit = "Hallo Welt";
  EXPECT_EQ(UpdateTextLine(s), 10);
  Bytes line = {0xAA, 0x55, 0x00, 0x1A, 0x00, 0x02, 0x00, 0x00, 0x00};
  line.insert(line.end(), 20, 0);
  line.push_back(0xA7);
  ASSERT_EQ(port.writes.size(), 1u);
  EXPECT_EQ(port.writes[0], line);
  EXPECT_STREQ(s.lastText, "Hallo Welt");
  EXPECT_EQ(host.storedText, "Hallo Welt");
  EXPECT_EQ(host.storedCells, Bytes(20, 0));
  EXPECT_NE(ReadLog().find("Err: lou_translateString nicht gefunden!"), std::string::npos);
}

TEST_F(SessionTest, TextLineUnchangedIsNotSentAgain) {
  ConnectQuietly();
  host.edit = "abc";
  UpdateTextLine(s);
  UpdateTextLine(s);
  EXPECT_EQ(port.writes.size(), 1u);
  EXPECT_EQ(host.stores, 1);
  host.selectionChanged = true;  // a new braille language retranslates
  UpdateTextLine(s);
  EXPECT_EQ(port.writes.size(), 2u);
}

TEST_F(SessionTest, TextLineIsTranslatedAndMappedToDeviceOrder) {
  ConnectQuietly();
  host.haveTranslator = true;
  host.translation = {0x01, 0x40, 0x08, 0xFF};
  for (int i = 0; i < 30; ++i) host.translation.push_back(0x80);
  host.edit = "a text longer than twenty characters";
  UpdateTextLine(s);
  ASSERT_EQ(port.writes.size(), 1u);
  const Bytes& f = port.writes[0];
  ASSERT_EQ(f.size(), 30u);
  EXPECT_EQ(f[9], 0x01);
  EXPECT_EQ(f[10], 0x08);
  EXPECT_EQ(f[11], 0x10);
  EXPECT_EQ(f[12], 0xFF);
  EXPECT_EQ(f[28], 0x80);
  EXPECT_EQ(host.storedText, "a text longer than t");
  EXPECT_EQ(host.storedCells[1], 0x08);
}

TEST_F(SessionTest, EditTextIsCutTo79Characters) {
  host.edit = std::string(200, 'q');
  EXPECT_EQ(UpdateTextLine(s), 79);
  EXPECT_EQ(std::strlen(s.lastText), 79u);
  EXPECT_TRUE(port.writes.empty());  // unconnected: stored, not sent
  EXPECT_EQ(host.stores, 1);
}

namespace {

// A port whose writes follow a script: how each attempt starts, whether it
// completes within the first and the second wait, and how it ends.
struct ScriptedWriter : PortWriter {
  struct Attempt {
    WriteStart start;
    bool doneInBound;
    bool doneAfterRelease;
    bool ok;
  };
  explicit ScriptedWriter(Attempt first, Attempt second = {WriteStart::kDone, true, true, true})
      : attempts{first, second} {}
  Attempt attempts[kWriteAttempts];
  const Attempt* now = nullptr;
  int starts = 0, releases = 0, cancels = 0, clears = 0, waits = 0;
  std::vector<int> waitedMs;

  WriteStart Start(const std::uint8_t*, int, unsigned& error) override {
    now = &attempts[static_cast<std::size_t>(starts++)];
    waits = 0;
    error = 995;
    return now->start;
  }
  bool Wait(int ms) override {
    waitedMs.push_back(ms);
    return ++waits == 1 ? now->doneInBound : now->doneAfterRelease;
  }
  bool Finish(unsigned& error) override {
    error = 995;
    return now->ok;
  }
  void ReleaseOutput() override { ++releases; }
  void Cancel() override { ++cancels; }
  void ClearErrors() override { ++clears; }
};

const std::uint8_t kTenBytes[10] = {};

}  // namespace

TEST_F(SessionTest, BoundedWriteReleasesAStalledOutputAndCancelsAtLast) {
  EXPECT_EQ(WriteBoundMs(310, 115200), kWriteBoundMs + 26);
  EXPECT_EQ(WriteBoundMs(310, 9600), kWriteBoundMs + 322);

  ScriptedWriter stalled({WriteStart::kPending, false, true, true});  // a stray XOFF: the release lets it go
  EXPECT_TRUE(WriteBounded(stalled, kTenBytes, 10, 300));
  EXPECT_EQ(stalled.releases, 1);
  EXPECT_EQ(stalled.cancels, 0);
  EXPECT_EQ(stalled.waitedMs, (std::vector<int>{300, 300}));
  EXPECT_NE(ReadLog().find("Err: WriteComBlock 10 Byte nach 300 ms nicht gesendet"), std::string::npos);

  ScriptedWriter stuck({WriteStart::kPending, false, false, true});  // nothing moves: cancelled, not resent
  EXPECT_FALSE(WriteBounded(stuck, kTenBytes, 10, 300));
  EXPECT_EQ(stuck.cancels, 1);
  EXPECT_EQ(stuck.starts, 1);
  EXPECT_NE(ReadLog().find("Err: WriteComBlock abgebrochen"), std::string::npos);
}

TEST_F(SessionTest, BoundedWriteResendsOnceAfterALineError) {
  // Abort on error: refused until the error is read.
  ScriptedWriter refused({WriteStart::kFailed, false, false, false});
  EXPECT_TRUE(WriteBounded(refused, kTenBytes, 10, 300));
  EXPECT_EQ(refused.clears, 1);
  EXPECT_EQ(refused.starts, 2);

  // Ends with an error, and again.
  ScriptedWriter aborted({WriteStart::kPending, true, true, false}, {WriteStart::kPending, true, true, false});
  EXPECT_FALSE(WriteBounded(aborted, kTenBytes, 10, 300));
  EXPECT_EQ(aborted.starts, kWriteAttempts);
  EXPECT_EQ(aborted.clears, kWriteAttempts);
  std::string log = ReadLog();
  EXPECT_NE(log.find("WriteComBlock ERROR <CE-995>"), std::string::npos);
  EXPECT_NE(log.find("Err: WriteComBlock 10 Byte verloren <CE-995>"), std::string::npos);
}
