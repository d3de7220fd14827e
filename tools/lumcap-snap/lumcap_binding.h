// Run-time binding of every export of the capture library, for programs
// that load lumcap32.dll / lumcap64.dll by path (the snapshot tool, the
// tests): one function pointer per export of the library's one list,
// looked up the way the main program looks them up.
#pragma once
#include "camera/capture_names.h"
#include "capture/lumcap.h"
#include "capture/lumcap_exports.h"

struct LumcapFunctions {
#define LUMCAP_MEMBER(name, params, bound) decltype(&::name) name = nullptr;
  LUMCAP_EXPORTS(LUMCAP_MEMBER)
#undef LUMCAP_MEMBER
};

// Finds every export in a loaded library; returns the number not found.
inline int BindLumcap(HMODULE module, LumcapFunctions& functions) {
  int missing = 0;
#define LUMCAP_BIND(name, params, bound)                                                                          \
  functions.name = reinterpret_cast<decltype(functions.name)>(                                                    \
      reinterpret_cast<void*>(FindProc(module, ProcName{#name, LumcapArgumentBytes(params)}, kCaptureNameRule))); \
  if (!functions.name) ++missing;
  LUMCAP_EXPORTS(LUMCAP_BIND)
#undef LUMCAP_BIND
  return missing;
}
