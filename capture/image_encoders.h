// Image files through GDI+: the process-wide list of the image encoders,
// filled once on first use, and saving a section bitmap with the encoder
// that lists the file's extension.
#pragma once
#include <windows.h>

// A GDI+ session of a picture holder; false when GDI+ does not start.
bool StartGdiplus(ULONG_PTR* token);
void EndGdiplus(ULONG_PTR token);

// Whether an encoder lists the path's extension: S_OK, E_INVALIDARG for a
// path without extension or one that no encoder lists, or the failure to
// load the list. Needs no GDI+ session.
HRESULT CheckEncoderFor(const WCHAR* path);

// Saves with the first encoder whose extension list holds the path's
// extension (case ignored). JPEG takes the quality when it is 0 or more.
// E_INVALIDARG for a path without extension or one that no encoder lists
// (no file is written), E_FAIL for a GDI+ failure. Needs a GDI+ session.
HRESULT SaveBitmapWithEncoder(HBITMAP bitmap, const WCHAR* path, INT32 quality);
