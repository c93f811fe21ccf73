#include <winapi/emu/user32/window_system.h>

#include <algorithm>

namespace kxemu::user32 {

namespace {

// Ids of window-less timers are unique in the process (the pointer-sized counter does not
// wrap) and far above the small numbers callers pass, so a caller's own id never names
// another timer by accident.
UINT_PTR nextThreadTimerId = 0x10000;

UINT clampPeriod(UINT elapse) {
  return std::clamp(elapse, static_cast<UINT>(USER_TIMER_MINIMUM), static_cast<UINT>(USER_TIMER_MAXIMUM));
}

ThreadTimer* findTimer(ThreadQueue& queue, HWND hwnd, UINT_PTR id) {
  const auto it = std::find_if(queue.timers.begin(), queue.timers.end(), [&](const ThreadTimer& timer) {
    return timer.hwnd == hwnd && timer.id == id;
  });
  return it == queue.timers.end() ? nullptr : &*it;
}

} // namespace

bool takeDueTimer(WindowSystem& system, const Lock& held, ThreadQueue& queue, const MessageFilter& filter,
                  bool remove, MSG& out) {
  const auto now = Clock::now();
  ThreadTimer* chosen = nullptr;
  for (auto& timer : queue.timers) {
    if (timer.due <= now && filter.accepts(system, held, timer.hwnd, WM_TIMER) &&
        (chosen == nullptr || timer.due < chosen->due)) {
      chosen = &timer;
    }
  }
  if (chosen == nullptr) {
    return false;
  }
  out = MSG{};
  out.hwnd = chosen->hwnd;
  out.message = WM_TIMER;
  out.wParam = chosen->id;
  out.lParam = reinterpret_cast<LPARAM>(chosen->proc);
  out.time = tickCount();
  // Ticks do not pile up: the next one is a whole period after this one is taken.
  if (remove) {
    chosen->due = now + std::chrono::milliseconds(chosen->period);
  }
  return true;
}

Clock::time_point nextTimerDue(WindowSystem& system, const Lock& held, const ThreadQueue& queue,
                               const MessageFilter& filter) {
  auto next = Clock::time_point::max();
  for (const auto& timer : queue.timers) {
    if (filter.accepts(system, held, timer.hwnd, WM_TIMER)) {
      next = std::min(next, timer.due);
    }
  }
  return next;
}

bool isLiveTimer(const ThreadQueue& queue, HWND hwnd, UINT_PTR id, TIMERPROC proc) {
  return std::any_of(queue.timers.begin(), queue.timers.end(), [&](const ThreadTimer& timer) {
    return timer.hwnd == hwnd && timer.id == id && timer.proc == proc;
  });
}

} // namespace kxemu::user32

using namespace kxemu::user32;

extern "C" UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  if (hWnd != nullptr) {
    const Window* window = system.find(lock, hWnd);
    if (window == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    // The window must belong to the calling thread, whose queue delivers the ticks.
    if (window->threadId != GetCurrentThreadId()) {
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
  }
  ThreadQueue& queue = system.currentQueue(lock);
  // A window-less timer keeps the given id only when it names one of the thread's own
  // window-less timers, which it then replaces; otherwise the system picks the id.
  ThreadTimer* timer = findTimer(queue, hWnd, nIDEvent);
  if (timer == nullptr) {
    timer = &queue.timers.emplace_back();
    timer->hwnd = hWnd;
    timer->id = hWnd != nullptr ? nIDEvent : nextThreadTimerId++;
  }
  timer->period = clampPeriod(uElapse);
  timer->proc = lpTimerFunc;
  timer->due = Clock::now() + std::chrono::milliseconds(timer->period);
  queue.wake.notify_all();
  if (hWnd != nullptr && timer->id == 0) {
    return 1;
  }
  return timer->id;
}

extern "C" BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  auto& system = WindowSystem::get();
  auto lock = system.lock();
  if (hWnd != nullptr && system.find(lock, hWnd) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  // A tick of the timer that is still waiting to be retrieved goes with it: ticks are
  // made from the timer when the queue is read, as on Windows.
  auto& timers = system.currentQueue(lock).timers;
  const auto removed = std::erase_if(
      timers, [&](const ThreadTimer& timer) { return timer.hwnd == hWnd && timer.id == uIDEvent; });
  if (removed == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
