#include <cstdint>
#include <cstring>

#include "document/xml.h"

// Any bytes: the reader stays inside the page, writes only 0 and 1, and a
// page it accepted writes and reads back to the same pins.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static DotPage page, again;
  std::memset(&page, 0x40, sizeof page);
  XmlReading reading = XmlReadPage(reinterpret_cast<const char*>(data), size, page);
  if (std::strlen(reading.text) >= sizeof reading.text) __builtin_trap();
  if (reading.problem != XmlProblem::kNone) return 0;
  for (int i = 0; i < kPagePins; ++i)
    if (page.pins[i] != 0x40 && page.pins[i] > 1) __builtin_trap();
  std::string file = XmlFormat(page, reading.text, "0049");
  std::memset(&again, 0, sizeof again);
  XmlReading back = XmlReadPage(file.data(), file.size(), again);
  if (back.problem != XmlProblem::kNone) __builtin_trap();
  for (int i = 0; i < kPagePins; ++i)
    if ((page.pins[i] != 0) != (again.pins[i] != 0)) __builtin_trap();
  return 0;
}
