#pragma once

#include <cstdint>

// The sample position and its time stamp. The time is smoothed over the last 5000 buffer
// periods, so the jitter of the wake-ups does not reach the host.
class StreamClock {
public:
  static constexpr std::int32_t kHistory = 5000;

  void reset(std::int32_t bufferSize, std::int32_t rate, std::int32_t inputLatency);
  // Once per buffer switch, at the system time now (nanoseconds).
  void tick(std::int64_t nowNs);
  // Moves the time on by milliseconds the device lost.
  void advance(std::int32_t milliseconds);

  std::int64_t position() const { return position_; }
  std::int64_t time() const { return smoothedTime_ - halfInputLatency_; }

  // The system time the clock runs on: the millisecond tick count in nanoseconds.
  static std::int64_t systemTimeNs();

private:
  std::int64_t lastTick_ = 0;
  std::int64_t smoothedTime_ = 0;
  std::int64_t periodSum_ = 0;
  std::int64_t history_[kHistory] = {};
  std::int64_t position_ = 0;
  std::int64_t halfInputLatency_ = 0;
  std::int16_t historyIndex_ = 0;
  std::int32_t bufferSize_ = 0;
  std::int32_t rate_ = 0;
  std::int32_t inputLatency_ = 0;
  bool firstTick_ = true;
};
