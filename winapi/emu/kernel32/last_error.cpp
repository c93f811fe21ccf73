#include <winapi/include/winapi.h>

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
} // namespace

extern "C" DWORD WINAPI GetLastError() { return lastError; }

extern "C" void WINAPI SetLastError(DWORD error) { lastError = error; }
