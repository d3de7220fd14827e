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
    case kDibCompressionRle8: return f.bitCount == 8;
    case kDibCompressionRle4: return f.bitCount == 4;
    case kDibCompressionBitFields: return f.bitCount == 16 || f.bitCount == 32;
    default: return f.bitCount <= 32;
  }
}

constexpr std::uint32_t FourCc(char a, char b, char c, char d) {
  return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 | std::uint32_t(std::uint8_t(c)) << 16 |
         std::uint32_t(std::uint8_t(d)) << 24;
}

// Raw YUV formats: packed ones by their bits per pixel, planar ones by the
// size of their chroma planes.
enum class YuvLayout { kPacked, kPlanar420, kPlanar410 };
struct RawYuv {
  std::uint32_t code;
  YuvLayout layout;
  std::uint32_t bitsPerPixel;  // packed formats
};
constexpr RawYuv kRawYuv[] = {
    {FourCc('Y', 'U', 'Y', '2'), YuvLayout::kPacked, 16},   {FourCc('Y', 'U', 'Y', 'V'), YuvLayout::kPacked, 16},
    {FourCc('U', 'Y', 'V', 'Y'), YuvLayout::kPacked, 16},   {FourCc('Y', 'V', 'Y', 'U'), YuvLayout::kPacked, 16},
    {FourCc('Y', '4', '1', 'P'), YuvLayout::kPacked, 12},   {FourCc('Y', '8', '0', '0'), YuvLayout::kPacked, 8},
    {FourCc('Y', '8', ' ', ' '), YuvLayout::kPacked, 8},    {FourCc('G', 'R', 'E', 'Y'), YuvLayout::kPacked, 8},
    {FourCc('Y', '1', '6', ' '), YuvLayout::kPacked, 16},   {FourCc('A', 'Y', 'U', 'V'), YuvLayout::kPacked, 32},
    {FourCc('I', '4', '2', '0'), YuvLayout::kPlanar420, 0}, {FourCc('I', 'Y', 'U', 'V'), YuvLayout::kPlanar420, 0},
    {FourCc('Y', 'V', '1', '2'), YuvLayout::kPlanar420, 0}, {FourCc('N', 'V', '1', '2'), YuvLayout::kPlanar420, 0},
    {FourCc('N', 'V', '2', '1'), YuvLayout::kPlanar420, 0}, {FourCc('Y', 'V', 'U', '9'), YuvLayout::kPlanar410, 0},
};

// A reader of RLE bytes that never passes their end.
struct RleBytes {
  const std::uint8_t* p;
  std::size_t left;
  bool Take(std::size_t n, const std::uint8_t** out) {
    if (n > left) return false;
    *out = p;
    p += n;
    left -= n;
    return true;
  }
};

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
  const bool paletted = fields.compression == kDibCompressionRgb || DibIsRle(fields);
  if (paletted && fields.bitCount <= 8 && fields.clrUsed == 0) return std::uint32_t{1} << fields.bitCount;
  return fields.clrUsed;
}

bool DibIsUncompressed(const DibFields& fields) {
  return fields.compression == kDibCompressionRgb || fields.compression == kDibCompressionBitFields;
}

bool DibIsRle(const DibFields& fields) {
  return fields.compression == kDibCompressionRle8 || fields.compression == kDibCompressionRle4;
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
  const std::uint64_t raw = DibRawYuvBytes(fields);
  if (raw > 0) return length >= raw;
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

std::uint64_t DibRawYuvBytes(const DibFields& fields) {
  if (fields.width <= 0) return 0;
  const std::uint64_t width = static_cast<std::uint32_t>(fields.width);
  const std::uint64_t rows = DibRows(fields.height);
  for (const RawYuv& format : kRawYuv) {
    if (format.code != fields.compression) continue;
    switch (format.layout) {
      case YuvLayout::kPacked: return (width * format.bitsPerPixel + 7) / 8 * rows;
      case YuvLayout::kPlanar420: return width * rows + 2 * ((width + 1) / 2) * ((rows + 1) / 2);
      case YuvLayout::kPlanar410: return width * rows + 2 * ((width + 3) / 4) * ((rows + 3) / 4);
    }
  }
  return 0;
}

bool DibRleFits(const DibFields& fields, const std::uint8_t* bits, std::size_t length) {
  if (!DibIsRle(fields) || !bits || fields.width <= 0) return false;
  const bool four = fields.compression == kDibCompressionRle4;
  const std::uint64_t width = static_cast<std::uint32_t>(fields.width);
  const std::uint64_t rows = DibRows(fields.height);
  std::uint64_t x = 0, y = 0;
  RleBytes in{bits, length};
  for (;;) {
    const std::uint8_t* pair = nullptr;
    if (!in.Take(2, &pair)) return false;  // the bytes end before the picture does
    const std::uint8_t count = pair[0], code = pair[1];
    if (count > 0) {  // a run of `count` pixels
      if (y >= rows || x + count > width) return false;
      x += count;
      continue;
    }
    switch (code) {
      case 0:  // end of a row
        x = 0;
        ++y;
        if (y > rows) return false;
        break;
      case 1: return true;  // end of the picture
      case 2: {             // a move right and down
        const std::uint8_t* delta = nullptr;
        if (!in.Take(2, &delta)) return false;
        x += delta[0];
        y += delta[1];
        if (x > width || y > rows) return false;
        break;
      }
      default: {  // `code` pixels as they stand, padded to a 16-bit boundary
        const std::size_t bytes = four ? (code + 1u) / 2u : code;
        const std::uint8_t* literal = nullptr;
        if (y >= rows || x + code > width || !in.Take(bytes + (bytes & 1u), &literal)) return false;
        x += code;
        break;
      }
    }
  }
}

ClipboardDib DibCheckClipboard(const std::uint8_t* bytes, std::size_t length, DibFields* fields, DibLayout* layout) {
  DibFields f;
  DibLayout l;
  if (!DibCheckPacked(bytes, length, &f, &l)) {
    // A header that is sound but of a compression no clipboard bitmap has
    // is named as such, whatever its sizes say.
    if (DibReadFields(bytes, length, &f) && !DibIsUncompressed(f) && !DibIsRle(f)) {
      return ClipboardDib::kUnsupportedCompression;
    }
    return ClipboardDib::kMalformed;
  }
  if (!DibIsUncompressed(f) && !DibIsRle(f)) return ClipboardDib::kUnsupportedCompression;
  if (DibIsRle(f) && !DibRleFits(f, bytes + l.headerPart, static_cast<std::size_t>(l.imageSize))) {
    return ClipboardDib::kMalformed;
  }
  *fields = f;
  *layout = l;
  return ClipboardDib::kAccepted;
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
