#pragma once

#include <winapi/include/winapi.h>

#include <atomic>
#include <cstdint>

class AsioDriver;

// The time-critical thread that waits for the kernel driver's signal and paces the host's
// buffer switches by the device.
class StreamThread {
public:
  static constexpr int kPriority = THREAD_PRIORITY_TIME_CRITICAL;

  StreamThread();
  StreamThread(const StreamThread&) = delete;
  StreamThread& operator=(const StreamThread&) = delete;
  ~StreamThread();

  void startThread(AsioDriver* owner, bool useDevice);
  void signalStart();
  // Ends the thread: it leaves its current wait within 300 ms; waits up to 1000 ms for it.
  // True when a thread was running.
  bool stopThread();
  bool isRunning() const { return running_.load(std::memory_order_acquire); }

private:
  static DWORD WINAPI routine(LPVOID self);
  void run();

  AsioDriver* owner_ = nullptr;
  HANDLE startEvent_ = nullptr;
  HANDLE thread_ = nullptr;
  std::atomic<bool> useDevice_{true};
  std::atomic<bool> running_{false};
};
