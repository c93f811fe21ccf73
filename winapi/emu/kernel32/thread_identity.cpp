#include <winapi/include/winapi.h>

#include <atomic>
#include <unistd.h>

namespace {
// Windows thread ids are small positive numbers, unique while the process runs; the
// emulation hands them out in order of first use.
std::atomic<DWORD> nextThreadId{1};
} // namespace

extern "C" DWORD WINAPI GetCurrentThreadId() {
  thread_local const DWORD id = nextThreadId.fetch_add(1, std::memory_order_relaxed);
  return id;
}

extern "C" DWORD WINAPI GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }
