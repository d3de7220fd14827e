#include "camera/capture_names.h"

#include "capture/lumcap.h"

namespace {

// A function's parameters, and the bytes a 32-bit standard call takes off
// the stack for them (each rounded up to 4).
template <typename R, typename... A>
constexpr int ParameterCount(R(LUMENO_CALL*)(A...)) {
  return static_cast<int>(sizeof...(A));
}
template <typename R, typename... A>
constexpr int StackBytes(R(LUMENO_CALL*)(A...)) {
  return (0 + ... + static_cast<int>((sizeof(A) + 3) / 4 * 4));
}

// The list's parameter counts are the declarations' (so "_Name@N" in the
// library's export table and in the program's look-up are the same N),
// checked by the compiler in both builds, and in the 32-bit build the
// byte count itself.
#ifdef _WIN64
#define CHECK_ARGUMENTS(name, params, bound) \
  static_assert(ParameterCount(&name) == params, #name ": the export list counts its parameters");
#else
#define CHECK_ARGUMENTS(name, params, bound)                                                       \
  static_assert(ParameterCount(&name) == params, #name ": the export list counts its parameters"); \
  static_assert(StackBytes(&name) == LumcapArgumentBytes(params), #name ": 32-bit argument bytes");
#endif
LUMCAP_EXPORTS(CHECK_ARGUMENTS)
#undef CHECK_ARGUMENTS

}  // namespace

#define CAPTURE_PROC_NAME(name, params, bound) LUMCAP_IF_BOUND_##bound({#name, LumcapArgumentBytes(params)}, )
const ProcName kCaptureProcNames[kCaptureProcCount] = {LUMCAP_EXPORTS(CAPTURE_PROC_NAME)};
#undef CAPTURE_PROC_NAME

#ifdef _WIN64
const ProcNameRule kCaptureNameRule = {"%s", nullptr, nullptr};
#else
const ProcNameRule kCaptureNameRule = {"_%s", "_%s@%1d", nullptr};
#endif
