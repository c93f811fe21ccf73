#include <driver/host/latency_model.h>

#include <array>

namespace {

constexpr std::array<PerformancePreset, 6> kPresets = {{
    {32, 192, 1, 3},
    {128, 400, 1, 3},
    {128, 800, 2, 3},
    {256, 1920, 5, 2},
    {1024, 5000, 10, 2},
    {256, 1920, 5, 2},
}};

constexpr std::array<const char*, 6> kModeNames = {"Highspeed", "Rapid",   "Fast",
                                                   "Normal",    "Relaxed", "Normal + MME"};

bool isMode(std::int32_t mode) { return mode >= kFirstPerformanceMode && mode <= kLastPerformanceMode; }

// One row of the latency table: the split factor and the addend for 32000, 44100, 48000
// and 88200/96000 Hz.
struct LatencyRow {
  double factor;
  std::array<std::int32_t, 4> addends;
};

LatencyRow latencyRow(std::int32_t bufferSize, std::int32_t transferMs) {
  switch (bufferSize) {
  case 32:
    return {1.23, {294, 293, 301, 320}};
  case 128:
    return transferMs == 1 ? LatencyRow{1.99, {401, 404, 413, 450}} : LatencyRow{2.87, {802, 805, 813, 850}};
  case 256:
    return {3.5, {1793, 1797, 1804, 1950}};
  case 1024:
    return {7.8, {4106, 4109, 4117, 4200}};
  default:
    return {2.0, {0, 0, 0, 0}};
  }
}

std::int32_t addendFor(const LatencyRow& row, std::int32_t rate) {
  switch (rate) {
  case 32000:
    return row.addends[0];
  case 44100:
    return row.addends[1];
  case 48000:
    return row.addends[2];
  case 88200:
  case 96000:
    return row.addends[3];
  default:
    return 0;
  }
}

} // namespace

PerformancePreset performancePreset(std::int32_t mode) {
  return kPresets[static_cast<std::size_t>((isMode(mode) ? mode : kDefaultPerformanceMode) - 1)];
}

const char* performanceModeName(std::int32_t mode) {
  return isMode(mode) ? kModeNames[static_cast<std::size_t>(mode - 1)] : "";
}

Latencies estimateLatencies(std::int32_t rate, std::int32_t bufferSize, std::int32_t transferMs) {
  const LatencyRow row = latencyRow(bufferSize, transferMs);
  const std::int32_t total = 2 * bufferSize + addendFor(row, rate);
  const auto input = static_cast<std::int32_t>(static_cast<double>(total) / (1.0 + row.factor));
  return {input, total - input};
}

std::int32_t computeSleepPeriod(std::int32_t bufferSize, double sampleRate) {
  const double exact = static_cast<double>(bufferSize) * 1000.0 / sampleRate;
  // A rate that is not a positive number yields no meaningful period: the shortest one.
  if (!(exact >= 0.0 && exact < 4.0e9)) {
    return 1;
  }
  const auto millis = static_cast<std::int64_t>(exact);
  const std::int64_t half = millis / 2;
  return half < 1 ? 1 : static_cast<std::int32_t>(half);
}
