#pragma once

#include "test_signal.h"

#include <cstdint>
#include <string>
#include <vector>

// Switch timing: the intervals between consecutive switches against the nominal period.
struct IntervalStats {
  std::int64_t count = 0;
  double nominalUs = 0;
  double minUs = 0;
  double meanUs = 0;
  double maxUs = 0;
  double stddevUs = 0;
  std::int64_t late = 0; // intervals longer than twice the nominal period
  struct Bin {
    std::string label;
    std::int64_t count;
  };
  std::vector<Bin> histogram;
};

IntervalStats intervalStats(const std::vector<std::int64_t>& timesNs, double nominalUs);

// What came back on one input against what its output played.
struct LoopbackResult {
  std::int32_t input = 0;
  std::int32_t output = 0;
  bool found = false;   // the played signal was seen in the recording
  std::int64_t lag = 0; // frames from the first played sample to its return
  std::int64_t compared = 0;
  std::int64_t mismatches = 0;
  std::int64_t firstMismatch = -1;
};

LoopbackResult checkLoopback(const std::vector<std::uint8_t>& recording, std::int32_t sampleBytes,
                             const TestSignal& signal, std::int32_t input, std::int32_t output,
                             std::int64_t playedFrames);
