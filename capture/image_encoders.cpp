#include "capture/image_encoders.h"

#include "capture/picture_model.h"

// The lean Windows headers leave out what GDI+ needs.
#include <objidl.h>
#include <propidl.h>

#include <gdiplus.h>

namespace {

namespace gp = Gdiplus;

// The GDI+ identifiers the library needs, named here so that no import
// library of GUIDs is needed.
constexpr GUID kImageFormatJpeg = {0xB96B3CAE, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr GUID kEncoderQuality = {0x1D5BE4B5, 0xFA4A, 0x452D, {0x9C, 0xDD, 0x5D, 0xB3, 0x51, 0x05, 0xE7, 0xEB}};
constexpr ULONG kValueTypeLong = 4;  // EncoderParameterValueTypeLong

// The process-wide encoder list: the codec records as GDI+ wrote them
// into our own block (their texts point into the same block). Filled once
// and kept for the life of the process; GDI+ is not needed to read it.
struct EncoderList {
  UINT count = 0;
  const gp::ImageCodecInfo* codecs = nullptr;
};

EncoderList g_encoders;
INIT_ONCE g_encodersOnce = INIT_ONCE_STATIC_INIT;

// Runs once (again after a failure): GDI+ is started for the query only
// and shut down before returning, never from DllMain.
BOOL CALLBACK LoadEncoders(INIT_ONCE*, void* parameter, void**) {
  auto* result = static_cast<HRESULT*>(parameter);
  ULONG_PTR token = 0;
  if (!StartGdiplus(&token)) {
    *result = E_FAIL;
    return FALSE;
  }
  UINT count = 0, bytes = 0;
  *result = E_FAIL;
  if (gp::DllExports::GdipGetImageEncodersSize(&count, &bytes) == gp::Ok &&
      bytes >= count * sizeof(gp::ImageCodecInfo)) {
    void* block = HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1);
    if (!block) {
      *result = E_OUTOFMEMORY;
    } else if (gp::DllExports::GdipGetImageEncoders(count, bytes, static_cast<gp::ImageCodecInfo*>(block)) == gp::Ok) {
      g_encoders.count = count;
      g_encoders.codecs = static_cast<const gp::ImageCodecInfo*>(block);
      *result = S_OK;
    } else {
      HeapFree(GetProcessHeap(), 0, block);
    }
  }
  EndGdiplus(token);
  return SUCCEEDED(*result);
}

HRESULT Encoders(EncoderList* list) {
  HRESULT result = S_OK;
  if (!InitOnceExecuteOnce(&g_encodersOnce, LoadEncoders, &result, nullptr)) return FAILED(result) ? result : E_FAIL;
  *list = g_encoders;
  return S_OK;
}

// The first encoder whose extension list holds the path's extension.
const gp::ImageCodecInfo* EncoderFor(const EncoderList& list, const WCHAR* path) {
  const WCHAR* extension = PathExtension(path);
  if (!extension) return nullptr;
  for (UINT i = 0; i < list.count; ++i) {
    if (ExtensionInPatterns(extension, list.codecs[i].FilenameExtension)) return &list.codecs[i];
  }
  return nullptr;
}

}  // namespace

bool StartGdiplus(ULONG_PTR* token) {
  gp::GdiplusStartupInput input;
  input.GdiplusVersion = 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  return gp::GdiplusStartup(token, &input, nullptr) == gp::Ok;
}

void EndGdiplus(ULONG_PTR token) { gp::GdiplusShutdown(token); }

HRESULT CheckEncoderFor(const WCHAR* path) {
  EncoderList list;
  HRESULT hr = Encoders(&list);
  if (FAILED(hr)) return hr;
  return EncoderFor(list, path) ? S_OK : E_INVALIDARG;
}

HRESULT SaveBitmapWithEncoder(HBITMAP bitmap, const WCHAR* path, INT32 quality) {
  EncoderList list;
  HRESULT hr = Encoders(&list);
  if (FAILED(hr)) return hr;
  const gp::ImageCodecInfo* chosen = EncoderFor(list, path);
  if (!chosen) return E_INVALIDARG;

  ULONG qualityValue = quality >= 0 ? static_cast<ULONG>(quality) : 0;
  gp::EncoderParameters parameters = {};
  parameters.Count = 1;
  parameters.Parameter[0].Guid = kEncoderQuality;
  parameters.Parameter[0].NumberOfValues = 1;
  parameters.Parameter[0].Type = kValueTypeLong;
  parameters.Parameter[0].Value = &qualityValue;
  const bool withQuality = IsEqualGUID(chosen->FormatID, kImageFormatJpeg) && quality >= 0;

  gp::GpBitmap* image = nullptr;
  if (gp::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) != gp::Ok) return E_FAIL;
  gp::Status status =
      gp::DllExports::GdipSaveImageToFile(image, path, &chosen->Clsid, withQuality ? &parameters : nullptr);
  gp::DllExports::GdipDisposeImage(image);
  return status == gp::Ok ? S_OK : E_FAIL;
}
