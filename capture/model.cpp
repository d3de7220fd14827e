#include "capture/model.h"

namespace {

// The uncompressed RGB subtypes share everything but their first group.
constexpr GuidValue kRgbBase = {0, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

struct RgbName {
  std::uint32_t data1;
  const wchar_t* name;
};

constexpr RgbName kRgbNames[] = {
    {0xE436EB78, L"RGB1"},   {0xE436EB79, L"RGB4"},  {0xE436EB7A, L"RGB8"},  {0xE436EB7C, L"RGB555"},
    {0xE436EB7B, L"RGB565"}, {0xE436EB7D, L"RGB24"}, {0xE436EB7E, L"RGB32"},
};

constexpr std::uint32_t kFacilityWin32 = 0x00070000;
constexpr std::uint32_t kPlainCodeLimit = 0x10000;

bool SameTail(const GuidValue& a, const GuidValue& b) {
  if (a.data2 != b.data2 || a.data3 != b.data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.data4[i] != b.data4[i]) return false;
  }
  return true;
}

std::size_t Length(const wchar_t* text) {
  std::size_t n = 0;
  while (text[n] != L'\0') ++n;
  return n;
}

}  // namespace

const wchar_t* RgbSubtypeName(const GuidValue& subtype) {
  if (!SameTail(subtype, kRgbBase)) return nullptr;
  for (const RgbName& entry : kRgbNames) {
    if (entry.data1 == subtype.data1) return entry.name;
  }
  return nullptr;
}

void FourCcText(std::uint32_t data1, wchar_t (&text)[kFourCcChars]) {
  for (std::size_t i = 0; i < 4; ++i) {
    text[i] = static_cast<wchar_t>((data1 >> (8 * i)) & 0xFF);
  }
  text[4] = L'\0';
}

std::size_t FormatErrorNumber(std::uint32_t code, wchar_t* text, std::size_t capacity) {
  wchar_t work[kErrorNumberChars];
  std::size_t n = 0;
  work[n++] = L' ';
  work[n++] = L'(';
  if ((code & kFacilityMask) == kFacilityWin32 || code < kPlainCodeLimit) {
    std::uint32_t value = code & 0xFFFF;
    wchar_t digits[8];
    std::size_t count = 0;
    do {
      digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (count > 0) work[n++] = digits[--count];
  } else {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    work[n++] = L'0';
    work[n++] = L'x';
    for (int shift = 28; shift >= 0; shift -= 4) work[n++] = kHex[(code >> shift) & 0xF];
  }
  work[n++] = L')';
  work[n] = L'\0';
  return CopyWideCut(text, capacity, work);
}

void TrimTrailingBlanks(wchar_t* text) {
  std::size_t n = Length(text);
  while (n > 0) {
    wchar_t c = text[n - 1];
    if (c != L'\r' && c != L'\n' && c != L'\t' && c != L' ') break;
    --n;
  }
  text[n] = L'\0';
}

std::size_t CopyWideCut(wchar_t* dest, std::size_t size, const wchar_t* src) {
  if (size == 0) return 0;
  std::size_t n = 0;
  while (n + 1 < size && src[n] != L'\0') {
    dest[n] = src[n];
    ++n;
  }
  dest[n] = L'\0';
  return n;
}

std::size_t AppendWideCut(wchar_t* dest, std::size_t size, const wchar_t* src) {
  if (size == 0) return 0;
  std::size_t used = 0;
  while (used + 1 < size && dest[used] != L'\0') ++used;
  return used + CopyWideCut(dest + used, size - used, src);
}

bool NextCapacity(std::size_t capacity, std::size_t needed, std::size_t step, std::size_t maxCount,
                  std::size_t* result) {
  if (needed > maxCount) return false;
  if (needed <= capacity) {
    *result = capacity;
    return true;
  }
  std::size_t grown;
  if (step == 0) {
    std::size_t half = capacity / 2;
    grown = capacity > maxCount - half ? maxCount : capacity + half;
  } else {
    grown = capacity > maxCount - step ? maxCount : capacity + step;
  }
  *result = grown > needed ? grown : needed;
  return true;
}
