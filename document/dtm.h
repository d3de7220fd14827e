// The .dtm file: the 350-byte image of the DTM record behind the header
// "_dtm_<(". No length, version or checksum; the header is not checked.
#pragma once
#include <cstddef>
#include <cstdint>

#include "document/dot_page.h"

extern const char kDtmMagic[7];  // "_dtm_<(" without terminator

// Fills the record from a file image: the fields in file order as far as
// the bytes reach, the rest 0; bytes beyond 350 are ignored. The whole text
// buffer is cleared first, so the text always reads as a terminated string.
// Returns the bytes taken (at most 350).
int DtmParse(DTM& record, const std::uint8_t* bytes, std::size_t size);
