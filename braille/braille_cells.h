// The platform-free half of the text line's translation: the table list
// text, the widening of the text to the translator's 32-bit characters, and
// the translator's call that turns them into cells.
#pragma once
#include <cstddef>
#include <cstdint>

#include "braille/louis_api.h"
#include "device/device_session.h"

// The working buffers of one translation: bytes of the text, its UTF-16
// units, its 32-bit characters, the translator's output and the cells.
constexpr int kBrailleWorkSize = kTranslateCells;
// A translation yields at least this many cells; those past the
// translator's output are empty.
constexpr int kMinTranslatedCells = 10;

// Joins the program folder (ending in a separator), the table folder and a
// table list entry into the table list text the translator gets. A
// backslash goes between table folder and entry unless one of them brings
// a separator; "tbl" and "de-g0.utb" give "<folder>tbl\de-g0.utb", and so
// do "tbl\" and "de-g0.utb" or "tbl" and "\de-g0.utb". Further tables of
// the list ("a.utb,b.ctb") are found by the translator beside the first.
// False when the result does not fit (`out` is then empty).
bool ComposeTableList(char* out, std::size_t size, const char* folder, const char* path, const char* entry);

// Widens `count` UTF-16 units into 32-bit characters, a surrogate pair
// into the one character it encodes. Writes at most capacity - 1
// characters and a terminating 0; returns the number of characters.
int WidenText(const std::uint16_t* units, int count, LouisChar* out, int capacity);

// Translates the text (zero-filled after its characters) with the table
// list in the given mode. On success stores the low byte of every output
// character as a cell (the dot pattern in dots mode), at least
// kMinTranslatedCells of them, sets `count` and returns 1. Returns 0 and
// leaves `count` alone when the translator is missing or fails.
// `cells` holds kBrailleWorkSize bytes.
int TranslateChars(LouisTranslateStringFn translate, const char* tables, const LouisChar (&text)[kBrailleWorkSize],
                   int mode, std::uint8_t* cells, std::uint16_t* count);
