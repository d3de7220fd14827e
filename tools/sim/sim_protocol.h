// The device's side of the frame format: AA 55, big-endian length of what
// follows (checksum included), target, command (2), one free byte, data,
// checksum = 0xA5 XOR every byte from the target to the last data byte.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Longest frame the simulated device accepts (a graphic frame is 306).
constexpr std::size_t kMaxFrameLength = 1024;

// The line runs XON/XOFF, so a DC1 or DC3 byte from the device would be
// taken by the PC's driver as flow control. The device keeps them out of
// everything it can choose: the free byte at offset 7 is picked so that
// the checksum is neither, and text data is padded with a NUL when its
// length byte would be one.
constexpr std::uint8_t kXon = 0x11;
constexpr std::uint8_t kXoff = 0x13;
inline bool IsFlowControl(std::uint8_t b) { return b == kXon || b == kXoff; }

// The length field counts target, command, free byte and checksum besides
// the data.
constexpr std::size_t kFrameLengthOverhead = 5;

inline std::uint8_t Checksum(const std::uint8_t* bytes, std::size_t n) {
  std::uint8_t sum = 0xA5;
  for (std::size_t i = 0; i < n; ++i) sum ^= bytes[i];
  return sum;
}

// dodgeLength false keeps the length as the data make it, flow-control
// byte or not (a fault mode); the checksum still dodges them.
inline std::vector<std::uint8_t> BuildDeviceFrame(std::uint16_t command, std::vector<std::uint8_t> data,
                                                  bool dodgeLength = true) {
  auto lengthOf = [&] { return data.size() + kFrameLengthOverhead; };
  while (dodgeLength && (IsFlowControl(static_cast<std::uint8_t>(lengthOf() & 0xFF)) ||
                         IsFlowControl(static_cast<std::uint8_t>(lengthOf() >> 8))))
    data.push_back(0);
  std::vector<std::uint8_t> f(8 + data.size());
  f[0] = 0xAA;
  f[1] = 0x55;
  f[2] = static_cast<std::uint8_t>(lengthOf() >> 8);
  f[3] = static_cast<std::uint8_t>(lengthOf() & 0xFF);
  f[4] = 0;
  f[5] = static_cast<std::uint8_t>(command >> 8);
  f[6] = static_cast<std::uint8_t>(command & 0xFF);
  f[7] = 0;
  for (std::size_t i = 0; i < data.size(); ++i) f[8 + i] = data[i];
  std::uint8_t sum = Checksum(f.data() + 4, f.size() - 4);
  for (int free = 0; free < 256; ++free) {
    std::uint8_t b = static_cast<std::uint8_t>(free);
    std::uint8_t s = static_cast<std::uint8_t>(sum ^ b);  // byte 7 was 0 in the sum
    if (!IsFlowControl(b) && !IsFlowControl(s)) {
      f[7] = b;
      sum = s;
      break;
    }
  }
  f.push_back(sum);
  return f;
}

inline bool FrameChecksumOk(const std::uint8_t* f, std::size_t size) {
  return size >= 6 && Checksum(f + 4, size - 5) == f[size - 1];
}
