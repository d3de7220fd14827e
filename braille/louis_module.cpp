#include "braille/louis_module.h"

#include "base/library_files.h"
#include "base/log.h"
#include "base/settings.h"

std::int32_t LoadLouis(LouisModule& louis, const char* folder) {
  return LoadOptionalLibrary(louis.library, folder, kLouisLibraryFile, kLouisProcNames, kLouisProcCount, kLouisNameRule,
                             louis.procs);
}

FARPROC GetLouisProc(const LouisModule& louis, const char* name) {
  return FindProc(louis.library.module.Get(), ProcName{name, 0}, kLouisNameRule);
}

void LOUIS_CALL LouisLogCallback(int level, const char* message) {
  if (level != 0) LogWrite("Err: LibLouis:%d %s", level, message ? message : "");
}

std::int32_t StartLouis(LouisModule& louis, const char* folder) {
  const std::int32_t result = LoadLouis(louis, folder);
  if (result != 0) {
    LogWrite("Err: beim Laden von LibLouis %d", static_cast<int>(result));
    return result;
  }
  const int charSize = LouisProc<LouisCharSizeFn>(louis, kLouis_charSize)();
  const char* version = LouisProc<LouisVersionFn>(louis, kLouis_version)();
  LogWrite("LibLouis geladen: %s, CharSize:%d", version ? version : "", charSize);
  LouisProc<LouisRegisterLogCallbackFn>(louis, kLouis_registerLogCallback)(LouisLogCallback);
  // A step of the translator's own scale; what lies beyond it is the
  // nearest end of the scale.
  std::int32_t step = ProfileGetInt("LogLevel", 0, "Braille");
  if (step < 0) step = 0;
  if (step > kLouisLogLevelOff) step = kLouisLogLevelOff;
  LouisProc<LouisSetLogLevelFn>(louis, kLouis_setLogLevel)(step * kLouisLogLevelStep);
  return result;
}

void FreeLouis(const LouisModule& louis) {
  if (auto release = LouisProc<LouisFreeFn>(louis, kLouis_free)) release();
}
