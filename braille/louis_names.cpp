#include "braille/louis_names.h"

namespace {

constexpr const char* kLouisSection = "Louis Modul";

// The byte count of a decorated name comes from the settings, not from the
// table.
int DecoratedBytes(const char* name, int /*tableBytes*/) { return ProfileGetInt(name, 0, kLouisSection); }

}  // namespace

#define LOUIS_PROC_NAME(name) {#name, 0},
const ProcName kLouisProcNames[kLouisProcCount] = {LOUIS_PROCS(LOUIS_PROC_NAME)};
#undef LOUIS_PROC_NAME

const ProcNameRule kLouisNameRule = {"lou_%s", "_lou_%s@%1d", DecoratedBytes};
