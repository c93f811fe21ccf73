// Clocks: tick count, multimedia time, performance counter.
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(Clocks, AdvanceWithSleep) {
  const DWORD tick = GetTickCount();
  const DWORD mm = timeGetTime();
  LARGE_INTEGER before, after, frequency;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_GT(frequency.QuadPart, 0);
  QueryPerformanceCounter(&before);
  Sleep(100);
  QueryPerformanceCounter(&after);
  EXPECT_GE(GetTickCount() - tick, 70u); // Wine's tick count moves in steps of about 16 ms
  EXPECT_GE(timeGetTime() - mm, 70u);
  EXPECT_LT(timeGetTime() - mm, 5000u);
  const double ms = static_cast<double>(after.QuadPart - before.QuadPart) * 1000.0 /
                    static_cast<double>(frequency.QuadPart);
  EXPECT_GE(ms, 90.0);
  EXPECT_GE(GetTickCount64(), static_cast<ULONGLONG>(0));
}

TEST(Clocks, TimerPeriods) {
  EXPECT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_EQ(timeBeginPeriod(0), static_cast<MMRESULT>(TIMERR_NOCANDO));
  TIMECAPS caps{};
  EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_GE(caps.wPeriodMin, 1u);
}

} // namespace
