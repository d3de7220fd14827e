// Rules of the library's pictures that need no platform: the layout of a
// device-independent bitmap (stride, colour entries, header part, image
// size) and its checks against the bytes that really arrived, the choice
// of an image encoder by file extension, and the trigger bookkeeping that
// the caller's thread and the streaming thread share. Built into the
// library and tested natively.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

// The fields of a bitmap information header (40 bytes or a larger version)
// that the layout depends on.
struct DibFields {
  std::uint32_t headerSize = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // positive: rows stored bottom-up
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;
  std::uint32_t clrUsed = 0;
};

constexpr std::uint32_t kDibInfoHeaderBytes = 40;
constexpr std::uint32_t kDibCompressionRgb = 0;
constexpr std::uint32_t kDibCompressionBitFields = 3;
constexpr std::uint32_t kDibMaskBytes = 12;  // three bit-field masks behind a 40-byte header
// Largest picture the library makes: 32768 pixels a side, 1 GiB of pixels.
constexpr std::int32_t kDibMaxSide = 32768;
constexpr std::uint64_t kDibMaxImageBytes = std::uint64_t{1} << 30;

// Where the pieces of a packed bitmap lie, in bytes.
struct DibLayout {
  std::uint64_t stride = 0;      // bytes per row, multiple of 4
  std::uint64_t headerPart = 0;  // header, colour table or masks
  std::uint64_t imageSize = 0;   // pixel bytes behind the header part
};

// Bytes per row: ((width x bit count + 31) / 32) x 4.
std::uint64_t DibStride(std::int32_t width, std::uint16_t bitCount);
// 2 to the bit count for 8 bits or less when the used-colour count is 0,
// else the used-colour count.
std::uint32_t DibColourEntries(const DibFields& fields);
bool DibIsUncompressed(const DibFields& fields);
// The height without its sign.
std::uint32_t DibRows(std::int32_t height);

// The layout of a header whose every size fits the library's limits;
// false for a header that does not describe a picture (size below 40,
// width or height 0 or out of range, a plane count other than 1, a bit
// count the compression cannot have, more than 256 colour entries, an
// image above the limit).
bool DibLayoutOf(const DibFields& fields, DibLayout* layout);

// Reads the header fields at the start of `length` bytes (little-endian);
// false when the bytes do not hold a 40-byte header, or hold less than
// the header's own size.
bool DibReadFields(const std::uint8_t* bytes, std::size_t length, DibFields* fields);

// A packed bitmap (header, colour table or masks, pixels) of `length`
// bytes, as the clipboard or a caller hands it over: true when its header
// is sound and the header part and the pixels lie inside the bytes.
bool DibCheckPacked(const std::uint8_t* bytes, std::size_t length, DibFields* fields, DibLayout* layout);

// A frame of `length` bytes for a header: an uncompressed frame must hold
// every row, a compressed one at least one byte.
bool DibFrameIsComplete(const DibFields& fields, const DibLayout& layout, std::size_t length);

// The image size a decompressor is told for a compressed frame of `length`
// bytes: the header's own when the frame holds it, else the frame's length
// (so that it never reads past what arrived), at most 0xFFFFFFFF.
std::uint32_t DibCompressedInputBytes(const DibFields& fields, std::size_t length);
// The picture a compressed frame is decompressed into: same size, no
// compression, 24 bits (or the frame's bit count when that is larger).
DibFields DibDecompressedFields(const DibFields& fields);

// True when the extension (".jpg", dot included) is the extension of one
// pattern of a ';'-separated list such as "*.JPG;*.JPEG;*.JPE;*.JFIF",
// ignoring the case of ASCII letters.
bool ExtensionInPatterns(const wchar_t* extension, const wchar_t* patterns);
// The extension of a path: from the last dot of its file name part, dot
// included; nullptr when the file name has no dot.
const wchar_t* PathExtension(const wchar_t* path);

// The highest quality an image file takes.
constexpr std::int32_t kQualityMax = 100;

// The trigger of a still picture, shared by the caller's thread (arming,
// waiting) and the streaming thread (taking frames). `pending` asks the
// streaming side for one frame; `cycle` stays set from arming until the
// caller's wait has seen the picture, so a frame taken between arming and
// waiting is still delivered to that wait.
struct TriggerFlags {
  std::atomic<std::uint32_t> pending{0};
  std::atomic<std::uint32_t> cycle{0};
};

void TriggerArm(TriggerFlags& flags);
// Streaming side: true when this frame is wanted (every frame of a still
// pin; otherwise the one frame an arming asked for).
bool TriggerTakeFrame(TriggerFlags& flags, bool stillPin);
// Caller's side: is a still on its way or waiting to be seen?
bool TriggerIsArmed(const TriggerFlags& flags, bool stillPin);
// Caller's side: the wait has seen the still; the cycle is over.
void TriggerCycleDone(TriggerFlags& flags);
