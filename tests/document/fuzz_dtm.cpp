#include <cstdint>
#include <cstring>

#include "document/dtm.h"

// Any file image must parse into the record and unpack without leaving it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static DTM record;
  static DotPage page;
  PageObserver view;
  std::memset(&page, 0, sizeof page);
  int n = DtmParse(record, data, size);
  if (n < 0 || n > kDtmSize) __builtin_trap();
  UnpackPage(page, record, view);
  UnpackTextLine(page, record, view);
  if (std::strlen(record.text) > kDtmTextField) __builtin_trap();
  PackPage(page, record);
  return 0;
}
