// Feeds an arbitrary byte stream from the device to the frame reader. The
// first byte decides how the line cuts the stream into deliveries.
#include <cstdint>
#include <cstring>

#include "base/log.h"
#include "device/device_session.h"

namespace {

class StreamPort : public DeviceTransport {
 public:
  StreamPort(const std::uint8_t* data, std::size_t size, std::size_t chunk)
      : data_(data), size_(size), chunk_(chunk == 0 ? 1 : chunk) {}
  int ScanPorts() override { return 1; }
  bool IsPortPresent(int port) override { return port == 1; }
  int PortAt(int i) override { return i == 0 ? 1 : 0; }
  bool Open(int, int) override { return true; }
  void Close() override {}
  int Read(std::uint8_t* buffer, int n) override {
    std::memset(buffer, 0, static_cast<std::size_t>(n));
    std::size_t k = 0;
    while (k < static_cast<std::size_t>(n) && pos_ < available_) buffer[k++] = data_[pos_++];
    return static_cast<int>(k);
  }
  bool Write(const std::uint8_t*, int) override { return true; }
  // Time passing lets the next piece of the stream arrive.
  void Sleep(int) override { Deliver(); }
  void Deliver() { available_ = available_ + chunk_ < size_ ? available_ + chunk_ : size_; }
  bool Done() const { return pos_ >= size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_, chunk_, pos_ = 0, available_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  LogSetLevel(0);  // key lines are not written at level 0
  StreamPort port(data + 1, size - 1, data[0]);
  SessionHost host;
  static DeviceSession s;
  InitDeviceSession(s, port, host);
  s.connected = 1;
  for (std::size_t i = 0; i < size * 2 + 2 && !port.Done(); ++i) {
    port.Deliver();
    ReadFrame(s);
    while (TakeNewestKey(s) != 0) {}
  }
  if (std::strlen(s.name) >= kDeviceTextSize || std::strlen(s.version) >= kDeviceTextSize) __builtin_trap();
  return 0;
}
