// The entry points the program binds in the capture library, in the order
// of its table: every export of the library's one list (capture/
// lumcap_exports.h) that is marked bound, and how their names are looked up.
#pragma once
#include "base/optional_library.h"
#include "capture/lumcap_exports.h"

constexpr int kCaptureProcCount = kLumcapBoundCount;

// The slot of each bound entry point: kCaptureProc_LumenoInitialize, ...
#define CAPTURE_PROC_INDEX(name, params, bound) LUMCAP_IF_BOUND_##bound(kCaptureProc_##name, )
enum CaptureProcIndex { LUMCAP_EXPORTS(CAPTURE_PROC_INDEX) };
#undef CAPTURE_PROC_INDEX

extern const ProcName kCaptureProcNames[kCaptureProcCount];

// "_Name", then "_Name@bytes" in the 32-bit build; the 64-bit build exports
// the plain names.
extern const ProcNameRule kCaptureNameRule;
