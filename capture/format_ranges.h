// Format arithmetic and the sorted format ranges of a device, without
// platform: picture strides, bit rates, size matching against a range, and
// the grouping and sorting of the ranges a device reports.
#pragma once
#include "capture/model.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Units of a frame interval per second (100 ns).
constexpr std::int64_t kIntervalUnitsPerSecond = 10000000;

// Bytes of one picture line: rows are padded to 32 bits.
std::uint32_t PictureStride(std::int32_t width, std::uint16_t bitCount);

// Bit rate of pictures of `imageBytes` shown every `interval`: 0 for an
// interval of 0 (the caller keeps the old rate then), else clamped to 32 bits.
std::uint32_t PictureBitRate(std::uint64_t imageBytes, std::int64_t interval);

// Frames per second of an interval; 0 for an interval of 0 or less.
std::int32_t FrameRateOf(std::int64_t interval);

// Whether a wanted size fits: equal to the capability's own size, or within
// minimum .. maximum and (for a granularity above 1) a multiple of it.
bool SizeFits(std::int32_t wanted, std::int32_t own, std::int32_t minimum, std::int32_t maximum,
              std::int32_t granularity);

// Whether a subtype matches a wanted one: the whole GUID, or only the first
// group when the wanted GUID's second and third groups are 0.
bool SubtypeMatches(const GuidValue& wanted, const GuidValue& subtype);

struct FormatRange {
  std::int32_t minWidth, minHeight, maxWidth, maxHeight;
  std::int32_t widthGranularity, heightGranularity;
  std::int32_t minFrameRate, maxFrameRate;
};

// Consecutive ranges of one subtype, as the device listed them.
struct FormatRangeGroup {
  GuidValue subtype;
  std::uint16_t bitCount;
  std::size_t firstListed;  // sorted position of the range listed first
  std::vector<FormatRange> ranges;
};

// Adds a range to the last group, or opens a group when the subtype differs
// from the last group's (a subtype listed again later gets a group of its own).
void AppendFormatRange(std::vector<FormatRangeGroup>& groups, const GuidValue& subtype, std::uint16_t bitCount,
                       const FormatRange& range);

// Sorts each group's ranges by minimum width, minimum height, maximum width,
// maximum height, minimum and maximum frame rate (granularity takes no
// part) and records where the first-listed range went.
void SortFormatRanges(std::vector<FormatRangeGroup>& groups);

// Ranges in all groups.
std::size_t CountFormatRanges(const std::vector<FormatRangeGroup>& groups);
