// A port that takes every frame at once and never has anything to read:
// the cost of the session alone, for the benchmarks.
#pragma once
#include <cstdint>
#include <cstring>

#include "device/device_session.h"

class NullTransport : public DeviceTransport {
 public:
  int ScanPorts() override { return 1; }
  bool IsPortPresent(int port) override { return port == 1; }
  int PortAt(int i) override { return i == 0 ? 1 : 0; }
  bool Open(int, int) override { return true; }
  void Close() override {}
  int Read(std::uint8_t* buffer, int n) override {
    std::memset(buffer, 0, static_cast<std::size_t>(n));
    return 0;
  }
  bool Write(const std::uint8_t*, int) override { return true; }
  void Sleep(int) override {}
};
