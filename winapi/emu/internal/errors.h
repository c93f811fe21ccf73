#pragma once

// Small helpers for Windows error reporting inside the emulation.
#include <winapi/include/winapi.h>

namespace kxemu {

// The Windows error for a host errno. notFound is what ENOENT means at the call site
// (ERROR_FILE_NOT_FOUND for the last part of a path, ERROR_PATH_NOT_FOUND for a folder).
DWORD win32FromErrno(int error, DWORD notFound = ERROR_FILE_NOT_FOUND);

// Sets the thread's last error and returns value, for one-line failure paths.
template <class T>
T fail(DWORD error, T value) {
  SetLastError(error);
  return value;
}

} // namespace kxemu
