#pragma once

// The kernel driver's stream of one device. Every transfer period it drains one period of
// playback from the block's playback ring (what the ring cannot supply is played as zeros),
// fills one period of capture into the capture ring (what does not fit is lost), adds the
// drained bytes to the output credit (at most one ring's worth), clears the drop flag once
// the library has counted the drop bytes down, and after each wake-up that moved data sets
// the stream event. Time is stream milliseconds since the start: given by the real-time
// thread or, in stepped mode, by the caller.
#include <abi/kernel.h>
#include <devsim/include/devsim.h>
#include <winapi/include/winapi.h>

#include "byte_log.h"
#include "realtime_pacer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace devsim {

// More than this far behind, the stream skips what it missed and reports it as lost.
inline constexpr std::uint32_t kCatchUpLimitMs = 50;

struct StreamStart {
  kernel::StreamBlock* block = nullptr;
  kernel::StreamFormat format{};
  std::uint32_t transferMs = 1;
  CaptureSignal signal = CaptureSignal::Loopback;
  ClockMode clock = ClockMode::RealTime;
};

struct StreamCounters {
  std::uint64_t periods = 0;
  std::uint64_t streamMs = 0;
  std::uint64_t underrunBytes = 0;
  std::uint64_t overrunBytes = 0;
  std::int32_t latencyAllowance = 0;
};

class StreamEngine {
public:
  StreamEngine() = default;
  ~StreamEngine() { stop(false); }
  StreamEngine(const StreamEngine&) = delete;
  StreamEngine& operator=(const StreamEngine&) = delete;

  // A running stream is stopped first. Reads the event handle and the latency allowance
  // from the block.
  void start(const StreamStart& start);
  // Once this returns the block is no longer touched. `gone`: state 1 and the event first.
  void stop(bool gone);
  bool running() const;

  void setTransferMs(std::uint32_t ms);
  void setSignal(CaptureSignal signal);
  // Stepped mode only (no effect on a real-time stream).
  void advance(std::uint32_t ms);
  void oversleep(std::uint32_t ms);

  // Faults; false when no stream runs.
  bool stall(std::uint32_t ms);
  bool addLostMilliseconds(std::uint32_t ms);
  bool requestDrop(std::int32_t bytes);
  bool clearDrop();

  StreamCounters counters() const;
  std::vector<std::uint8_t> takePlayed(std::size_t most = SIZE_MAX);
  std::vector<std::uint8_t> takeCaptured(std::size_t most = SIZE_MAX);

private:
  std::uint64_t wakeAt(std::uint64_t nowMs); // returns when the next period is due
  bool runPeriod();
  void addCredit(std::uint32_t bytes);
  void setEvent();

  mutable std::mutex mutex_;
  bool running_ = false;
  kernel::StreamBlock* block_ = nullptr;
  HANDLE event_ = nullptr;
  kernel::StreamFormat format_{};
  std::uint32_t transferMs_ = 1;
  CaptureSignal signal_ = CaptureSignal::Loopback;
  std::uint64_t clockMs_ = 0;      // stepped mode: the stream time given so far
  std::uint64_t nextPeriodMs_ = 0; // when the next period ends
  std::uint32_t stallMs_ = 0;
  // Playback starts once the ring holds the latency allowance: the driver's jitter margin.
  std::uint32_t primeBytes_ = 0;
  bool primed_ = false;
  StreamCounters counters_;
  std::vector<std::uint8_t> playback_; // one period's bytes, reused
  std::vector<std::uint8_t> capture_;
  ByteLog played_;
  ByteLog captured_;
  std::unique_ptr<RealtimePacer> pacer_;
};

} // namespace devsim
