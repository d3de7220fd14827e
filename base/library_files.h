// File names of the two optional libraries that the program loads at run
// time from its own folder. A program can only load a library of its own
// bitness, so the 64-bit program names the 64-bit builds; the settings'
// messages and every binding take the names from here.
#pragma once

#ifdef _WIN64
inline constexpr char kLouisLibraryFile[] = "liblouis64.dll";
inline constexpr char kCaptureLibraryFile[] = "lumcap64.dll";
#else
inline constexpr char kLouisLibraryFile[] = "liblouis32.dll";
inline constexpr char kCaptureLibraryFile[] = "lumcap32.dll";
#endif
