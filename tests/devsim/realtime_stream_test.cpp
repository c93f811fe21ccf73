// The real-time stream: one thread per streaming device, paced by the transfer period.
// Checks are loose: they only tell a paced stream from a stopped or runaway one.
#include "support/devsim_fixture.h"
#include "support/stream_harness.h"

#include <chrono>
#include <thread>

using devsimtest::DevsimTest;
using devsimtest::OpenDevice;
using devsimtest::plugPath;
using devsimtest::StreamHarness;

namespace {

class RealTimeStream : public DevsimTest {
protected:
  void SetUp() override {
    devsim::reset(); // real-time mode
  }
};

TEST_P(RealTimeStream, PeriodsFollowTheClockAndSetTheEvent) {
  devsim::DeviceId id = 0;
  const OpenDevice device(client(), plugPath("generic", &id));
  StreamHarness stream(device);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(stream.start().ok);
  EXPECT_FALSE(devsim::setClockMode(devsim::ClockMode::Stepped)); // not while a stream runs
  for (int wake = 0; wake < 5; ++wake) {
    ASSERT_EQ(WaitForSingleObject(stream.event(), 2000), WAIT_OBJECT_0);
    ResetEvent(stream.event());
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto info = *devsim::streamInfo(id);
  ASSERT_TRUE(stream.stop().ok);
  const auto elapsedMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
          .count();

  // 2 ms periods: about 150 of them in 300 ms; the thread may run late but never ahead.
  EXPECT_GE(info.periods, 20u);
  EXPECT_LE(info.streamMs, static_cast<std::uint64_t>(elapsedMs) + 2);
  EXPECT_EQ(info.streamMs % 2, 0u);
  const auto afterStop = *devsim::streamInfo(id);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(devsim::streamInfo(id)->periods, afterStop.periods); // stopped means stopped
}

TEST_P(RealTimeStream, SeveralDevicesStreamAtOnce) {
  devsim::DeviceId first = 0, second = 0;
  const OpenDevice one(client(), plugPath("generic", &first));
  const OpenDevice two(client(), plugPath("inputs-only", &second));
  StreamHarness a(one);
  StreamHarness b(two);
  ASSERT_TRUE(a.start().ok);
  ASSERT_TRUE(b.start().ok);
  EXPECT_EQ(WaitForSingleObject(a.event(), 2000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(b.event(), 2000), WAIT_OBJECT_0);
  EXPECT_TRUE(a.stop().ok);
  EXPECT_TRUE(b.stop().ok);
  EXPECT_GT(devsim::streamInfo(first)->periods, 0u);
  EXPECT_GT(devsim::streamInfo(second)->periods, 0u);
}

DEVSIM_ON_EVERY_BACKEND(RealTimeStream);

} // namespace
