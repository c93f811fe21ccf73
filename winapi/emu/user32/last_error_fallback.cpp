#include <winapi/include/emu/last_error.h>

// The last-error value belongs to kernel32. These weak definitions let the window
// system report errors on its own; a kernel32 definition of the same functions wins
// at link time and then serves both.
namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
} // namespace

extern "C" __attribute__((weak)) DWORD WINAPI GetLastError() { return lastError; }

extern "C" __attribute__((weak)) VOID WINAPI SetLastError(DWORD dwErrCode) { lastError = dwErrCode; }
