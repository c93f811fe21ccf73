#pragma once

#include <kxtools/inc/kxlist.h>

#include <cstdint>
#include <mutex>

// Receives the ticks of the timers it owns.
class KxTimerListener {
public:
  virtual ~KxTimerListener() = default;
  virtual void onTimer(std::int32_t id) = 0;
};

// One window-less system timer. Its ticks arrive on the thread that started it, while
// that thread dispatches messages, and go to the listener with the owner's id.
class KxTimer {
public:
  KxTimer() = default;
  KxTimer(KxTimerListener* listener, std::int32_t id) : listener_(listener), id_(id) {}
  // A copy would share the system timer; only one object may stop it.
  KxTimer(const KxTimer&) = delete;
  KxTimer& operator=(const KxTimer&) = delete;
  virtual ~KxTimer();

  // Refused (false) while the timer runs.
  bool setListener(KxTimerListener* listener, std::int32_t id);
  // Refused (false) while running, without a listener, or when the system gives no timer.
  bool startTimer(std::int32_t periodMs, bool repeating);
  void stopTimer();

  bool isRunning() const { return running_; }
  bool isRepeating() const { return repeating_; }
  std::int32_t timerId() const { return id_; }
  KxTimerListener* listener() const { return listener_; }
  std::uintptr_t systemId() const { return systemId_; }

  // Where the system's timer procedure delivers a tick.
  static void deliverTick(std::uintptr_t systemId);

private:
  KxTimerListener* listener_ = nullptr;
  std::int32_t id_ = 0;
  bool running_ = false;
  bool repeating_ = false;
  std::uintptr_t systemId_ = 0;
};

// Maps system timer ids to timers, for the one timer procedure of the library. Entries
// are kept in a sorted list ordered by system timer id.
class KxTimerRegistry {
public:
  static KxTimerRegistry& instance();

  KxTimerRegistry();
  KxTimerRegistry(const KxTimerRegistry&) = delete;
  KxTimerRegistry& operator=(const KxTimerRegistry&) = delete;
  ~KxTimerRegistry();

  // Registers the timer under its systemId; false for a null timer or a key in use.
  bool add(KxTimer* timer);
  void removeKey(std::uintptr_t key);
  KxTimer* lookup(std::uintptr_t key) const;

private:
  // Timers are normally served on one thread; the lock keeps timers of several threads
  // from corrupting the shared list.
  mutable std::mutex mutex_;
  KxSortedList entries_;
};
