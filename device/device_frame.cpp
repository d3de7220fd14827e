#include "device/device_frame.h"

#include <cstring>

std::uint8_t FrameChecksum(const std::uint8_t* bytes, std::size_t n) {
  std::uint8_t sum = kChecksumSeed;
  for (std::size_t i = 0; i < n; ++i) sum ^= bytes[i];
  return sum;
}

std::size_t BuildFrame(std::uint8_t* out, std::size_t capacity, std::uint8_t target, std::uint16_t command,
                       const std::uint8_t* data, std::size_t k) {
  const std::size_t size = k + kFrameOverhead;
  // The length field is 16 bits wide.
  if (out == nullptr || size > capacity || k + 6 > 0xFFFF) return 0;
  const std::size_t length = k + 6;
  out[0] = kFrameSync0;
  out[1] = kFrameSync1;
  out[2] = static_cast<std::uint8_t>(length >> 8);
  out[3] = static_cast<std::uint8_t>(length & 0xFF);
  out[4] = target;
  out[5] = static_cast<std::uint8_t>(command >> 8);
  out[6] = static_cast<std::uint8_t>(command & 0xFF);
  out[7] = 0;
  out[8] = 0;
  if (k > 0) std::memcpy(out + kFrameDataOffset, data, k);
  out[size - 1] = FrameChecksum(out + 4, size - 5);
  return size;
}

std::size_t BuildCommandFrame(std::uint8_t* out, std::size_t capacity, std::uint16_t command) {
  return BuildFrame(out, capacity, kTargetCommand, command, nullptr, 0);
}

bool IsKeyReport(std::uint16_t command) {
  return command == kCmdKeyReport0 || command == kCmdKeyReport1 || command == kCmdKeyReport2 ||
         command == kCmdKeyReport3;
}
