// The library's picture holder: a device-independent section bitmap with
// its size, stride and pixel pointers, made from a bitmap header and pixel
// bytes (compressed frames go through a Video for Windows decompressor that
// the holder keeps open between frames), adopted from a caller, packed
// into a global memory block, or saved as an image file.
#pragma once
#include "capture/picture_model.h"

#include <windows.h>
#include <vfw.h>

#include <cstddef>

class CDIBSection {
 public:
  CDIBSection() = default;
  // Deletes the bitmap it owns, ends and closes its decompressor and shuts
  // down its GDI+ session.
  ~CDIBSection();
  CDIBSection(const CDIBSection&) = delete;
  CDIBSection& operator=(const CDIBSection&) = delete;

  bool IsEmpty() const { return bitmap_ == nullptr; }
  HBITMAP Handle() const { return bitmap_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitCount() const { return bitCount_; }

  // Takes ownership of a section bitmap. A handle that is not a bitmap
  // gives the Win32 error; a bitmap without pixel memory E_INVALIDARG (the
  // holder then stays as it was).
  HRESULT Adopt(HBITMAP bitmap);
  // Gives the bitmap back to the caller untouched; the holder is empty.
  HBITMAP Release();
  // Deletes the bitmap; the decompressor and GDI+ stay.
  void Clear();
  // Moves the picture of `other` (not its decompressor or GDI+ session)
  // into this holder; `other` is empty afterwards.
  void TakePicture(CDIBSection& other);

  // A new section from a header and its colour table or masks (headerPart
  // bytes at `info`) and `length` pixel bytes. Every size is checked
  // against the bytes given: a header that does not describe a picture
  // gives E_INVALIDARG, too few pixel bytes E_FAIL; the holder is left as
  // it was in both cases.
  HRESULT Create(const BITMAPINFOHEADER* info, std::size_t headerPart, const BYTE* pixels, std::size_t length);

  // The picture as 24-bit RGB rows from the bottom, each padded to 4 bytes:
  // its header into `header` (biSizeImage the pixel bytes); the pixels into
  // `pixels` when it holds that many bytes (else 0x8007007A; null: the
  // header only, S_OK).
  HRESULT CopyRgb24(BITMAPINFOHEADER* header, void* pixels, std::size_t size) const;
  // A new section bitmap with a copy of the picture, owned by the caller.
  HRESULT CopyBitmap(HBITMAP* copy) const;
  // A movable global memory block with the packed picture: header, colour
  // table or masks, pixels. The caller owns it.
  HRESULT PackedDib(HGLOBAL* block) const;
  // Saves with the GDI+ encoder that lists the path's extension. Quality
  // 0 .. 100 for JPEG, negative for the encoder's default.
  HRESULT Save(const WCHAR* path, INT32 quality);

 private:
  void Reset();
  // Both work on the caller's copy of the header part.
  HRESULT CreateUncompressed(BITMAPINFOHEADER* copy, const DibLayout& layout, const BYTE* pixels);
  HRESULT CreateDecompressed(BITMAPINFOHEADER* source, const DibFields& fields, const BYTE* pixels, std::size_t length);
  HRESULT Decompress(const BITMAPINFOHEADER& source, const BYTE* pixels, BITMAPINFOHEADER& target, void* bits);
  void CloseDecompressor();

  HBITMAP bitmap_ = nullptr;
  int width_ = 0;
  int height_ = 0;  // always positive
  int bitCount_ = 0;
  std::ptrdiff_t stride_ = 0;  // negative for bottom-up rows
  BYTE* bits_ = nullptr;
  BYTE* top_ = nullptr;  // the top row
  UINT32 flags_ = 0;     // 0 for every picture the library makes
  ULONG_PTR gdiplusToken_ = 0;
  HIC decompressor_ = nullptr;
  // The pair the open decompressor was started for.
  BITMAPINFOHEADER decompressFrom_ = {};
  BITMAPINFOHEADER decompressTo_ = {};
};

// The fields of a platform bitmap header.
DibFields DibFieldsOf(const BITMAPINFOHEADER& header);

// Clipboard: the picture as CF_DIB; and a new section from the clipboard's
// CF_DIB, whose block is checked against its own size.
HRESULT CopyPictureToClipboard(const CDIBSection& picture);
HRESULT PictureFromClipboard(HBITMAP* bitmap);
