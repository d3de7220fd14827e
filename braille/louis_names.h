// The entry points the program binds in the braille translator, in the
// order of its table, and how their names are looked up: "lou_name", then
// the decorated "_lou_name@N" of a library built with callee-cleaned calls,
// N being the integer setting named like the entry point in [Louis Modul]
// (default 0, written back when absent).
#pragma once
#include "base/optional_library.h"

// clang-format off
#define LOUIS_PROCS(X)                                                                        \
  X(getProgramPath) X(version) X(charSize) X(translateString) X(translate)                  \
  X(translatePrehyphenated) X(hyphenate) X(dotsToChar) X(charToDots) X(backTranslateString) \
  X(backTranslate) X(logPrint) X(logFile) X(readCharFromFile) X(logEnd) X(getTable)         \
  X(checkTable) X(registerTableResolver) X(compileString) X(getTypeformForEmphClass)         \
  X(setDataPath) X(getDataPath) X(registerLogCallback) X(setLogLevel) X(indexTables)        \
  X(findTable) X(free)
// clang-format on

// The slot of each entry point: kLouis_version, kLouis_translateString, ...
#define LOUIS_PROC_INDEX(name) kLouis_##name,
enum LouisProcIndex { LOUIS_PROCS(LOUIS_PROC_INDEX) kLouisProcCount };
#undef LOUIS_PROC_INDEX

extern const ProcName kLouisProcNames[kLouisProcCount];
extern const ProcNameRule kLouisNameRule;
