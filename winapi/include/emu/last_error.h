#pragma once

// The calling thread's last-error value (exported by kernel32). Every emulated DLL
// reports its failures through it.
#include <winapi/include/emu/wintypes.h>

extern "C" {
DWORD WINAPI GetLastError();
VOID WINAPI SetLastError(DWORD dwErrCode);
}
