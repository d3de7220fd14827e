#include "camera/capture_names.h"

#define CAPTURE_PROC_NAME(name, params, bound) LUMCAP_IF_BOUND_##bound({#name, LumcapArgumentBytes(params)}, )
const ProcName kCaptureProcNames[kCaptureProcCount] = {LUMCAP_EXPORTS(CAPTURE_PROC_NAME)};
#undef CAPTURE_PROC_NAME

#ifdef _WIN64
const ProcNameRule kCaptureNameRule = {"%s", nullptr, nullptr};
#else
const ProcNameRule kCaptureNameRule = {"_%s", "_%s@%1d", nullptr};
#endif
