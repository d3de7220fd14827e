#include "capture/dib_section.h"

#include "base/owners.h"
#include "capture/image_encoders.h"
#include "capture/results.h"

#include <cstring>
#include <memory>

namespace {

// The header part of a section: its 40-byte header (image size filled in),
// then its colour table or bit-field masks.
struct SectionHeader {
  union {
    BITMAPINFO info;
    BYTE bytes[sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)];
  };
  std::size_t size = 0;
  std::size_t imageSize = 0;
};

HRESULT ReadSectionHeader(HBITMAP bitmap, SectionHeader& out) {
  DIBSECTION section = {};
  if (GetObjectW(bitmap, sizeof section, &section) != sizeof section || !section.dsBm.bmBits) return E_INVALIDARG;
  BITMAPINFOHEADER& header = out.info.bmiHeader;
  header = section.dsBmih;
  header.biSize = sizeof(BITMAPINFOHEADER);
  DibFields fields = DibFieldsOf(header);
  DibLayout layout;
  if (!DibLayoutOf(fields, &layout)) return E_FAIL;
  out.size = sizeof(BITMAPINFOHEADER);
  if (header.biCompression == BI_BITFIELDS) {
    header.biClrUsed = 0;
    std::memcpy(out.bytes + out.size, section.dsBitfields, sizeof section.dsBitfields);
    out.size += sizeof section.dsBitfields;
  } else if (header.biBitCount <= 8) {
    MemoryDc dc(nullptr);
    if (!dc.Get()) return LastErrorResult();
    UINT entries = 0;
    {
      SelectGuard selected(dc.Get(), bitmap);
      entries = GetDIBColorTable(dc.Get(), 0, DibColourEntries(fields), out.info.bmiColors);
    }
    if (entries == 0) return LastErrorResult();
    header.biClrUsed = entries;
    out.size += entries * sizeof(RGBQUAD);
  }
  out.imageSize = static_cast<std::size_t>(layout.imageSize);
  header.biSizeImage = static_cast<DWORD>(layout.imageSize);
  return S_OK;
}

// Two source headers describe the same stream when they differ at most in
// the size of the frame.
bool SameStream(const BITMAPINFOHEADER& a, const BITMAPINFOHEADER& b) {
  BITMAPINFOHEADER x = a, y = b;
  x.biSizeImage = y.biSizeImage = 0;
  return std::memcmp(&x, &y, sizeof x) == 0;
}

}  // namespace

DibFields DibFieldsOf(const BITMAPINFOHEADER& h) {
  DibFields f;
  f.headerSize = h.biSize;
  f.width = h.biWidth;
  f.height = h.biHeight;
  f.planes = h.biPlanes;
  f.bitCount = h.biBitCount;
  f.compression = h.biCompression;
  f.sizeImage = h.biSizeImage;
  f.clrUsed = h.biClrUsed;
  return f;
}

CDIBSection::~CDIBSection() {
  Reset();
  CloseDecompressor();
  if (gdiplusToken_) EndGdiplus(gdiplusToken_);
}

void CDIBSection::Reset() {
  if (bitmap_) DeleteObject(bitmap_);
  Release();
}

void CDIBSection::Clear() { Reset(); }

HBITMAP CDIBSection::Release() {
  HBITMAP b = bitmap_;
  bitmap_ = nullptr;
  width_ = height_ = bitCount_ = 0;
  stride_ = 0;
  bits_ = top_ = nullptr;
  flags_ = 0;
  return b;
}

void CDIBSection::TakePicture(CDIBSection& other) {
  if (&other == this) return;
  Reset();
  bitmap_ = other.bitmap_;
  width_ = other.width_;
  height_ = other.height_;
  bitCount_ = other.bitCount_;
  stride_ = other.stride_;
  bits_ = other.bits_;
  top_ = other.top_;
  flags_ = other.flags_;
  other.Release();
}

HRESULT CDIBSection::Adopt(HBITMAP bitmap) {
  DIBSECTION section = {};
  SetLastError(0);
  if (GetObjectType(bitmap) != OBJ_BITMAP) return LastErrorResult();
  if (GetObjectW(bitmap, sizeof section, &section) != sizeof section || !section.dsBm.bmBits) return E_INVALIDARG;
  Reset();
  bitmap_ = bitmap;
  width_ = section.dsBm.bmWidth;
  height_ = section.dsBm.bmHeight < 0 ? -section.dsBm.bmHeight : section.dsBm.bmHeight;
  bitCount_ = section.dsBm.bmBitsPixel;
  stride_ = static_cast<std::ptrdiff_t>(DibStride(width_, static_cast<std::uint16_t>(bitCount_)));
  bits_ = static_cast<BYTE*>(section.dsBm.bmBits);
  top_ = bits_;
  if (section.dsBmih.biHeight > 0) {
    top_ = bits_ + (height_ - 1) * stride_;
    stride_ = -stride_;
  }
  flags_ = 0;
  return S_OK;
}

HRESULT CDIBSection::Create(const BITMAPINFOHEADER* info, std::size_t headerPart, const BYTE* pixels,
                            std::size_t length) {
  if (!info || headerPart < sizeof(BITMAPINFOHEADER)) return E_INVALIDARG;
  DibFields fields = DibFieldsOf(*info);
  DibLayout layout;
  if (!DibLayoutOf(fields, &layout) || headerPart < layout.headerPart) return E_INVALIDARG;
  if (!pixels || !DibFrameIsComplete(fields, layout, length)) return E_FAIL;
  // Everything works on a copy of the header part: the caller's header (a
  // frame's format, the clipboard's block) is never written, and nothing
  // reads past the part that was checked.
  const std::size_t headerBytes = static_cast<std::size_t>(layout.headerPart);
  std::unique_ptr<BYTE[]> header(new BYTE[headerBytes]);
  std::memcpy(header.get(), info, headerBytes);
  auto* copy = reinterpret_cast<BITMAPINFOHEADER*>(header.get());
  if (DibIsUncompressed(fields)) return CreateUncompressed(copy, layout, pixels);
  return CreateDecompressed(copy, fields, pixels, length);
}

HRESULT CDIBSection::CreateUncompressed(BITMAPINFOHEADER* copy, const DibLayout& layout, const BYTE* pixels) {
  const DWORD rounded = static_cast<DWORD>((layout.imageSize + 15) & ~std::uint64_t{15});
  if (copy->biSizeImage < rounded) copy->biSizeImage = rounded;
  void* bits = nullptr;
  SetLastError(0);
  HBITMAP made = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(copy), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!made || !bits) {
    HRESULT hr = LastErrorResult();
    if (made) DeleteObject(made);
    return hr;
  }
  std::memcpy(bits, pixels, static_cast<std::size_t>(layout.imageSize));
  CDIBSection fresh;
  HRESULT hr = fresh.Adopt(made);
  if (FAILED(hr)) {
    DeleteObject(made);
    return hr;
  }
  TakePicture(fresh);
  return S_OK;
}

HRESULT CDIBSection::CreateDecompressed(BITMAPINFOHEADER* source, const DibFields& fields, const BYTE* pixels,
                                        std::size_t length) {
  const DibFields targetFields = DibDecompressedFields(fields);
  DibLayout targetLayout;
  if (!DibLayoutOf(targetFields, &targetLayout)) return E_INVALIDARG;
  BITMAPINFOHEADER target = {};
  target.biSize = sizeof target;
  target.biWidth = targetFields.width;
  target.biHeight = targetFields.height;
  target.biPlanes = targetFields.planes;
  target.biBitCount = targetFields.bitCount;
  target.biCompression = BI_RGB;
  target.biSizeImage = static_cast<DWORD>((targetLayout.imageSize + 15) & ~std::uint64_t{15});

  // The decompressor reads no more than the bytes that arrived.
  source->biSizeImage = DibCompressedInputBytes(fields, length);
  void* bits = nullptr;
  SetLastError(0);
  HBITMAP made = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&target), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!made || !bits) {
    HRESULT hr = LastErrorResult();
    if (made) DeleteObject(made);
    return hr;
  }
  CDIBSection fresh;
  HRESULT hr = fresh.Adopt(made);
  if (FAILED(hr)) {
    DeleteObject(made);
    return hr;
  }
  hr = Decompress(*source, pixels, target, bits);
  if (FAILED(hr)) return hr;  // the new section goes with `fresh`
  TakePicture(fresh);
  return S_OK;
}

HRESULT CDIBSection::Decompress(const BITMAPINFOHEADER& source, const BYTE* pixels, BITMAPINFOHEADER& target,
                                void* bits) {
  auto* from = const_cast<BITMAPINFOHEADER*>(&source);
  const bool sameTarget = std::memcmp(&decompressTo_, &target, sizeof target) == 0;
  if (!(decompressor_ && sameTarget && SameStream(decompressFrom_, source))) {
    if (decompressor_ && ICDecompressQuery(decompressor_, from, &target) == ICERR_OK) {
      ICDecompressEnd(decompressor_);
    } else {
      CloseDecompressor();
      decompressor_ = ICLocate(ICTYPE_VIDEO, 0, from, &target, ICMODE_DECOMPRESS);
      if (!decompressor_) return E_FAIL;
    }
    if (ICDecompressBegin(decompressor_, from, &target) != ICERR_OK) {
      CloseDecompressor();
      return E_FAIL;
    }
    decompressFrom_ = source;
    decompressTo_ = target;
  }
  if (ICDecompress(decompressor_, 0, from, const_cast<BYTE*>(pixels), &target, bits) != ICERR_OK) return E_FAIL;
  return S_OK;
}

void CDIBSection::CloseDecompressor() {
  if (!decompressor_) return;
  ICDecompressEnd(decompressor_);
  ICClose(decompressor_);
  decompressor_ = nullptr;
  decompressFrom_ = decompressTo_ = BITMAPINFOHEADER{};
}

HRESULT CDIBSection::CopyBitmap(HBITMAP* copy) const {
  if (!bitmap_) return E_HANDLE;
  SectionHeader header;
  HRESULT hr = ReadSectionHeader(bitmap_, header);
  if (FAILED(hr)) return hr;
  void* bits = nullptr;
  SetLastError(0);
  HBITMAP made = CreateDIBSection(nullptr, &header.info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!made || !bits) {
    hr = LastErrorResult();
    if (made) DeleteObject(made);
    return hr;
  }
  std::memcpy(bits, bits_, header.imageSize);
  *copy = made;
  return S_OK;
}

HRESULT CDIBSection::PackedDib(HGLOBAL* block) const {
  if (!bitmap_) return E_HANDLE;
  SectionHeader header;
  HRESULT hr = ReadSectionHeader(bitmap_, header);
  if (FAILED(hr)) return hr;
  SetLastError(0);
  GlobalBlock packed(GlobalAlloc(GMEM_MOVEABLE, header.size + header.imageSize));
  if (!packed.Get()) return LastErrorResult();
  {
    GlobalLockGuard lock(packed.Get());
    if (!lock.Bytes()) return LastErrorResult();
    std::memcpy(lock.Bytes(), header.bytes, header.size);
    std::memcpy(lock.Bytes() + header.size, bits_, header.imageSize);
  }
  *block = packed.Detach();
  return S_OK;
}

HRESULT CDIBSection::Save(const WCHAR* path, INT32 quality) {
  if (quality > kQualityMax || !path) return E_INVALIDARG;
  if (!bitmap_) return E_HANDLE;
  if (!gdiplusToken_ && !StartGdiplus(&gdiplusToken_)) return E_FAIL;
  return SaveBitmapWithEncoder(bitmap_, path, quality);
}

HRESULT CopyPictureToClipboard(const CDIBSection& picture) {
  HGLOBAL made = nullptr;
  HRESULT hr = picture.PackedDib(&made);
  if (FAILED(hr)) return hr;
  GlobalBlock block(made);
  ClipboardSession clipboard;
  SetLastError(0);
  if (!clipboard.IsOpen() || !EmptyClipboard() || !SetClipboardData(CF_DIB, block.Get())) return LastErrorResult();
  block.Detach();  // the clipboard owns it now
  return S_OK;
}

HRESULT PictureFromClipboard(HBITMAP* bitmap) {
  if (!IsClipboardFormatAvailable(CF_DIB)) return E_FAIL;
  SetLastError(0);
  ClipboardSession clipboard;
  if (!clipboard.IsOpen()) return LastErrorResult();
  HANDLE data = GetClipboardData(CF_DIB);
  if (!data) return LastErrorResult();
  const std::size_t size = GlobalSize(data);
  GlobalLockGuard lock(data);
  if (!lock.Bytes()) return LastErrorResult();
  DibFields fields;
  DibLayout layout;
  if (!DibCheckPacked(lock.Bytes(), size, &fields, &layout)) return E_FAIL;
  CDIBSection picture;
  const auto headerPart = static_cast<std::size_t>(layout.headerPart);
  HRESULT hr = picture.Create(reinterpret_cast<const BITMAPINFOHEADER*>(lock.Bytes()), headerPart,
                              lock.Bytes() + headerPart, size - headerPart);
  if (FAILED(hr)) return hr;
  *bitmap = picture.Release();
  return S_OK;
}
