#include <kxtools/inc/kxtimer.h>
#include <winapi/include/winapi.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <tests/support/message_pump.h>
#include <vector>

using kxtest::pumpUntil;
using kxtest::waitUntil;

namespace {

class CountingListener : public KxTimerListener {
public:
  void onTimer(std::int32_t id) override {
    ids.push_back(id);
    if (onTick) {
      onTick(id);
    }
  }
  int count(std::int32_t id) const {
    int n = 0;
    for (std::int32_t seen : ids) {
      n += seen == id ? 1 : 0;
    }
    return n;
  }
  std::vector<std::int32_t> ids;
  std::function<void(std::int32_t)> onTick;
};

// A repeating timer that marks the passing of time for tests that must see that
// something did not happen: after `ticks` of its ticks, a one-shot timer of the same
// period would have fired again.
class Witness {
public:
  Witness() : timer_(&listener_, 99) { timer_.startTimer(10, true); }
  bool waitForTicks(int ticks) {
    const int target = listener_.count(99) + ticks;
    return pumpUntil([&] { return listener_.count(99) >= target; });
  }

private:
  CountingListener listener_;
  KxTimer timer_;
};

} // namespace

TEST(KxTimer, DefaultTimerIsIdleWithoutListenerAndCannotStart) {
  KxTimer timer;
  EXPECT_EQ(timer.listener(), nullptr);
  EXPECT_EQ(timer.timerId(), 0);
  EXPECT_FALSE(timer.isRunning());
  EXPECT_FALSE(timer.isRepeating());
  EXPECT_EQ(timer.systemId(), 0u);
  EXPECT_FALSE(timer.startTimer(10, true));
  EXPECT_FALSE(timer.isRunning());
}

TEST(KxTimer, OneShotDeliversExactlyOneTickAndStops) {
  CountingListener listener;
  KxTimer timer(&listener, 5);
  ASSERT_TRUE(timer.startTimer(10, false));
  EXPECT_TRUE(timer.isRunning());
  EXPECT_NE(timer.systemId(), 0u);
  ASSERT_TRUE(pumpUntil([&] { return listener.count(5) == 1; }));
  EXPECT_FALSE(timer.isRunning());
  EXPECT_EQ(timer.systemId(), 0u);
  Witness witness;
  ASSERT_TRUE(witness.waitForTicks(5));
  EXPECT_EQ(listener.ids, (std::vector<std::int32_t>{5}));
}

TEST(KxTimer, ListenerCanRestartAOneShotTimerFromItsTick) {
  CountingListener listener;
  KxTimer timer(&listener, 3);
  // As a scroll bar does: the first tick starts the timer again, now repeating.
  listener.onTick = [&](std::int32_t) {
    if (!timer.isRepeating()) {
      EXPECT_FALSE(timer.isRunning());
      EXPECT_TRUE(timer.startTimer(10, listener.ids.size() >= 3));
    }
  };
  ASSERT_TRUE(timer.startTimer(10, false));
  ASSERT_TRUE(pumpUntil([&] { return listener.count(3) >= 5; }));
  EXPECT_TRUE(timer.isRunning());
  EXPECT_TRUE(timer.isRepeating());
  timer.stopTimer();
  EXPECT_FALSE(timer.isRunning());
}

TEST(KxTimer, StartingARunningTimerIsRefusedAndChangesNothing) {
  CountingListener listener;
  KxTimer timer(&listener, 8);
  ASSERT_TRUE(timer.startTimer(10, true));
  const auto systemId = timer.systemId();
  EXPECT_FALSE(timer.startTimer(500, false));
  EXPECT_TRUE(timer.isRepeating());
  EXPECT_EQ(timer.systemId(), systemId);
  // A repeating timer that its listener starts again simply keeps running.
  listener.onTick = [&](std::int32_t) { EXPECT_FALSE(timer.startTimer(10, true)); };
  EXPECT_TRUE(pumpUntil([&] { return listener.count(8) >= 3; }));
  EXPECT_TRUE(timer.isRunning());
}

TEST(KxTimer, TwoTimersReachTheirOwnListenersWithTheirOwnIds) {
  CountingListener page;
  CountingListener scrollBar;
  KxTimer pageTimer(&page, 1);
  KxTimer scrollTimer(&scrollBar, 4);
  ASSERT_TRUE(pageTimer.startTimer(10, true));
  ASSERT_TRUE(scrollTimer.startTimer(20, true));
  EXPECT_NE(pageTimer.systemId(), scrollTimer.systemId());
  ASSERT_TRUE(pumpUntil([&] { return page.count(1) >= 2 && scrollBar.count(4) >= 2; }));
  EXPECT_EQ(page.count(4), 0);
  EXPECT_EQ(scrollBar.count(1), 0);
}

TEST(KxTimer, DestroyingARunningTimerIgnoresItsQueuedTick) {
  CountingListener listener;
  auto* timer = new KxTimer(&listener, 6);
  ASSERT_TRUE(timer->startTimer(10, true));
  const UINT_PTR systemId = timer->systemId();
  MSG tick{};
  ASSERT_TRUE(waitUntil([&] {
    return PeekMessageA(&tick, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE) && tick.wParam == systemId;
  }));
  delete timer;
  EXPECT_EQ(KxTimerRegistry::instance().lookup(systemId), nullptr);
  // The tick taken before the timer went is dispatched late; nothing may reach the
  // listener, nor from ticks still to come.
  DispatchMessageA(&tick);
  Witness witness;
  ASSERT_TRUE(witness.waitForTicks(5));
  EXPECT_TRUE(listener.ids.empty());
}

TEST(KxTimer, ListenerCanOnlyBeChangedWhileIdle) {
  CountingListener first;
  CountingListener second;
  KxTimer timer(&first, 1);
  ASSERT_TRUE(timer.startTimer(10, true));
  EXPECT_FALSE(timer.setListener(&second, 2));
  EXPECT_EQ(timer.listener(), &first);
  EXPECT_EQ(timer.timerId(), 1);
  timer.stopTimer();
  EXPECT_TRUE(timer.setListener(&second, 2));
  EXPECT_EQ(timer.listener(), &second);
  EXPECT_EQ(timer.timerId(), 2);
}

TEST(KxTimerRegistry, KeysAreUniqueAndLookupFindsTheTimer) {
  KxTimerRegistry registry;
  KxTimer first;
  KxTimer second;
  EXPECT_FALSE(registry.add(nullptr));
  EXPECT_TRUE(registry.add(&first));
  // Both idle timers carry system id 0, so the second key is already in use.
  EXPECT_FALSE(registry.add(&second));
  EXPECT_EQ(registry.lookup(0), &first);
  EXPECT_EQ(registry.lookup(1), nullptr);
  registry.removeKey(0);
  EXPECT_EQ(registry.lookup(0), nullptr);
  registry.removeKey(0);
  EXPECT_TRUE(registry.add(&second));
  EXPECT_EQ(registry.lookup(0), &second);
}

TEST(KxTimerRegistry, EntriesStaySortedBySystemIdWhateverTheOrderOfStarts) {
  CountingListener listener;
  std::vector<std::unique_ptr<KxTimer>> timers;
  for (int i = 0; i < 12; ++i) {
    timers.push_back(std::make_unique<KxTimer>(&listener, i));
    ASSERT_TRUE(timers.back()->startTimer(1000, true));
  }
  // Stopping every other timer removes entries from the middle of the list.
  for (int i = 0; i < 12; i += 2) {
    timers[static_cast<std::size_t>(i)]->stopTimer();
  }
  for (int i = 0; i < 12; ++i) {
    const KxTimer& timer = *timers[static_cast<std::size_t>(i)];
    EXPECT_EQ(KxTimerRegistry::instance().lookup(timer.systemId()), i % 2 == 0 ? nullptr : &timer) << i;
  }
}
