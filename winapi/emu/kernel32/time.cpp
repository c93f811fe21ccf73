// Clocks: GetTickCount(64), QueryPerformanceCounter/Frequency. All run from the host's
// monotonic clock, so timeGetTime (winmm) and GetTickCount agree.
#include <winapi/emu/internal/errors.h>

#include <ctime>

namespace {
// The performance counter ticks at 10 MHz, as on current Windows.
constexpr LONGLONG kPerformanceFrequency = 10'000'000;

timespec monotonic() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now;
}
} // namespace

extern "C" ULONGLONG WINAPI GetTickCount64() {
  const timespec now = monotonic();
  return static_cast<ULONGLONG>(now.tv_sec) * 1000u + static_cast<ULONGLONG>(now.tv_nsec) / 1'000'000u;
}

extern "C" DWORD WINAPI GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

extern "C" BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (!count) {
    return kxemu::fail(ERROR_NOACCESS, FALSE);
  }
  const timespec now = monotonic();
  count->QuadPart = static_cast<LONGLONG>(now.tv_sec) * kPerformanceFrequency + now.tv_nsec / 100;
  return TRUE;
}

extern "C" BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (!frequency) {
    return kxemu::fail(ERROR_NOACCESS, FALSE);
  }
  frequency->QuadPart = kPerformanceFrequency;
  return TRUE;
}
