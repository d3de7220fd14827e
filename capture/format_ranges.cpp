#include "capture/format_ranges.h"

#include <algorithm>
#include <limits>
#include <tuple>

std::uint32_t PictureStride(std::int32_t width, std::uint16_t bitCount) {
  const std::uint64_t bits = static_cast<std::uint64_t>(width < 0 ? 0 : width) * bitCount;
  return static_cast<std::uint32_t>(((bits + 31) / 32) * 4);
}

std::uint32_t PictureBitRate(std::uint64_t imageBytes, std::int64_t interval) {
  if (interval <= 0) return 0;
  const std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
  // bytes x 8 bits x units per second / interval, without overflow for
  // any 32-bit picture size.
  const std::uint64_t bitsPerFrame = imageBytes * 8;
  const std::uint64_t perSecond = static_cast<std::uint64_t>(kIntervalUnitsPerSecond);
  if (bitsPerFrame > std::numeric_limits<std::uint64_t>::max() / perSecond) return static_cast<std::uint32_t>(limit);
  const std::uint64_t rate = bitsPerFrame * perSecond / static_cast<std::uint64_t>(interval);
  return static_cast<std::uint32_t>(rate > limit ? limit : rate);
}

std::int32_t FrameRateOf(std::int64_t interval) {
  if (interval <= 0) return 0;
  return static_cast<std::int32_t>(kIntervalUnitsPerSecond / interval);
}

bool SizeFits(std::int32_t wanted, std::int32_t own, std::int32_t minimum, std::int32_t maximum,
              std::int32_t granularity) {
  if (wanted == own) return true;
  if (wanted < minimum || wanted > maximum) return false;
  return granularity <= 1 || wanted % granularity == 0;
}

bool SubtypeMatches(const GuidValue& wanted, const GuidValue& subtype) {
  if (wanted.data2 == 0 && wanted.data3 == 0) return wanted.data1 == subtype.data1;
  return wanted.data1 == subtype.data1 && wanted.data2 == subtype.data2 && wanted.data3 == subtype.data3 &&
         std::equal(wanted.data4, wanted.data4 + 8, subtype.data4);
}

namespace {

bool SameGuid(const GuidValue& a, const GuidValue& b) {
  return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 && std::equal(a.data4, a.data4 + 8, b.data4);
}

auto SortKey(const FormatRange& r) {
  return std::make_tuple(r.minWidth, r.minHeight, r.maxWidth, r.maxHeight, r.minFrameRate, r.maxFrameRate);
}

}  // namespace

void AppendFormatRange(std::vector<FormatRangeGroup>& groups, const GuidValue& subtype, std::uint16_t bitCount,
                       const FormatRange& range) {
  if (groups.empty() || !SameGuid(groups.back().subtype, subtype)) {
    groups.push_back(FormatRangeGroup{subtype, bitCount, 0, {}});
  }
  groups.back().ranges.push_back(range);
}

void SortFormatRanges(std::vector<FormatRangeGroup>& groups) {
  for (FormatRangeGroup& group : groups) {
    if (group.ranges.empty()) continue;
    const FormatRange first = group.ranges.front();
    std::stable_sort(group.ranges.begin(), group.ranges.end(),
                     [](const FormatRange& a, const FormatRange& b) { return SortKey(a) < SortKey(b); });
    // The first range equal in every sorted field: with equal keys the
    // stable sort keeps the first-listed one in front.
    group.firstListed = 0;
    while (SortKey(group.ranges[group.firstListed]) != SortKey(first)) ++group.firstListed;
  }
}

std::size_t CountFormatRanges(const std::vector<FormatRangeGroup>& groups) {
  std::size_t count = 0;
  for (const FormatRangeGroup& group : groups) count += group.ranges.size();
  return count;
}
