// A device on the far side of a fake port, for the session's native tests:
// it records every write and answers requests like the tactile device.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "device/device_frame.h"
#include "device/device_session.h"

using Bytes = std::vector<std::uint8_t>;

// A frame as the device sends it: byte 7 is 0.
inline Bytes DeviceFrame(std::uint16_t command, const Bytes& data) {
  Bytes f = {kFrameSync0,
             kFrameSync1,
             0,
             0,
             0,
             static_cast<std::uint8_t>(command >> 8),
             static_cast<std::uint8_t>(command & 0xFF),
             0};
  f.insert(f.end(), data.begin(), data.end());
  std::size_t length = f.size() - 4 + 1;
  f[2] = static_cast<std::uint8_t>(length >> 8);
  f[3] = static_cast<std::uint8_t>(length & 0xFF);
  f.push_back(FrameChecksum(f.data() + 4, f.size() - 4));
  return f;
}

inline Bytes TextBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

class FakePort : public DeviceTransport {
 public:
  // Device behaviour.
  bool answer = true;
  std::string name = "Relivo Test";
  std::string version = "V1.2";
  std::vector<int> ports = {1, 3};
  bool openOk = true;
  int failingWrites = 0;  // the next writes that the line loses
  bool gone = false;      // the open port failed, as when its adapter is pulled out

  // What happened.
  std::vector<Bytes> writes;
  std::vector<int> sleeps;
  int opened = 0, closed = 0, openedPort = -1, openedBaud = -1;
  bool isOpen = false;

  // Bytes on their way to the program; each chunk becomes readable only
  // after the previous one was read and a sleep passed (a split frame).
  std::deque<Bytes> chunks;
  Bytes waiting;

  void Send(const Bytes& b) { waiting.insert(waiting.end(), b.begin(), b.end()); }

  int ScanPorts() override { return static_cast<int>(ports.size()); }
  bool IsPortPresent(int port) override {
    if (port == 0) return false;
    for (int p : ports)
      if (p == port) return true;
    return false;
  }
  int PortAt(int i) override { return i < static_cast<int>(ports.size()) ? ports[i] : 0; }
  // Like the platform's COM ports: a port that is open cannot be opened
  // again.
  bool Open(int port, int baud) override {
    openedPort = port;
    openedBaud = baud;
    if (!openOk || isOpen) return false;
    ++opened;
    isOpen = true;
    return true;
  }
  void Close() override {
    ++closed;
    isOpen = false;
  }
  int Read(std::uint8_t* buffer, int n) override {
    for (int i = 0; i < n; ++i) buffer[i] = 0;
    int k = 0;
    while (k < n && !waiting.empty()) {
      buffer[k++] = waiting.front();
      waiting.erase(waiting.begin());
    }
    return k;
  }
  bool Write(const std::uint8_t* buffer, int n) override {
    Bytes frame(buffer, buffer + n);
    writes.push_back(frame);
    if (failingWrites > 0) {
      --failingWrites;
      return false;
    }
    if (!answer || n < 10) return true;
    std::uint16_t command = static_cast<std::uint16_t>(frame[5] << 8 | frame[6]);
    if (command == kCmdVersionRequest) Send(DeviceFrame(kCmdVersionReply, TextBytes(version)));
    if (command == kCmdNameRequest) Send(DeviceFrame(kCmdNameReply, TextBytes(name)));
    if (command == kCmdInfoRequest) Send(DeviceFrame(kCmdInfoReply, {20, 0, 60}));
    return true;
  }
  bool PortGone() override { return gone && isOpen; }
  void Sleep(int ms) override {
    sleeps.push_back(ms);
    if (!chunks.empty()) {
      Send(chunks.front());
      chunks.pop_front();
    }
  }
};
