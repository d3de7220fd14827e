// The library's trace: one line for each step worth knowing when a graph
// is built or a device goes away (which renderer was tried and why it was
// passed over, what was removed again, that the device was lost). Written
// to the debugger's output, where a debugger or a viewer of debug output
// reads it; the library keeps no file of its own.
#pragma once
#include <windows.h>

// "lumcap: <what> <name> (0x<result>)"; name may be null.
void TraceStep(const wchar_t* what, const wchar_t* name, HRESULT result);
