#include "realtime_pacer.h"

#include <winapi/include/winapi.h>

#include <chrono>

namespace devsim {

RealtimePacer::RealtimePacer(Wake wake) : wake_(std::move(wake)), thread_([this] { run(); }) {}

RealtimePacer::~RealtimePacer() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  stopped_.notify_all();
  thread_.join();
}

void RealtimePacer::run() {
  // The kernel driver's transfers complete on time: this thread is as urgent as the
  // driver library's streaming thread.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  std::uint64_t next = wake_(0);
  std::unique_lock lock(mutex_);
  while (!stopped_.wait_until(lock, start + std::chrono::milliseconds(next), [this] { return stop_; })) {
    lock.unlock();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    next = wake_(static_cast<std::uint64_t>(elapsed));
    lock.lock();
  }
}

} // namespace devsim
