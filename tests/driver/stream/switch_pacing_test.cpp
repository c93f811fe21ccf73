#include <driver/stream/switch_pacing.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

StreamStatus status(std::int32_t captureFrames, std::int32_t playbackFreeFrames, std::int32_t credit,
                    std::int32_t lost = 0) {
  StreamStatus s;
  s.captureFillFrames = captureFrames;
  s.playbackFreeFrames = playbackFreeFrames;
  s.outputCredit = credit;
  s.lostMilliseconds = lost;
  return s;
}

TEST(SwitchReady, PacedByWhatTheDeviceHas) {
  struct Case {
    const char* what;
    PacingShape shape;
    StreamStatus status;
    bool ready;
  };
  const Case cases[] = {
      {"both directions, both ready", {2, 2, false, 64}, status(64, 64, -5), true},
      {"both directions, capture short", {2, 2, false, 64}, status(63, 1000, 0), false},
      {"both directions, playback short", {2, 2, false, 64}, status(1000, 63, 0), false},
      {"no inputs: credit not negative", {0, 2, false, 64}, status(0, 64, 0), true},
      {"no inputs: negative credit", {0, 2, false, 64}, status(0, 1000, -1), false},
      {"no inputs: no playback space", {0, 2, false, 64}, status(0, 10, 100), false},
      {"simulated outputs: capture alone", {2, 2, true, 64}, status(64, 0, -100), true},
      {"simulated outputs: capture short", {2, 2, true, 64}, status(10, 0, 0), false},
      {"no outputs at all", {2, 0, false, 64}, status(64, 0, -1), true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(switchReady(c.status, c.shape), c.ready) << c.what;
  }
}

// A device whose counters the test scripts: each read gives the next status.
struct ScriptedDevice {
  std::vector<StreamStatus> reads;
  std::size_t next = 0;
  std::int32_t switches = 0;
  std::vector<std::int32_t> clockAdvances;

  std::int32_t run(StreamStatus& s, const PacingShape& shape, std::int32_t limit) {
    return runSwitches(
        s, shape, limit, [this](std::int32_t ms) { clockAdvances.push_back(ms); }, [this] { ++switches; },
        [this](StreamStatus& into) { into = next < reads.size() ? reads[next++] : StreamStatus{}; });
  }
};

TEST(RunSwitches, StopsAtTheLimitOfAWakeUp) {
  const PacingShape shape{2, 2, false, 32};
  ScriptedDevice device;
  device.reads.assign(10, status(320, 320, 0));
  StreamStatus s = status(320, 320, 0);
  EXPECT_EQ(device.run(s, shape, 3), 3);
  EXPECT_EQ(device.next, 2u) << "the status is read again between switches, not after the last";
  EXPECT_EQ(device.run(s, shape, 2), 2);
}

TEST(RunSwitches, StopsWhenTheDeviceRunsShort) {
  const PacingShape shape{2, 2, false, 32};
  ScriptedDevice device;
  device.reads = {status(32, 320, 0), status(31, 320, 0)};
  StreamStatus s = status(64, 320, 0);
  EXPECT_EQ(device.run(s, shape, 3), 2);
  StreamStatus empty = status(0, 320, 0);
  EXPECT_EQ(device.run(empty, shape, 3), 0);
}

TEST(RunSwitches, LostMillisecondsMoveTheClockOnceBeforeTheSwitch) {
  const PacingShape shape{2, 2, false, 32};
  ScriptedDevice device;
  device.reads = {status(32, 320, 0, 4), status(0, 320, 0)};
  StreamStatus s = status(32, 320, 0, 3);
  EXPECT_EQ(device.run(s, shape, 3), 2);
  EXPECT_EQ(device.clockAdvances, (std::vector<std::int32_t>{3, 4})) << "each status's own milliseconds";
  // The same status used again after a timeout.
  EXPECT_EQ(device.run(s, shape, 3), 0);
  EXPECT_EQ(device.clockAdvances.size(), 2u) << "taken once";
  StreamStatus lostOnly = status(0, 0, 0, 7);
  device.run(lostOnly, shape, 3);
  EXPECT_EQ(device.clockAdvances.back(), 7) << "also when no switch follows";
}

} // namespace
