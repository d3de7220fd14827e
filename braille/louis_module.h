// The braille translator bound at run time: `LouisModule` holds the library
// loaded from the program folder and its 27 entry points, resolved by name
// in the order of the table (braille/louis_names.h). The program runs on
// without the library; every call goes through a slot that is tested first.
#pragma once
#include <windows.h>

#include <cstdint>

#include "base/optional_library.h"
#include "braille/louis_api.h"
#include "braille/louis_names.h"

struct LouisModule {
  OptionalLibrary library;              // handle, path, count of names not found
  FARPROC procs[kLouisProcCount] = {};  // each filled or empty
};

// Loads the translator from folder + the library's file name and fills the
// table. 0: every name resolved; kLibraryNotLoaded (-99): the file could not
// be loaded (the table is left as it was); n > 0: n names resolved under
// neither form, the others stay filled.
std::int32_t LoadLouis(LouisModule& louis, const char* folder);

// The entry point of a bare name of the table ("translateString"): first
// "lou_<name>", then the decorated "_lou_<name>@N" with N from [Louis Modul]
// <name> (default 0, written back when absent). Null when neither is
// exported or nothing is loaded.
FARPROC GetLouisProc(const LouisModule& louis, const char* name);

// The slot of an entry point as its function type; null when empty.
template <typename Fn>
Fn LouisProc(const LouisModule& louis, LouisProcIndex index) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(louis.procs[index]));
}

// Registered with the translator: a message of any level but 0 becomes the
// log line "Err: LibLouis:<level> <message>".
void LOUIS_CALL LouisLogCallback(int level, const char* message);

// Start-up: LoadLouis; on success the line "LibLouis geladen: <version>,
// CharSize:<n>", the log callback and the log level [Braille] LogLevel x
// 10000; on failure the line "Err: beim Laden von LibLouis <result>".
// Returns LoadLouis's result; the caller tells the user about a failure.
std::int32_t StartLouis(LouisModule& louis, const char* folder);

// At close: the translator releases its compiled tables (when `free` was
// found). The library itself stays loaded.
void FreeLouis(const LouisModule& louis);
