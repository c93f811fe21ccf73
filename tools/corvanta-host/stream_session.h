#pragma once

#include <abi/asio.h>

#include "test_signal.h"

#include <atomic>
#include <cstdint>
#include <vector>

// The host side of one streaming run. Its bufferSwitch, on the driver's streaming thread,
// notes the time, keeps the input halves and fills the output halves from the test signal;
// everything it writes is allocated beforehand.
class StreamSession {
public:
  struct Plan {
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    std::int32_t frames = 0;
    std::int32_t sampleBytes = 2; // the host's width: 2, 3 or 4
    bool useOutputReady = true;
    std::int64_t maxSwitches = 0; // switches whose time and data are kept
    const TestSignal* signal = nullptr;
  };

  StreamSession(IASIO& driver, const Plan& plan);
  StreamSession(const StreamSession&) = delete;
  StreamSession& operator=(const StreamSession&) = delete;
  ~StreamSession();

  ASIOError createBuffers();
  std::int64_t switches() const { return switches_.load(std::memory_order_acquire); }
  // Nanoseconds of the performance counter at each kept switch.
  const std::vector<std::int64_t>& switchTimes() const { return times_; }
  // Input channel c as it arrived, packed little-endian samples.
  const std::vector<std::uint8_t>& recording(std::int32_t channel) const;
  std::int64_t outputReadyRefusals() const { return outputReadyRefusals_; }

private:
  static void bufferSwitch(std::int32_t index, ASIOBool direct);
  static std::int32_t asioMessage(std::int32_t selector, std::int32_t value, void* message, double* opt);
  void onSwitch(std::int32_t index);

  IASIO& driver_;
  Plan plan_;
  ASIOCallbacks callbacks_{};
  std::vector<ASIOBufferInfo> infos_;
  std::vector<std::int64_t> times_;
  std::vector<std::vector<std::uint8_t>> recordings_;
  std::int64_t played_ = 0;
  std::int64_t outputReadyRefusals_ = 0;
  std::atomic<std::int64_t> switches_{0};
};

std::int64_t performanceCounterNs();
