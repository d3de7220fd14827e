// Text conversions of the A exports, error texts and subtype names.
#pragma once
#include <windows.h>

#include <cstddef>

// Wide buffers that the A exports convert their text input into.
constexpr int kDeviceNameChars = 128;
constexpr int kPathChars = MAX_PATH;
// Work buffer in which an error text is built.
constexpr std::size_t kErrorTextChars = 1024;
// A GUID in registry form with braces, and its terminator.
constexpr std::size_t kSubtypeNameChars = 39;

// Converts with the thread's ANSI code page; 0x8007007A when the text does
// not fit the capacity.
HRESULT AnsiToWide(const char* text, WCHAR* buffer, int capacity);
// Converts into a caller's buffer of size bytes (size >= 1); on failure the
// buffer holds an empty text.
HRESULT WideToAnsi(const WCHAR* text, char* buffer, UINT32 size);

// Remembers where DirectShow's error texts come from; called when the
// library is attached to the process.
void InstallErrorTextHook();
// The text of a result code with its number appended; E_FAIL when neither
// DirectShow nor the system knows a text for it.
HRESULT BuildErrorText(HRESULT error, WCHAR* text, std::size_t capacity);

// Friendly: RGB format name or four-character code; else the braced GUID.
void SubtypeName(const GUID& subtype, BOOL friendly, WCHAR (&name)[kSubtypeNameChars]);
