// The multimedia clock. timeGetTime runs from the same clock as GetTickCount; the period
// requests are counted but change nothing (the host clock is already precise).
#include <winapi/emu/internal/errors.h>

#include <atomic>

namespace {
constexpr UINT kMinimumPeriod = 1;
constexpr UINT kMaximumPeriod = 1000000;
std::atomic<int> periodRequests{0};
} // namespace

extern "C" DWORD WINAPI timeGetTime() { return GetTickCount(); }

extern "C" MMRESULT WINAPI timeBeginPeriod(UINT period) {
  if (period < kMinimumPeriod || period > kMaximumPeriod) {
    return TIMERR_NOCANDO;
  }
  periodRequests.fetch_add(1);
  return TIMERR_NOERROR;
}

extern "C" MMRESULT WINAPI timeEndPeriod(UINT period) {
  if (period < kMinimumPeriod || period > kMaximumPeriod) {
    return TIMERR_NOCANDO;
  }
  periodRequests.fetch_sub(1);
  return TIMERR_NOERROR;
}

extern "C" MMRESULT WINAPI timeGetDevCaps(LPTIMECAPS caps, UINT size) {
  if (!caps || size < sizeof(TIMECAPS)) {
    return TIMERR_STRUCT;
  }
  caps->wPeriodMin = kMinimumPeriod;
  caps->wPeriodMax = kMaximumPeriod;
  return TIMERR_NOERROR;
}
