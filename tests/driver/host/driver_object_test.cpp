#include "make_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tests/support/fresh_system.h>

namespace {

using kxtest::makeDriver;

class DriverObject : public kxtest::FreshSystem {};

TEST_F(DriverObject, IdentityAndErrorText) {
  const auto driver = makeDriver();
  char name[32];
  std::memset(name, 'x', sizeof name);
  driver->getDriverName(name);
  EXPECT_STREQ(name, "Corvanta ASIO driver");
  EXPECT_EQ(driver->getDriverVersion(), 3217);
  char text[124];
  std::memset(text, 'x', sizeof text);
  driver->getErrorMessage(text);
  EXPECT_STREQ(text, "") << "empty before init";
  EXPECT_EQ(driver->init(nullptr), ASIOTrue);
  driver->getErrorMessage(text);
  EXPECT_STREQ(text, "USB hardware not found.");
}

TEST_F(DriverObject, BeforeInit) {
  const auto driver = makeDriver();
  EXPECT_EQ(driver->canSampleRate(44100.0), ASE_NoClock);
  EXPECT_EQ(driver->controlPanel(), ASE_InvalidMode);
  std::int32_t in = 0, out = 0;
  EXPECT_EQ(driver->getLatencies(&in, &out), ASE_OK);
  EXPECT_EQ(in, 512) << "twice the buffer size";
  EXPECT_EQ(out, 256);
}

TEST_F(DriverObject, WithoutADeviceTwoInTwoOutAt44100) {
  const auto driver = makeDriver();
  ASSERT_EQ(driver->init(nullptr), ASIOTrue);
  std::int32_t inputs = 0, outputs = 0;
  EXPECT_EQ(driver->getChannels(&inputs, &outputs), ASE_OK);
  EXPECT_EQ(inputs, 2);
  EXPECT_EQ(outputs, 2);
  double rate = 0;
  EXPECT_EQ(driver->getSampleRate(&rate), ASE_OK);
  EXPECT_EQ(rate, 44100.0);
  EXPECT_EQ(driver->canSampleRate(44100.0), ASE_OK);
  EXPECT_EQ(driver->canSampleRate(48000.0), ASE_NoClock);
  EXPECT_EQ(driver->canSampleRate(44100.5), ASE_NoClock);
  EXPECT_EQ(driver->setSampleRate(44100.0), ASE_OK) << "the current rate";
  EXPECT_EQ(driver->setSampleRate(48000.0), ASE_NoClock);
  EXPECT_EQ(driver->setClockSource(1), ASE_OK) << "nothing to switch without a device";
  std::int32_t min = 0, max = 0, preferred = 0, granularity = 0;
  EXPECT_EQ(driver->getBufferSize(&min, &max, &preferred, &granularity), ASE_OK);
  EXPECT_EQ(min, 256);
  EXPECT_EQ(max, 256);
  EXPECT_EQ(preferred, 256);
  EXPECT_EQ(granularity, -1);
}

TEST_F(DriverObject, InitTwiceReturnsAtOnce) {
  const auto driver = makeDriver();
  int marker = 0;
  EXPECT_EQ(driver->init(&marker), ASIOTrue);
  EXPECT_EQ(AsioDriver::parentWindow(), reinterpret_cast<HWND>(&marker));
  EXPECT_EQ(driver->init(nullptr), ASIOTrue);
  EXPECT_EQ(AsioDriver::parentWindow(), nullptr) << "later calls still update the parent window";
  std::int32_t inputs = 0, outputs = 0;
  driver->getChannels(&inputs, &outputs);
  EXPECT_EQ(inputs, 2);
}

TEST_F(DriverObject, ChannelNames) {
  struct Case {
    bool input;
    std::int32_t channel;
    const char* name;
  };
  const Case cases[] = {{true, 0, "USB Input #0"},
                        {true, 1, "USB Input #1"},
                        {false, 0, "Corvanta #12"},
                        {false, 1, "Corvanta #2"}};
  const auto driver = makeDriver();
  driver->init(nullptr);
  for (const auto& c : cases) {
    ASIOChannelInfo info{};
    info.channel = c.channel;
    info.isInput = c.input ? ASIOTrue : ASIOFalse;
    ASSERT_EQ(driver->getChannelInfo(&info), ASE_OK);
    EXPECT_STREQ(info.name, c.name);
    EXPECT_EQ(info.channelGroup, 0);
    EXPECT_EQ(info.isActive, ASIOFalse);
  }
  for (const auto& bad : {Case{true, 2, ""}, Case{false, 2, ""}, Case{true, -1, ""}, Case{false, 100, ""}}) {
    ASIOChannelInfo info{};
    info.channel = bad.channel;
    info.isInput = bad.input ? ASIOTrue : ASIOFalse;
    EXPECT_EQ(driver->getChannelInfo(&info), ASE_InvalidParameter) << bad.channel;
  }
  EXPECT_EQ(driver->getChannelInfo(nullptr), ASE_InvalidParameter);
}

TEST_F(DriverObject, ClockSources) {
  const auto driver = makeDriver();
  driver->init(nullptr);
  ASIOClockSource clocks[8] = {};
  std::int32_t count = 1;
  EXPECT_EQ(driver->getClockSources(clocks, &count), ASE_OK);
  EXPECT_EQ(count, 1);
  EXPECT_STREQ(clocks[0].name, "external");
  EXPECT_EQ(clocks[1].name[0], '\0') << "only one record written";
  count = 8;
  EXPECT_EQ(driver->getClockSources(clocks, &count), ASE_OK);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(clocks[0].index, 0);
  EXPECT_EQ(clocks[0].associatedChannel, -1);
  EXPECT_EQ(clocks[0].associatedGroup, -1);
  EXPECT_EQ(clocks[0].isCurrentSource, ASIOTrue);
  EXPECT_EQ(clocks[1].index, 1);
  EXPECT_STREQ(clocks[1].name, "internal");
  EXPECT_EQ(clocks[1].isCurrentSource, ASIOFalse);
}

TEST_F(DriverObject, FutureSelectors) {
  struct Case {
    std::int32_t selector;
    ASIOError result;
  };
  const Case cases[] = {{kAsioEnableTimeCodeRead, ASE_SUCCESS},
                        {kAsioDisableTimeCodeRead, ASE_SUCCESS},
                        {kAsioSetInputMonitor, ASE_NotPresent},
                        {kAsioTransport, ASE_NotPresent},
                        {kAsioCanInputMonitor, ASE_NotPresent},
                        {kAsioCanTimeInfo, ASE_SUCCESS},
                        {kAsioCanTimeCode, ASE_SUCCESS},
                        {kAsioCanOutputMeter, ASE_NotPresent},
                        {0, ASE_NotPresent},
                        {12345, ASE_NotPresent}};
  const auto driver = makeDriver();
  driver->init(nullptr);
  ASIOInputMonitor monitor{-1, 0, 0, ASIOTrue, 0};
  for (const auto& c : cases) {
    EXPECT_EQ(driver->future(c.selector, &monitor), c.result) << c.selector;
  }
}

TEST_F(DriverObject, NullArgumentsAreRefused) {
  const auto driver = makeDriver();
  driver->init(nullptr);
  std::int32_t value = 0;
  EXPECT_EQ(driver->getChannels(nullptr, &value), ASE_InvalidParameter);
  EXPECT_EQ(driver->getLatencies(&value, nullptr), ASE_InvalidParameter);
  EXPECT_EQ(driver->getBufferSize(&value, &value, nullptr, &value), ASE_InvalidParameter);
  EXPECT_EQ(driver->getSampleRate(nullptr), ASE_InvalidParameter);
  EXPECT_EQ(driver->getClockSources(nullptr, &value), ASE_InvalidParameter);
  EXPECT_EQ(driver->getSamplePosition(nullptr, nullptr), ASE_InvalidParameter);
  driver->getDriverName(nullptr);
  driver->getErrorMessage(nullptr);
}

} // namespace
