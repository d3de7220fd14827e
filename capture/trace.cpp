#include "capture/trace.h"

#include <cwchar>

namespace {

constexpr std::size_t kTraceChars = 256;

}  // namespace

void TraceStep(const wchar_t* what, const wchar_t* name, HRESULT result) {
  wchar_t line[kTraceChars];
  std::swprintf(line, kTraceChars, L"lumcap: %ls%ls%ls (0x%08lX)\n", what ? what : L"", name ? L" " : L"",
                name ? name : L"", static_cast<unsigned long>(result));
  OutputDebugStringW(line);
}
