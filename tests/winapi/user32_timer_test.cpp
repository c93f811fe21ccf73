#include "user32_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using user32test::createWindow;
using user32test::messageLog;
using user32test::pumpUntil;
using user32test::recordingProc;
using user32test::ScopedClass;
using user32test::waitUntil;

namespace {

struct Tick {
  HWND hwnd;
  UINT message;
  UINT_PTR id;
};
std::vector<Tick> procTicks;

void CALLBACK tickProc(HWND hwnd, UINT message, UINT_PTR id, DWORD) {
  procTicks.push_back(Tick{hwnd, message, id});
}

int procTicksOf(UINT_PTR id) {
  int count = 0;
  for (const Tick& tick : procTicks) {
    count += tick.id == id ? 1 : 0;
  }
  return count;
}

// Waits, without retrieving it, until a tick of the timer is ready in the queue.
bool waitForQueuedTick(HWND hwnd, UINT_PTR id) {
  return waitUntil([&] {
    MSG msg;
    return PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE) && msg.wParam == id;
  });
}

int windowTicks(HWND hwnd, UINT_PTR id) {
  int count = 0;
  for (const auto& seen : messageLog().all()) {
    count += seen.hwnd == hwnd && seen.message == WM_TIMER && seen.wParam == id ? 1 : 0;
  }
  return count;
}

} // namespace

TEST(User32Timers, WindowTimerSendsWmTimerWithItsIdToTheWindow) {
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass);
  EXPECT_NE(SetTimer(hwnd, 42, 10, nullptr), 0u);
  EXPECT_TRUE(pumpUntil([&] { return windowTicks(hwnd, 42) >= 2; }));
  EXPECT_TRUE(KillTimer(hwnd, 42));
  DestroyWindow(hwnd);
}

TEST(User32Timers, WindowlessTimerWithProcedureRunsFromDispatch) {
  const UINT_PTR id = SetTimer(nullptr, 0, 10, tickProc);
  ASSERT_NE(id, 0u);
  EXPECT_TRUE(pumpUntil([&] { return procTicksOf(id) >= 2; }));
  EXPECT_EQ(procTicks.front().hwnd, nullptr);
  EXPECT_EQ(procTicks.front().message, static_cast<UINT>(WM_TIMER));
  EXPECT_TRUE(KillTimer(nullptr, id));
}

TEST(User32Timers, WindowlessTimerWithoutProcedureIsAThreadMessage) {
  const UINT_PTR first = SetTimer(nullptr, 0, 10, nullptr);
  const UINT_PTR second = SetTimer(nullptr, 0, 10, nullptr);
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  EXPECT_NE(first, second);
  MSG msg{};
  EXPECT_TRUE(waitUntil([&] { return PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE) != FALSE; }));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.lParam, 0);
  EXPECT_TRUE(msg.wParam == first || msg.wParam == second);
  KillTimer(nullptr, first);
  KillTimer(nullptr, second);
}

TEST(User32Timers, WindowlessTimerIdNamingAnExistingTimerReplacesIt) {
  const UINT_PTR id = SetTimer(nullptr, 0, 10, nullptr);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(SetTimer(nullptr, id, 10, tickProc), id);
  EXPECT_TRUE(pumpUntil([&] { return procTicksOf(id) >= 1; }));
  EXPECT_TRUE(KillTimer(nullptr, id));
  EXPECT_FALSE(KillTimer(nullptr, id));
}

TEST(User32Timers, ZeroPeriodIsAcceptedAndTicks) {
  const UINT_PTR id = SetTimer(nullptr, 0, 0, tickProc);
  ASSERT_NE(id, 0u);
  EXPECT_TRUE(pumpUntil([&] { return procTicksOf(id) >= 3; }));
  KillTimer(nullptr, id);
}

TEST(User32Timers, KillTimerTakesATickWaitingInTheQueueWithIt) {
  // Windows makes WM_TIMER from the timer when the queue is read, so a killed timer has
  // nothing left to deliver (whatever KillTimer's documentation says of posted ticks).
  ScopedClass windowClass(recordingProc);
  HWND hwnd = createWindow(windowClass);
  ASSERT_NE(SetTimer(hwnd, 7, 10, nullptr), 0u);
  ASSERT_TRUE(waitForQueuedTick(hwnd, 7));
  EXPECT_TRUE(KillTimer(hwnd, 7));
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE));
  DestroyWindow(hwnd);
}

TEST(User32Timers, TickRetrievedBeforeKillTimerDoesNotCallTheProcedure) {
  const UINT_PTR id = SetTimer(nullptr, 0, 10, tickProc);
  ASSERT_TRUE(waitForQueuedTick(nullptr, id));
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  ASSERT_TRUE(KillTimer(nullptr, id));
  DispatchMessageA(&msg);
  // Windows calls a timer procedure only for a timer it knows. Wine passes a handle of
  // its own in lParam and calls the procedure of a killed timer.
  if (!kxtest::runningUnderWine()) {
    EXPECT_EQ(msg.lParam, reinterpret_cast<LPARAM>(tickProc));
    EXPECT_EQ(procTicksOf(id), 0);
  }
}

TEST(User32Timers, TimerTicksOnlyOnTheThreadThatSetIt) {
  // Window-less timer ids may repeat between threads (they do under Wine), so this
  // thread's timer is told apart by its procedure; the other thread's has none.
  const UINT_PTR mine = SetTimer(nullptr, 0, 10, tickProc);
  ASSERT_NE(mine, 0u);
  std::atomic<bool> sawMine{false};
  std::atomic<int> ownTicks{0};
  std::thread other([&] {
    const UINT_PTR own = SetTimer(nullptr, 0, 10, nullptr);
    // Several of its own ticks pass while `mine` is due as well.
    waitUntil([&] {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
        sawMine = sawMine || msg.lParam != 0;
        ownTicks += msg.wParam == own && msg.lParam == 0 ? 1 : 0;
      }
      return ownTicks >= 5;
    });
    KillTimer(nullptr, own);
  });
  other.join();
  EXPECT_GE(ownTicks, 5);
  EXPECT_FALSE(sawMine);
  EXPECT_TRUE(pumpUntil([&] { return procTicksOf(mine) >= 1; }));
  KillTimer(nullptr, mine);
}

TEST(User32Timers, GetMessageWaitsForTheNextTick) {
  const UINT_PTR id = SetTimer(nullptr, 0, 10, nullptr);
  MSG msg{};
  ASSERT_EQ(GetMessageA(&msg, nullptr, WM_TIMER, WM_TIMER), TRUE);
  EXPECT_EQ(msg.wParam, id);
  EXPECT_TRUE(WaitMessage()) << "a due timer ends the wait as well";
  KillTimer(nullptr, id);
}

TEST(User32Timers, DueTickWaitsBehindPostedMessagesAndTheQuitRequest) {
  const UINT_PTR id = SetTimer(nullptr, 0, 10, nullptr);
  ASSERT_TRUE(waitForQueuedTick(nullptr, id));
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 1, 0, 0);
  PostQuitMessage(3);
  std::vector<UINT> order;
  MSG msg;
  for (int i = 0; i < 3 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    order.push_back(msg.message);
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_QUIT, WM_TIMER}));
  KillTimer(nullptr, id);
}
