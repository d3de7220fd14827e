// Run-time binding of the program's optional libraries, the braille
// translator and the capture library: the library file is loaded by name
// from the program folder and a fixed, ordered table of entry points is
// resolved by name. Loading gives 0 when every name resolved, -99 when the
// file could not be loaded, and otherwise the number of names not found;
// the program runs on without the library, and every user of an entry
// point tests it first.
#pragma once
#include <windows.h>

#include <cstdint>

#include "base/owners.h"
#include "base/settings.h"

constexpr std::int32_t kLibraryNotLoaded = -99;

// One entry point of a binding table: its bare name and the byte count of
// its arguments in the 32-bit build (the number in its decorated name).
struct ProcName {
  const char* name;
  int bytes;
};

// How a bare name is looked up: the first form with the name alone, then,
// when that is not exported, the decorated form with the name and a byte
// count.
struct ProcNameRule {
  const char* first;      // format with %s, e.g. "lou_%s" or "_%s"
  const char* decorated;  // format with %s and %d, e.g. "_%s@%1d"; null: no second form
  // The byte count of the decorated form; null: the table's.
  int (*bytes)(const char* name, int tableBytes);
};

// A loaded library: the module, the path it was loaded from, and the count
// of names not found. The entry points live in the binding's own table.
struct OptionalLibrary {
  ModuleHandle module;
  char path[kPathMax] = "";
  std::int32_t missing = 0;
};

// Looks one name up by the rule; null when no form of it is exported.
FARPROC FindProc(HMODULE module, const ProcName& entry, const ProcNameRule& rule);

// Releases a library loaded before (its `count` slots are emptied), loads
// folder + fileName (a backslash between them unless the folder is empty or
// ends in one) and resolves the `count` names in order into `slots`, each
// filled or null. Returns 0, kLibraryNotLoaded, or the number of names not
// found (also kept in `library.missing`).
std::int32_t LoadOptionalLibrary(OptionalLibrary& library, const char* folder, const char* fileName,
                                 const ProcName* names, int count, const ProcNameRule& rule, FARPROC* slots);
