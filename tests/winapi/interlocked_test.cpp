// Interlocked operations, alone and under contention.
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(Interlocked, ResultsAreTheWindowsOnes) {
  LONG volatile value = 5;
  EXPECT_EQ(InterlockedIncrement(&value), 6);
  EXPECT_EQ(InterlockedDecrement(&value), 5);
  EXPECT_EQ(InterlockedExchange(&value, 9), 5);
  EXPECT_EQ(value, 9);
  EXPECT_EQ(InterlockedCompareExchange(&value, 1, 8), 9); // no swap
  EXPECT_EQ(value, 9);
  EXPECT_EQ(InterlockedCompareExchange(&value, 1, 9), 9); // swap
  EXPECT_EQ(value, 1);
  EXPECT_EQ(InterlockedExchangeAdd(&value, 10), 1);
  EXPECT_EQ(value, 11);
  LONG volatile wrap = 0x7FFFFFFF;
  EXPECT_EQ(InterlockedIncrement(&wrap), static_cast<LONG>(0x80000000u));
}

struct Shared {
  LONG volatile counter = 0;
  LONG volatile down = 0;
  LONG volatile viaCas = 0;
};
constexpr int kRounds = 100000;

DWORD WINAPI hammer(LPVOID parameter) {
  auto* shared = static_cast<Shared*>(parameter);
  for (int i = 0; i < kRounds; ++i) {
    InterlockedIncrement(&shared->counter);
    InterlockedDecrement(&shared->down);
    LONG seen;
    do {
      // Read through an interlocked call too: a plain read beside the others is a data race.
      seen = InterlockedCompareExchange(&shared->viaCas, 0, 0);
    } while (InterlockedCompareExchange(&shared->viaCas, seen + 2, seen) != seen);
  }
  return 0;
}

TEST(Interlocked, NoUpdateIsLostUnderContention) {
  Shared shared;
  HANDLE threads[4];
  for (HANDLE& thread : threads) {
    thread = CreateThread(nullptr, 0, hammer, &shared, 0, nullptr);
    ASSERT_NE(thread, nullptr);
  }
  ASSERT_EQ(WaitForMultipleObjects(4, threads, TRUE, 60000), WAIT_OBJECT_0);
  for (HANDLE thread : threads) {
    CloseHandle(thread);
  }
  EXPECT_EQ(shared.counter, 4 * kRounds);
  EXPECT_EQ(shared.down, -4 * kRounds);
  EXPECT_EQ(shared.viaCas, 8 * kRounds);
}

} // namespace
