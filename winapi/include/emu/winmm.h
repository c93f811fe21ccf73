#pragma once

// winmm: the multimedia millisecond clock.
#include <winapi/include/emu/wintypes.h>

using MMRESULT = UINT;
#define TIMERR_NOERROR 0u
#define TIMERR_NOCANDO 97u
#define TIMERR_STRUCT 129u

struct TIMECAPS {
  UINT wPeriodMin;
  UINT wPeriodMax;
};
using LPTIMECAPS = TIMECAPS*;

extern "C" {
// Milliseconds since the system started (the same clock as GetTickCount).
DWORD WINAPI timeGetTime();
MMRESULT WINAPI timeBeginPeriod(UINT period);
MMRESULT WINAPI timeEndPeriod(UINT period);
MMRESULT WINAPI timeGetDevCaps(LPTIMECAPS caps, UINT size);
}
