// The driver streaming through a simulated device, the streaming thread included.
#include <driver/device/device_manager.h>

#include "host_session.h"

#include <algorithm>
#include <tests/driver/device/simulated_devices.h>
#include <tests/driver/host/make_driver.h>
#include <tests/support/message_pump.h>

namespace {

class Streaming : public kxtest::SimulatedDevices {
protected:
  void SetUp() override {
    SimulatedDevices::SetUp();
    devsim::setClockMode(devsim::ClockMode::RealTime);
  }
  // Waits (pumping this thread's messages, as a host does) until the host saw n switches.
  static bool switchesReach(const kxtest::HostSession& host, std::int64_t n) {
    return kxtest::pumpUntil([&] { return host.switches() >= n; });
  }
};

TEST_F(Streaming, LoopbackComesBackBitExact) {
  plug("generic");
  const auto driver = kxtest::makeDriver();
  ASSERT_EQ(driver->init(nullptr), ASIOTrue);
  kxtest::HostSession host;
  ASSERT_EQ(host.createBuffers(*driver, 2, 2, 256), ASE_OK);
  ASSERT_EQ(driver->start(), ASE_OK);
  ASSERT_TRUE(switchesReach(host, 40));
  EXPECT_EQ(driver->stop(), ASE_OK);
  driver->disposeBuffers();

  for (std::int32_t c = 0; c < 2; ++c) {
    const std::vector<std::int16_t> in = host.recorded(c);
    const auto first = std::find_if(in.begin(), in.end(), [](std::int16_t s) { return s != 0; });
    ASSERT_NE(first, in.end()) << "channel " << c << " brought nothing back";
    const auto lag = static_cast<std::int64_t>(first - in.begin());
    std::int64_t compared = 0;
    for (auto it = first; it != in.end(); ++it, ++compared) {
      ASSERT_EQ(*it, kxtest::HostSession::played(c, compared)) << "channel " << c << " sample " << compared;
    }
    EXPECT_GT(compared, 256 * 10) << "lag " << lag;
  }
}

TEST_F(Streaming, StartWithoutBuffersAndStopWhileWaiting) {
  plug("generic");
  const auto driver = kxtest::makeDriver();
  driver->init(nullptr);
  EXPECT_EQ(driver->start(), ASE_NotPresent);
  kxtest::HostSession host;
  ASSERT_EQ(host.createBuffers(*driver, 2, 2, 256), ASE_OK);
  ASSERT_EQ(driver->start(), ASE_OK);
  EXPECT_EQ(driver->stop(), ASE_OK) << "at once, while the thread still waits";
  const std::int64_t after = host.switches();
  EXPECT_EQ(host.switches(), after);
  EXPECT_FALSE(devsim::streamInfo(devsim::devices()[0].id)->streaming) << "the device stream was stopped";
}

TEST_F(Streaming, OutputReadyFirstNotPresentThenOk) {
  plug("generic");
  const auto driver = kxtest::makeDriver();
  driver->init(nullptr);
  kxtest::HostSession host;
  host.useOutputReady(true);
  ASSERT_EQ(host.createBuffers(*driver, 2, 2, 256), ASE_OK);
  ASSERT_EQ(driver->start(), ASE_OK);
  ASSERT_TRUE(switchesReach(host, 10));
  driver->stop();
  const std::vector<ASIOError> answers = host.outputReadyAnswers();
  ASSERT_GE(answers.size(), 10u);
  EXPECT_EQ(answers[0], ASE_NotPresent);
  for (std::size_t i = 1; i < answers.size(); ++i) {
    EXPECT_EQ(answers[i], ASE_OK) << i;
  }
}

TEST_F(Streaming, SamplePositionCountsSwitches) {
  plug("generic");
  const auto driver = kxtest::makeDriver();
  driver->init(nullptr);
  kxtest::HostSession host;
  ASSERT_EQ(host.createBuffers(*driver, 2, 2, 128), ASE_OK);
  ASSERT_EQ(driver->start(), ASE_OK);
  ASSERT_TRUE(switchesReach(host, 20));
  driver->stop();
  ASIOSamples position{};
  ASIOTimeStamp time{};
  ASSERT_EQ(driver->getSamplePosition(&position, &time), ASE_OK);
  const std::int64_t frames = (std::int64_t{position.hi} << 32) | position.lo;
  EXPECT_EQ(frames, (host.switches() - 1) * 128) << "the first switch is position 0";
}

TEST_F(Streaming, UnpluggingTheStreamingDeviceAndPluggingAnother) {
  const devsim::DeviceId first = plug("generic");
  const auto driver = kxtest::makeDriver();
  driver->init(nullptr);
  kxtest::HostSession host;
  ASSERT_EQ(host.createBuffers(*driver, 2, 2, 256), ASE_OK);
  ASSERT_EQ(driver->start(), ASE_OK);
  ASSERT_TRUE(switchesReach(host, 5));
  ASSERT_TRUE(devsim::unplug(first));
  EXPECT_EQ(driver->deviceManager()->count(), 0);
  const std::int64_t before = host.switches();
  const devsim::DeviceId second = plug("generic");
  EXPECT_EQ(driver->deviceManager()->count(), 1);
  ASSERT_TRUE(switchesReach(host, before + 5)) << "the stream moved to the new device";
  EXPECT_TRUE(devsim::streamInfo(second)->streaming);
  driver->stop();
}

TEST_F(Streaming, PacedByTheDirectionsTheDeviceHas) {
  struct Case {
    const char* profile;
    std::int32_t inputs;
    std::int32_t outputs;
  };
  const Case cases[] = {{"outputs-only", 0, 2}, {"inputs-only", 2, 2}, {"generic", 2, 2}};
  for (const auto& c : cases) {
    devsim::reset();
    devsim::setClockMode(devsim::ClockMode::RealTime);
    plug(c.profile);
    const auto driver = kxtest::makeDriver();
    driver->init(nullptr);
    kxtest::HostSession host;
    ASSERT_EQ(host.createBuffers(*driver, c.inputs, c.outputs, 256), ASE_OK) << c.profile;
    ASSERT_EQ(driver->start(), ASE_OK);
    EXPECT_TRUE(switchesReach(host, 10)) << c.profile;
    driver->stop();
    driver->disposeBuffers();
  }
}

TEST_F(Streaming, MmeModeNeeds44100HzAnd16Bits) {
  struct Case {
    std::uint32_t rate;
    bool mme;
  };
  for (const Case c : {Case{44100, true}, Case{48000, false}}) {
    devsim::reset();
    devsim::setClockMode(devsim::ClockMode::RealTime);
    storeSetting("PerformanceMode", 6);
    const devsim::DeviceId id = plug("generic");
    const auto driver = kxtest::makeDriver();
    driver->init(nullptr);
    ASSERT_EQ(driver->setSampleRate(c.rate), ASE_OK);
    kxtest::HostSession host;
    ASSERT_EQ(host.createBuffers(*driver, 2, 2, 256), ASE_OK);
    ASSERT_EQ(driver->start(), ASE_OK);
    ASSERT_TRUE(switchesReach(host, 3));
    EXPECT_EQ(devsim::streamInfo(id)->mmeMode, c.mme) << c.rate;
    EXPECT_EQ(driver->performanceMode(), c.mme ? 6 : 4) << "this object streams as in the normal mode";
    driver->stop();
    EXPECT_EQ(storedSetting("PerformanceMode"), 6) << "the stored setting stays";
  }
}

TEST_F(Streaming, ADeviceOfAnotherFormatAsksTheHostForAReset) {
  const devsim::DeviceId first = plug("generic");
  devsim::Profile other = *devsim::findProfile("generic");
  other.name = "generic-48k";
  other.format.rate = 48000;
  devsim::defineProfile(other);
  const auto driver = kxtest::makeDriver();
  driver->init(nullptr);
  kxtest::HostSession host;
  ASSERT_EQ(host.createBuffers(*driver, 2, 2, 256), ASE_OK);
  ASSERT_EQ(driver->start(), ASE_OK);
  ASSERT_TRUE(switchesReach(host, 3));
  ASSERT_TRUE(devsim::unplug(first));
  plug("generic-48k");
  const std::vector<std::int32_t> messages = host.messages();
  EXPECT_NE(std::find(messages.begin(), messages.end(), kAsioResetRequest), messages.end());
  EXPECT_FALSE(devsim::streamInfo(devsim::devices().back().id)->streaming) << "the driver stopped";
}

} // namespace
