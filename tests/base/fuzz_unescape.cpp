#include <cstdint>
#include <cstring>
#include <vector>

#include "base/text.h"

// The first byte picks the capacity; the rest is the text, not necessarily
// terminated within it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::size_t capacity = 1 + data[0] * 16u;
  std::vector<char> buf(capacity, 'x');
  std::memcpy(buf.data(), data + 1, size - 1 < capacity ? size - 1 : capacity);
  UnescapeText(buf.data(), capacity);
  std::vector<char> terminated(buf.begin(), buf.end());
  terminated.push_back('\0');
  HexToInt(terminated.data());
  return 0;
}
