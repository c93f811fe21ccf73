#pragma once

// The real-time thread of one stream: it sleeps until the stream's next period is due and
// then wakes the stream with the milliseconds passed since the thread started.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace devsim {

class RealtimePacer {
public:
  // `wake` gets the elapsed milliseconds and answers when (in elapsed milliseconds) it
  // wants to be woken next.
  using Wake = std::function<std::uint64_t(std::uint64_t elapsedMs)>;

  explicit RealtimePacer(Wake wake);
  // Stops the thread and waits for it; must not run on the thread itself.
  ~RealtimePacer();
  RealtimePacer(const RealtimePacer&) = delete;
  RealtimePacer& operator=(const RealtimePacer&) = delete;

private:
  void run();

  Wake wake_;
  std::mutex mutex_;
  std::condition_variable stopped_;
  bool stop_ = false;
  std::thread thread_;
};

} // namespace devsim
