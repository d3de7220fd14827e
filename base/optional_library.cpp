#include "base/optional_library.h"

#include <cstdio>
#include <cstring>

namespace {

// Longest export name looked up, its decorations included.
constexpr int kProcNameMax = 128;

// folder + separator + file name; false when it does not fit.
bool ComposePath(char (&path)[kPathMax], const char* folder, const char* fileName) {
  const char* dir = folder ? folder : "";
  const std::size_t length = std::strlen(dir);
  const char* separator = length > 0 && dir[length - 1] != '\\' ? "\\" : "";
  int n = std::snprintf(path, sizeof path, "%s%s%s", dir, separator, fileName ? fileName : "");
  return n > 0 && n < static_cast<int>(sizeof path);
}

}  // namespace

FARPROC FindProc(HMODULE module, const ProcName& entry, const ProcNameRule& rule) {
  if (!module || !entry.name || !rule.first) return nullptr;
  char name[kProcNameMax];
  // The name rules are the bindings' own constants ("lou_%s", "_%s@%d"),
  // never a text from outside.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  int n = std::snprintf(name, sizeof name, rule.first, entry.name);
  if (n > 0 && n < static_cast<int>(sizeof name)) {
    if (FARPROC proc = GetProcAddress(module, name)) return proc;
  }
  if (!rule.decorated) return nullptr;
  const int bytes = rule.bytes ? rule.bytes(entry.name, entry.bytes) : entry.bytes;
  n = std::snprintf(name, sizeof name, rule.decorated, entry.name, bytes);
#pragma GCC diagnostic pop
  if (n <= 0 || n >= static_cast<int>(sizeof name)) return nullptr;
  return GetProcAddress(module, name);
}

std::int32_t LoadOptionalLibrary(OptionalLibrary& library, const char* folder, const char* fileName,
                                 const ProcName* names, int count, const ProcNameRule& rule, FARPROC* slots) {
  if (library.module) {
    // The entry points go with the library that holds them.
    for (int i = 0; i < count; ++i) slots[i] = nullptr;
    library.module.Reset();
  }
  if (!ComposePath(library.path, folder, fileName)) return kLibraryNotLoaded;
  library.module.Reset(LoadLibraryA(library.path));
  if (!library.module) return kLibraryNotLoaded;
  library.missing = 0;
  for (int i = 0; i < count; ++i) {
    slots[i] = FindProc(library.module.Get(), names[i], rule);
    if (!slots[i]) ++library.missing;
  }
  return library.missing;
}
