#include "capture/texts.h"

#include "capture/model.h"
#include "capture/results.h"

#include <dshow.h>

#include <climits>
#include <cstring>

namespace {

using ErrorTextHook = DWORD(WINAPI*)(HRESULT, WCHAR*, DWORD);
ErrorTextHook errorTextHook = nullptr;

// Codes of the interface facility get their text from DirectShow.
constexpr DWORD kFacilityInterface = 0x00040000;
// Neutral language, the user's default sublanguage.
constexpr DWORD kMessageLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);

const WCHAR kNoGuidText[] = L"{n/a}";

DWORD SystemText(DWORD code, WCHAR* text, std::size_t capacity) {
  return FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, kMessageLanguage,
                        text, static_cast<DWORD>(capacity), nullptr);
}

}  // namespace

HRESULT AnsiToWide(const char* text, WCHAR* buffer, int capacity) {
  SetLastError(0);
  if (MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, buffer, capacity) == 0) return LastErrorResult();
  return S_OK;
}

HRESULT WideToAnsi(const WCHAR* text, char* buffer, UINT32 size) {
  const int bytes = size > static_cast<UINT32>(INT_MAX) ? INT_MAX : static_cast<int>(size);
  SetLastError(0);
  if (WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, buffer, bytes, nullptr, nullptr) == 0) {
    buffer[0] = '\0';
    return LastErrorResult();
  }
  return S_OK;
}

void InstallErrorTextHook() { errorTextHook = &AMGetErrorTextW; }

HRESULT BuildErrorText(HRESULT error, WCHAR* text, std::size_t capacity) {
  const DWORD code = static_cast<DWORD>(error);
  DWORD length = 0;
  text[0] = L'\0';
  if ((code & kFacilityMask) == kFacilityInterface && errorTextHook) {
    length = errorTextHook(error, text, static_cast<DWORD>(capacity));
  }
  if (length == 0) length = SystemText(code, text, capacity);
  if (length == 0) return E_FAIL;
  text[capacity - 1] = L'\0';
  TrimTrailingBlanks(text);
  WCHAR number[kErrorNumberChars];
  FormatErrorNumber(code, number, kErrorNumberChars);
  AppendWideCut(text, capacity, number);
  return S_OK;
}

void SubtypeName(const GUID& subtype, BOOL friendly, WCHAR (&name)[kSubtypeNameChars]) {
  if (friendly) {
    GuidValue value;
    static_assert(sizeof value == sizeof subtype, "GUID layout");
    std::memcpy(&value, &subtype, sizeof value);
    if (const WCHAR* rgb = RgbSubtypeName(value)) {
      CopyWideCut(name, kSubtypeNameChars, rgb);
    } else {
      WCHAR code[kFourCcChars];
      FourCcText(value.data1, code);
      CopyWideCut(name, kSubtypeNameChars, code);
    }
    return;
  }
  if (StringFromGUID2(subtype, name, static_cast<int>(kSubtypeNameChars)) == 0) {
    CopyWideCut(name, kSubtypeNameChars, kNoGuidText);
  }
}
