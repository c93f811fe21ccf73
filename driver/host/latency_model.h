#pragma once

#include <cstdint>

// What a performance mode fixes: the buffer size offered to the host, the allowance handed
// to the kernel driver at stream start, the USB transfer length and how many buffer
// switches may follow one wake-up of the streaming thread.
struct PerformancePreset {
  std::int32_t preferredBufferSize;
  std::int32_t latencyAllowance;
  std::int32_t transferMs;
  std::int32_t maxSwitchesPerWake;
};

constexpr std::int32_t kFirstPerformanceMode = 1;
constexpr std::int32_t kLastPerformanceMode = 6;
constexpr std::int32_t kDefaultPerformanceMode = 4;
// Mode 6 streams with the kernel driver's MME flag; otherwise it is mode 4.
constexpr std::int32_t kMmePerformanceMode = 6;

// The preset of a mode 1..6; any other mode gets the default mode's preset.
PerformancePreset performancePreset(std::int32_t mode);

// The control panel's name of a mode ("Highspeed" ... "Normal + MME"), empty for others.
const char* performanceModeName(std::int32_t mode);

struct Latencies {
  std::int32_t input;
  std::int32_t output;
};

// Latencies in frames, from the per-rate table rather than measurement.
Latencies estimateLatencies(std::int32_t rate, std::int32_t bufferSize, std::int32_t transferMs);

// Half a buffer's duration in milliseconds, at least 1.
std::int32_t computeSleepPeriod(std::int32_t bufferSize, double sampleRate);
