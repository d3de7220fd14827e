// Rules of the capture library that need no platform: the friendly names of
// media subtypes, the number appended to error texts, bounded copies of wide
// text and the growth of the device list. Built into the library and tested
// natively.
#pragma once
#include <cstddef>
#include <cstdint>

// The facility bits of a result code (the 13 bits above its code).
constexpr std::uint32_t kFacilityMask = 0x1FFF0000;

// The layout of a GUID, without the platform's header.
struct GuidValue {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};

// A four-character code and its terminator.
constexpr std::size_t kFourCcChars = 5;
// Room for " (0x%08X)" and its terminator, as the error texts format it.
constexpr std::size_t kErrorNumberChars = 30;

// The name of an uncompressed RGB subtype ("RGB24", ...), or nullptr when
// the subtype is not one of them.
const wchar_t* RgbSubtypeName(const GuidValue& subtype);

// The first group of a subtype as four characters, lowest byte first
// ("YUY2"). A zero byte ends the text early.
void FourCcText(std::uint32_t data1, wchar_t (&text)[kFourCcChars]);

// The number appended to an error text: " (5)" with the low 16 bits of a
// Win32 code (facility 7) or of a code below 0x10000, " (0x80040200)"
// otherwise. Cut to the capacity, always terminated when capacity > 0;
// returns the length written.
std::size_t FormatErrorNumber(std::uint32_t code, wchar_t* text, std::size_t capacity);

// Cuts the trailing run of carriage returns, line feeds, tabs and spaces.
void TrimTrailingBlanks(wchar_t* text);

// Copies at most size - 1 characters and terminates (nothing when size is
// 0); returns the length copied.
std::size_t CopyWideCut(wchar_t* dest, std::size_t size, const wchar_t* src);

// Appends src behind the text already in dest, cut to size - 1 characters
// in all; returns the new length.
std::size_t AppendWideCut(wchar_t* dest, std::size_t size, const wchar_t* src);

// Capacity of a growing array that must hold `needed` entries. A growth
// step of 0 grows by half the current capacity or to the needed size,
// whichever is larger; otherwise by the step (at least to the needed size).
// False when the result would exceed maxCount.
bool NextCapacity(std::size_t capacity, std::size_t needed, std::size_t step, std::size_t maxCount,
                  std::size_t* result);
