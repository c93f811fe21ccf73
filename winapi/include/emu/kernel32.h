#pragma once

// kernel32: processes, threads, synchronisation, files, modules, time.
#include <winapi/include/emu/wintypes.h>

extern "C" {
DWORD WINAPI GetCurrentThreadId();
DWORD WINAPI GetCurrentProcessId();
}
