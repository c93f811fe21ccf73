#include <driver/stream/stream_clock.h>
#include <winapi/include/winapi.h>

namespace {
constexpr std::int64_t kNsPerSecond = 1'000'000'000;
} // namespace

std::int64_t StreamClock::systemTimeNs() { return std::int64_t{timeGetTime()} * 1'000'000; }

void StreamClock::reset(std::int32_t bufferSize, std::int32_t rate, std::int32_t inputLatency) {
  bufferSize_ = bufferSize;
  rate_ = rate;
  inputLatency_ = inputLatency;
  const std::int64_t period = rate != 0 ? std::int64_t{bufferSize} * kNsPerSecond / rate : 0;
  for (std::int64_t& entry : history_) {
    entry = period;
  }
  periodSum_ = kHistory * period;
  halfInputLatency_ = rate != 0 ? std::int64_t{inputLatency} * kNsPerSecond / rate / 2 : 0;
  historyIndex_ = 0;
  firstTick_ = true;
}

void StreamClock::tick(std::int64_t nowNs) {
  if (firstTick_) {
    firstTick_ = false;
    position_ = 0;
    lastTick_ = nowNs;
    smoothedTime_ = nowNs;
    return;
  }
  position_ += bufferSize_;
  const std::int64_t delta = nowNs - lastTick_;
  periodSum_ += delta - history_[historyIndex_];
  history_[historyIndex_] = delta;
  historyIndex_ = static_cast<std::int16_t>(historyIndex_ + 1 == kHistory ? 0 : historyIndex_ + 1);
  smoothedTime_ += periodSum_ / kHistory;
  lastTick_ = nowNs;
}

void StreamClock::advance(std::int32_t milliseconds) {
  // A clock that was never given a buffer size cannot turn milliseconds into periods.
  if (milliseconds <= 0 || bufferSize_ == 0) {
    return;
  }
  const std::int64_t shift =
      std::int64_t{milliseconds} * rate_ * (periodSum_ / kHistory) / (std::int64_t{bufferSize_} * 1000);
  smoothedTime_ += shift;
  lastTick_ += shift;
}
