#include "capture/picture_model.h"

namespace {

constexpr std::uint32_t kMaxColourEntries = 256;

std::uint32_t ReadU32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

std::uint16_t ReadU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

bool BitCountFits(const DibFields& f) {
  switch (f.compression) {
    case kDibCompressionRgb:
      return f.bitCount == 1 || f.bitCount == 4 || f.bitCount == 8 || f.bitCount == 16 || f.bitCount == 24 ||
             f.bitCount == 32;
    case kDibCompressionBitFields: return f.bitCount == 16 || f.bitCount == 32;
    default: return f.bitCount <= 32;
  }
}

wchar_t UpperAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// Compares [begin, end) of a pattern's extension with a whole extension.
bool SameExtension(const wchar_t* begin, const wchar_t* end, const wchar_t* extension) {
  for (; begin != end; ++begin, ++extension) {
    if (*extension == 0 || UpperAscii(*begin) != UpperAscii(*extension)) return false;
  }
  return *extension == 0;
}

}  // namespace

std::uint64_t DibStride(std::int32_t width, std::uint16_t bitCount) {
  if (width <= 0) return 0;
  return (std::uint64_t(width) * bitCount + 31) / 32 * 4;
}

std::uint32_t DibColourEntries(const DibFields& fields) {
  if (fields.bitCount <= 8 && fields.clrUsed == 0) return std::uint32_t{1} << fields.bitCount;
  return fields.clrUsed;
}

bool DibIsUncompressed(const DibFields& fields) {
  return fields.compression == kDibCompressionRgb || fields.compression == kDibCompressionBitFields;
}

std::uint32_t DibRows(std::int32_t height) {
  return height < 0 ? std::uint32_t(0) - static_cast<std::uint32_t>(height) : static_cast<std::uint32_t>(height);
}

bool DibLayoutOf(const DibFields& f, DibLayout* layout) {
  if (f.headerSize < kDibInfoHeaderBytes || f.headerSize > 4096) return false;
  if (f.width <= 0 || f.width > kDibMaxSide) return false;
  if (f.height == 0 || f.height > kDibMaxSide || f.height < -kDibMaxSide) return false;
  if (f.planes != 1 || !BitCountFits(f)) return false;
  const std::uint32_t colours = DibColourEntries(f);
  if (colours > kMaxColourEntries) return false;
  DibLayout out;
  out.stride = DibStride(f.width, f.bitCount);
  out.headerPart = f.headerSize + std::uint64_t{4} * colours;
  if (f.compression == kDibCompressionBitFields && f.headerSize == kDibInfoHeaderBytes) out.headerPart += kDibMaskBytes;
  if (DibIsUncompressed(f)) {
    out.imageSize = out.stride * DibRows(f.height);
  } else {
    out.imageSize = f.sizeImage;
  }
  if (out.imageSize > kDibMaxImageBytes) return false;
  *layout = out;
  return true;
}

bool DibReadFields(const std::uint8_t* bytes, std::size_t length, DibFields* fields) {
  if (!bytes || length < kDibInfoHeaderBytes) return false;
  DibFields f;
  f.headerSize = ReadU32(bytes);
  if (f.headerSize < kDibInfoHeaderBytes || f.headerSize > length) return false;
  f.width = static_cast<std::int32_t>(ReadU32(bytes + 4));
  f.height = static_cast<std::int32_t>(ReadU32(bytes + 8));
  f.planes = ReadU16(bytes + 12);
  f.bitCount = ReadU16(bytes + 14);
  f.compression = ReadU32(bytes + 16);
  f.sizeImage = ReadU32(bytes + 20);
  f.clrUsed = ReadU32(bytes + 32);
  *fields = f;
  return true;
}

bool DibCheckPacked(const std::uint8_t* bytes, std::size_t length, DibFields* fields, DibLayout* layout) {
  DibFields f;
  DibLayout l;
  if (!DibReadFields(bytes, length, &f) || !DibLayoutOf(f, &l)) return false;
  if (l.imageSize == 0 || l.headerPart > length || l.imageSize > length - l.headerPart) return false;
  *fields = f;
  *layout = l;
  return true;
}

bool DibFrameIsComplete(const DibFields& fields, const DibLayout& layout, std::size_t length) {
  if (DibIsUncompressed(fields)) return layout.imageSize > 0 && length >= layout.imageSize;
  return length > 0;
}

std::uint32_t DibCompressedInputBytes(const DibFields& fields, std::size_t length) {
  if (fields.sizeImage != 0 && fields.sizeImage <= length) return fields.sizeImage;
  return length < 0xFFFFFFFFu ? static_cast<std::uint32_t>(length) : 0xFFFFFFFFu;
}

DibFields DibDecompressedFields(const DibFields& fields) {
  DibFields target;
  target.headerSize = kDibInfoHeaderBytes;
  target.width = fields.width;
  target.height = fields.height;
  target.planes = 1;
  target.bitCount = fields.bitCount < 24 ? 24 : fields.bitCount;
  target.compression = kDibCompressionRgb;
  return target;
}

bool ExtensionInPatterns(const wchar_t* extension, const wchar_t* patterns) {
  if (!extension || !patterns || *extension != L'.') return false;
  const wchar_t* p = patterns;
  while (*p) {
    const wchar_t* end = p;
    while (*end && *end != L';') ++end;
    // The pattern's extension starts at its last dot.
    const wchar_t* dot = nullptr;
    for (const wchar_t* q = p; q != end; ++q) {
      if (*q == L'.') dot = q;
    }
    if (dot && SameExtension(dot, end, extension)) return true;
    p = *end ? end + 1 : end;
  }
  return false;
}

const wchar_t* PathExtension(const wchar_t* path) {
  if (!path) return nullptr;
  const wchar_t* dot = nullptr;
  for (const wchar_t* p = path; *p; ++p) {
    if (*p == L'\\' || *p == L'/' || *p == L':')
      dot = nullptr;
    else if (*p == L'.')
      dot = p;
  }
  return dot;
}

void TriggerArm(TriggerFlags& flags) {
  flags.cycle.store(1);
  flags.pending.store(1);
}

bool TriggerTakeFrame(TriggerFlags& flags, bool stillPin) {
  if (stillPin) return true;
  return flags.pending.exchange(0) != 0;
}

bool TriggerIsArmed(const TriggerFlags& flags, bool stillPin) { return stillPin || flags.cycle.load() != 0; }

void TriggerCycleDone(TriggerFlags& flags) { flags.cycle.store(0); }
