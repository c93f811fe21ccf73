// The driver object's answers that come from the current device.
#include <driver/device/device_manager.h>

#include "simulated_devices.h"

#include <tests/driver/host/make_driver.h>
#include <vector>

namespace {

devsim::Profile profileWith(const char* name, kernel::StreamFormat format,
                            devicetable::UsbId id = {0x4E11, 0x0F00}) {
  devsim::Profile profile = *devsim::findProfile("generic");
  profile.name = name;
  profile.id = id;
  profile.format = format;
  return profile;
}

class DriverWithDevice : public kxtest::SimulatedDevices {};

TEST_F(DriverWithDevice, ChannelCountsAreRoundedUpToEven) {
  devsim::defineProfile(profileWith("one-in-three-out", {44100, 1, 16, 3, 16, 0}));
  plug("one-in-three-out");
  const auto driver = kxtest::makeDriver();
  driver->init(nullptr);
  std::int32_t inputs = 0, outputs = 0;
  driver->getChannels(&inputs, &outputs);
  EXPECT_EQ(inputs, 2);
  EXPECT_EQ(outputs, 4);
}

TEST_F(DriverWithDevice, NoOutputsGetTwoSimulatedOnes) {
  plug("inputs-only");
  const auto driver = kxtest::makeDriver();
  driver->init(nullptr);
  std::int32_t inputs = 0, outputs = 0;
  driver->getChannels(&inputs, &outputs);
  EXPECT_EQ(inputs, 2);
  EXPECT_EQ(outputs, 2);
}

TEST_F(DriverWithDevice, TransferLengthIsLimitedByBytesPerMillisecondAndFamily) {
  struct Case {
    const char* what;
    DWORD mode;
    kernel::StreamFormat format;
    devicetable::UsbId id;
    std::uint32_t transferMs;
  };
  const Case cases[] = {
      {"stereo 16-bit fits 5 ms", 4, {44100, 2, 16, 2, 16, 0}, {0x4E11, 0x0F01}, 5},
      {"relaxed mode asks 10 ms", 5, {44100, 2, 16, 2, 16, 0}, {0x4E11, 0x0F02}, 10},
      {"family 3 stops at 5 ms", 5, {44100, 2, 16, 2, 16, 0}, devicetable::kFamily3[0], 5},
      // (3 x 8 x 48000) x 2 / 1000 = 2304 bytes a millisecond: only 1 ms fits 4096 bytes.
      {"eight 24-bit channels", 4, {48000, 8, 24, 8, 24, 0}, {0x4E11, 0x0F03}, 1},
      // 4096 / ((2 x 2 x 96000) x 2 / 1000 = 768) = 5.3: 5 ms.
      {"96 kHz stereo", 4, {96000, 2, 16, 2, 16, 0}, {0x4E11, 0x0F04}, 5},
      {"even 1 ms is too long", 4, {96000, 8, 32, 8, 32, 0}, {0x4E11, 0x0F05}, 1},
  };
  for (const auto& c : cases) {
    devsim::reset();
    devsim::setClockMode(devsim::ClockMode::Stepped);
    storeSetting("PerformanceMode", c.mode);
    devsim::defineProfile(profileWith(c.what, c.format, c.id));
    const devsim::DeviceId id = plug(c.what);
    const auto driver = kxtest::makeDriver();
    driver->init(nullptr);
    EXPECT_EQ(devsim::streamInfo(id)->transferMs, c.transferMs) << c.what;
  }
}

TEST_F(DriverWithDevice, RatesAndClockSourcesComeFromTheDevice) {
  const devsim::DeviceId id = plug("generic");
  const auto driver = kxtest::makeDriver();
  driver->init(nullptr);
  EXPECT_EQ(driver->canSampleRate(48000.0), ASE_OK);
  EXPECT_EQ(driver->canSampleRate(22050.0), ASE_NoClock);
  double rate = 0;
  driver->getSampleRate(&rate);
  EXPECT_EQ(rate, devsim::streamInfo(id)->format.rate);
  const double other = rate == 44100.0 ? 48000.0 : 44100.0;
  EXPECT_EQ(driver->setSampleRate(other), ASE_OK);
  EXPECT_EQ(devsim::streamInfo(id)->format.rate, static_cast<std::uint32_t>(other));
  EXPECT_NE(driver->asioTime().timeInfo.flags & kSampleRateChanged, 0u);

  EXPECT_EQ(driver->setClockSource(1), ASE_OK);
  EXPECT_EQ(devsim::streamInfo(id)->clockSource, 1u);
  ASIOClockSource clocks[2] = {};
  std::int32_t count = 2;
  driver->getClockSources(clocks, &count);
  EXPECT_EQ(clocks[1].isCurrentSource, ASIOTrue);
  EXPECT_EQ(clocks[0].isCurrentSource, ASIOFalse);
  EXPECT_NE(driver->asioTime().timeInfo.flags & kClockSourceChanged, 0u);
}

TEST_F(DriverWithDevice, InputMonitorThroughFuture) {
  const devsim::DeviceId id = plug("mixer");
  const auto driver = kxtest::makeDriver();
  driver->init(nullptr);
  const auto state = devsim::mixerState(id);
  const bool available = state->inputMonitorPresent != 0 && state->inputMonitorByHost != 0;
  EXPECT_EQ(driver->future(kAsioCanInputMonitor, nullptr), available ? ASE_SUCCESS : ASE_NotPresent);
  ASIOInputMonitor monitor{-1, 0, 0, ASIOTrue, 0};
  EXPECT_EQ(driver->future(kAsioSetInputMonitor, nullptr), ASE_NotPresent);
  EXPECT_EQ(driver->future(kAsioSetInputMonitor, &monitor), available ? ASE_SUCCESS : ASE_NotPresent);
}

} // namespace
