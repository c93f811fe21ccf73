#include "stream_engine.h"

#include "capture_signal.h"
#include "format_rules.h"
#include "ring_access.h"

#include <algorithm>

namespace devsim {
namespace {

constexpr std::int32_t kCreditLimit = static_cast<std::int32_t>(kernel::kRingCapacity);
constexpr std::uint64_t kIdleWakeMs = 1000;

std::uint64_t framesAt(std::uint64_t ms, std::uint32_t rate) { return ms * rate / 1000; }

// The block's 32-bit event word as a handle: Windows handles sign-extend.
HANDLE eventFromWord(std::uint32_t word) {
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(static_cast<std::int32_t>(word)));
}

} // namespace

void StreamEngine::start(const StreamStart& start) {
  stop(false);
  std::lock_guard lock(mutex_);
  block_ = start.block;
  event_ = eventFromWord(kernel::shared(block_->eventHandle).load());
  format_ = start.format;
  transferMs_ = std::max<std::uint32_t>(start.transferMs, 1);
  signal_ = start.signal;
  clockMs_ = 0;
  nextPeriodMs_ = transferMs_;
  stallMs_ = 0;
  counters_ = {};
  counters_.latencyAllowance = kernel::shared(block_->latencyAllowance).load();
  const std::uint32_t allowanceFrames =
      static_cast<std::uint32_t>(std::max<std::int32_t>(counters_.latencyAllowance, 0));
  primeBytes_ = std::min<std::uint64_t>(std::uint64_t{allowanceFrames} * outputFrameBytes(format_),
                                        kernel::kRingCapacity / 2);
  primed_ = primeBytes_ == 0;
  played_.clear();
  captured_.clear();
  running_ = true;
  if (start.clock == ClockMode::RealTime) {
    pacer_ = std::make_unique<RealtimePacer>([this](std::uint64_t elapsedMs) {
      std::lock_guard wakeLock(mutex_);
      return running_ ? wakeAt(elapsedMs) : elapsedMs + kIdleWakeMs;
    });
  }
}

void StreamEngine::stop(bool gone) {
  std::unique_ptr<RealtimePacer> pacer;
  {
    std::lock_guard lock(mutex_);
    if (running_ && gone) {
      kernel::shared(block_->state).store(kernel::kStreamStateGone);
      setEvent();
    }
    running_ = false;
    block_ = nullptr;
    pacer = std::move(pacer_);
  }
  pacer.reset(); // joins the thread outside the lock it takes
}

bool StreamEngine::running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

void StreamEngine::setTransferMs(std::uint32_t ms) {
  std::lock_guard lock(mutex_);
  transferMs_ = std::max<std::uint32_t>(ms, 1);
}

void StreamEngine::setSignal(CaptureSignal signal) {
  std::lock_guard lock(mutex_);
  signal_ = signal;
}

void StreamEngine::advance(std::uint32_t ms) {
  std::lock_guard lock(mutex_);
  for (std::uint32_t step = 0; step < ms && running_ && !pacer_; ++step) {
    wakeAt(++clockMs_);
  }
}

void StreamEngine::oversleep(std::uint32_t ms) {
  std::lock_guard lock(mutex_);
  if (running_ && !pacer_) {
    clockMs_ += ms;
    wakeAt(clockMs_);
  }
}

std::uint64_t StreamEngine::wakeAt(std::uint64_t nowMs) {
  if (nowMs < nextPeriodMs_) {
    return nextPeriodMs_;
  }
  const std::uint64_t behind = nowMs - nextPeriodMs_;
  std::uint64_t due = behind / transferMs_ + 1;
  if (behind > kCatchUpLimitMs && due > 1) {
    const std::uint64_t skippedMs = (due - 1) * transferMs_;
    kernel::shared(block_->lostMilliseconds).fetch_add(static_cast<std::uint32_t>(skippedMs));
    counters_.streamMs += skippedMs;
    nextPeriodMs_ += skippedMs;
    due = 1;
  }
  bool moved = false;
  for (; due > 0; --due) {
    moved = runPeriod() || moved;
    nextPeriodMs_ += transferMs_;
  }
  if (moved) {
    setEvent();
  }
  return nextPeriodMs_;
}

bool StreamEngine::runPeriod() {
  const std::uint64_t startMs = counters_.streamMs;
  counters_.streamMs += transferMs_;
  if (stallMs_ > 0) {
    stallMs_ -= std::min(stallMs_, transferMs_);
    return false;
  }
  const auto frames = static_cast<std::uint32_t>(framesAt(counters_.streamMs, format_.rate) -
                                                 framesAt(startMs, format_.rate));
  const std::uint32_t outBytes = frames * outputFrameBytes(format_);
  const std::uint32_t inBytes = frames * inputFrameBytes(format_);
  if (outBytes > 0) {
    playback_.resize(outBytes);
    primed_ = primed_ || kernel::shared(block_->playback.fillCount).load() >= primeBytes_;
    const std::uint32_t drained = primed_ ? drainRing(block_->playback, playback_.data(), outBytes) : 0;
    std::fill(playback_.begin() + drained, playback_.end(), std::uint8_t{0});
    if (primed_) {
      counters_.underrunBytes += outBytes - drained;
    }
    played_.append(playback_.data(), outBytes);
    // The device's clock runs while it collects the allowance too: silence counts as played.
    addCredit(outBytes);
  }
  if (inBytes > 0) {
    capture_.resize(inBytes);
    generateCapture(signal_, format_, framesAt(startMs, format_.rate), frames,
                    outBytes ? playback_.data() : nullptr, capture_.data());
    const std::uint32_t filled = fillRing(block_->capture, capture_.data(), inBytes);
    counters_.overrunBytes += inBytes - filled;
    captured_.append(capture_.data(), filled);
  }
  if (kernel::shared(block_->dropFlag).load() != 0 && kernel::shared(block_->dropByteCount).load() <= 0) {
    kernel::shared(block_->dropFlag).store(0);
  }
  ++counters_.periods;
  return true;
}

void StreamEngine::addCredit(std::uint32_t bytes) {
  auto credit = kernel::shared(block_->outputCredit);
  std::int32_t old = credit.load();
  std::int32_t raised;
  do {
    raised = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{old} + bytes, kCreditLimit));
    raised = std::max(raised, old); // a credit already above the limit stays as it is
  } while (!credit.compare_exchange_weak(old, raised));
}

void StreamEngine::setEvent() {
  if (event_) {
    SetEvent(event_);
  }
}

bool StreamEngine::stall(std::uint32_t ms) {
  std::lock_guard lock(mutex_);
  if (!running_) {
    return false;
  }
  stallMs_ = ms;
  return true;
}

bool StreamEngine::addLostMilliseconds(std::uint32_t ms) {
  std::lock_guard lock(mutex_);
  if (!running_) {
    return false;
  }
  kernel::shared(block_->lostMilliseconds).fetch_add(ms);
  setEvent();
  return true;
}

bool StreamEngine::requestDrop(std::int32_t bytes) {
  std::lock_guard lock(mutex_);
  if (!running_) {
    return false;
  }
  kernel::shared(block_->dropByteCount).store(bytes);
  kernel::shared(block_->dropFlag).store(1);
  return true;
}

bool StreamEngine::clearDrop() {
  std::lock_guard lock(mutex_);
  if (!running_) {
    return false;
  }
  kernel::shared(block_->dropByteCount).store(0);
  kernel::shared(block_->dropFlag).store(0);
  return true;
}

StreamCounters StreamEngine::counters() const {
  std::lock_guard lock(mutex_);
  return counters_;
}

std::vector<std::uint8_t> StreamEngine::takePlayed(std::size_t most) {
  std::lock_guard lock(mutex_);
  return played_.take(most);
}

std::vector<std::uint8_t> StreamEngine::takeCaptured(std::size_t most) {
  std::lock_guard lock(mutex_);
  return captured_.take(most);
}

} // namespace devsim
