// Frames of the tactile device's serial protocol, in both directions:
//   AA 55 | length (2, big-endian) | target | command (2) | 0 | data | checksum
// The length counts every byte after the length field, checksum included;
// the checksum is 0xA5 XOR every byte from the target to the last data byte.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr std::uint8_t kFrameSync0 = 0xAA;
constexpr std::uint8_t kFrameSync1 = 0x55;
constexpr std::uint8_t kChecksumSeed = 0xA5;
constexpr int kFrameHeader = 4;      // sync and length
constexpr int kFrameOverhead = 10;   // a frame with k data bytes is k + 10 long
constexpr int kFrameDataOffset = 9;  // first data byte of a frame we send

// Command codes, high byte first on the line.
constexpr std::uint16_t kCmdVersionRequest = 0x0000;
constexpr std::uint16_t kCmdVersionReply = 0x0001;
constexpr std::uint16_t kCmdNameRequest = 0x0100;
constexpr std::uint16_t kCmdNameReply = 0x0101;
constexpr std::uint16_t kCmdInfoRequest = 0x0110;
constexpr std::uint16_t kCmdInfoReply = 0x0111;
constexpr std::uint16_t kCmdDisplayData = 0x0200;
constexpr std::uint16_t kCmdKeyReport0 = 0x0302;
constexpr std::uint16_t kCmdKeyReport1 = 0x0312;
constexpr std::uint16_t kCmdKeyReport2 = 0x0322;
constexpr std::uint16_t kCmdKeyReport3 = 0x0332;

// Targets of a frame.
constexpr std::uint8_t kTargetCommand = 0;  // commands and the braille line
constexpr std::uint8_t kTargetGraphic = 1;

constexpr int kCommandFrameSize = 10;

// The checksum over `n` bytes, seeded with 0xA5.
std::uint8_t FrameChecksum(const std::uint8_t* bytes, std::size_t n);

// Builds a frame carrying `k` data bytes into `out`, which holds `capacity`
// bytes. Offsets 7 and 8 are 0, the data starts at offset 9. Returns the
// frame's size (k + 10), or 0 when it does not fit.
std::size_t BuildFrame(std::uint8_t* out, std::size_t capacity, std::uint8_t target, std::uint16_t command,
                       const std::uint8_t* data, std::size_t k);

// The ten bytes of a command frame: its single data byte is 0.
std::size_t BuildCommandFrame(std::uint8_t* out, std::size_t capacity, std::uint16_t command);

bool IsKeyReport(std::uint16_t command);
