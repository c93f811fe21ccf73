#include <driver/host/latency_model.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PerformancePreset, TableAndFallback) {
  struct Case {
    std::int32_t mode;
    PerformancePreset preset;
    const char* name;
  };
  const Case cases[] = {
      {1, {32, 192, 1, 3}, "Highspeed"},   {2, {128, 400, 1, 3}, "Rapid"},
      {3, {128, 800, 2, 3}, "Fast"},       {4, {256, 1920, 5, 2}, "Normal"},
      {5, {1024, 5000, 10, 2}, "Relaxed"}, {6, {256, 1920, 5, 2}, "Normal + MME"},
      {0, {256, 1920, 5, 2}, ""},          {7, {256, 1920, 5, 2}, ""},
  };
  for (const auto& c : cases) {
    const PerformancePreset p = performancePreset(c.mode);
    EXPECT_EQ(p.preferredBufferSize, c.preset.preferredBufferSize) << c.mode;
    EXPECT_EQ(p.latencyAllowance, c.preset.latencyAllowance) << c.mode;
    EXPECT_EQ(p.transferMs, c.preset.transferMs) << c.mode;
    EXPECT_EQ(p.maxSwitchesPerWake, c.preset.maxSwitchesPerWake) << c.mode;
    EXPECT_EQ(std::string(performanceModeName(c.mode)), c.name) << c.mode;
  }
}

TEST(EstimateLatencies, TableRowsAndDoublePrecision) {
  struct Case {
    std::int32_t rate;
    std::int32_t bufferSize;
    std::int32_t transferMs;
    std::int32_t input;
    std::int32_t output;
  };
  const Case cases[] = {
      {44100, 256, 5, 513, 1796}, {48000, 32, 1, 163, 202},     {44100, 128, 1, 220, 440},
      {44100, 128, 2, 274, 787},  {96000, 1024, 10, 709, 5539}, {44100, 512, 5, 341, 683},
      {96000, 512, 5, 341, 683},  {22050, 256, 5, 113, 399},    {88200, 256, 5, 547, 1915},
      {32000, 32, 1, 160, 198},
  };
  for (const auto& c : cases) {
    const Latencies l = estimateLatencies(c.rate, c.bufferSize, c.transferMs);
    EXPECT_EQ(l.input, c.input) << c.rate << " Hz, " << c.bufferSize << " frames";
    EXPECT_EQ(l.output, c.output) << c.rate << " Hz, " << c.bufferSize << " frames";
  }
}

TEST(SleepPeriod, HalfABufferAtLeastOneMillisecond) {
  struct Case {
    std::int32_t bufferSize;
    double rate;
    std::int32_t expected;
  };
  const Case cases[] = {{32, 96000.0, 1},  {256, 44100.0, 2}, {1024, 44100.0, 11}, {1024, 32000.0, 16},
                        {128, 48000.0, 1}, {256, 0.0, 1},     {256, -1.0, 1}};
  for (const auto& c : cases) {
    EXPECT_EQ(computeSleepPeriod(c.bufferSize, c.rate), c.expected) << c.bufferSize << " @ " << c.rate;
  }
}

} // namespace
