// Result codes of the capture library and the one way exceptions are kept
// inside it.
#pragma once
#include <windows.h>

#include <new>

// A text does not fit the conversion buffer.
constexpr HRESULT kResultTextTooLong = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, ERROR_INSUFFICIENT_BUFFER);
// No still picture within the time-out.
constexpr HRESULT kResultTimeout = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, ERROR_TIMEOUT);
// A clipboard bitmap of a compression the library does not take
// (LUMENO_E_UNSUPPORTED_PICTURE).
constexpr HRESULT kResultUnsupportedPicture = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, ERROR_UNSUPPORTED_TYPE);
// The open device went away (LUMENO_E_DEVICE_LOST).
constexpr HRESULT kResultDeviceLost = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, ERROR_DEVICE_NOT_CONNECTED);

// The thread's last error as an HRESULT; E_FAIL when there is none.
inline HRESULT LastErrorResult() {
  DWORD error = GetLastError();
  return error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// Runs the body of an export: an allocation failure that escapes as an
// exception becomes E_OUTOFMEMORY, anything else E_UNEXPECTED, so nothing
// is thrown across the interface.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
