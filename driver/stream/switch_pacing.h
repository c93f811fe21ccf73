#pragma once

#include <driver/device/stream_ring.h>

#include <cstdint>

// When the device lets the host have a buffer switch: a whole buffer of captured frames (or,
// without inputs, output credit that is not negative) and a whole buffer of playback space
// (unless the outputs have no device behind them).
struct PacingShape {
  std::int32_t inputs = 0;
  std::int32_t outputs = 0;
  bool simulatedOutputs = false;
  std::int32_t bufferSize = 0;
};

bool switchReady(const StreamStatus& status, const PacingShape& shape);

// The switches of one wake-up: while the device's counters allow, up to maxSwitches, reading
// the status again after each. The lost milliseconds of a status move the clock once.
// Returns how many switches ran.
template <typename AdvanceClock, typename Switch, typename ReadStatus>
std::int32_t runSwitches(StreamStatus& status, const PacingShape& shape, std::int32_t maxSwitches,
                         AdvanceClock advanceClock, Switch doSwitch, ReadStatus readStatus) {
  for (std::int32_t count = 0;;) {
    if (status.lostMilliseconds > 0) {
      advanceClock(status.lostMilliseconds);
      // A status used again after a timeout must not move the clock a second time.
      status.lostMilliseconds = 0;
    }
    if (!switchReady(status, shape)) {
      return count;
    }
    doSwitch();
    if (++count >= maxSwitches) {
      return count;
    }
    readStatus(status);
  }
}
