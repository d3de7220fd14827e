// Text helpers of the settings store that need no platform: hexadecimal
// colour values and the escapes of texts read from the language section.
#pragma once
#include <cstddef>
#include <cstdint>

// Work area of UnescapeText: an expanded text never holds more than this,
// terminator included.
constexpr std::size_t kUnescapeWorkArea = 2560;
// Longest path of a file the program names (settings, log, documents).
constexpr int kPathMax = 256;

// Reads hexadecimal digits to the end of the text; any other character
// counts as the digit 0 ("12G4" gives 0x1204). Wraps modulo 2^32.
std::uint32_t HexToInt(const char* text);

// Expands \n to CR LF, \t to TAB and \0 to a NUL byte (the walk goes on
// behind it, so one text can carry several NUL-separated strings). A
// backslash before anything else stays. Exactly `capacity` bytes are written
// back, padded with NULs; a result that fills the capacity is not
// terminated. Never reads or writes past `capacity` bytes of `text`, and an
// expansion that would not fit the work area is cut there, terminated.
void UnescapeText(char* text, std::size_t capacity);

// Bounded copy that always terminates (when size > 0); returns the length
// copied. The one way fixed buffers are filled from outside text.
std::size_t CopyText(char* dest, std::size_t size, const char* src);

// True when `part` occurs in `text`, letters A to Z compared without
// regard to case; an empty part occurs in every text.
bool ContainsNoCase(const char* text, const char* part);
