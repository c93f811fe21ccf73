#include <driver/host/asio_driver.h>

#include "make_driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <tests/support/fresh_system.h>

namespace {

using kxtest::makeDriver;

class DriverSettings : public kxtest::FreshSystem {
protected:
  static std::int32_t preferredBufferSize(IASIO& driver) {
    std::int32_t min = 0, max = 0, preferred = 0, granularity = 0;
    EXPECT_EQ(driver.getBufferSize(&min, &max, &preferred, &granularity), ASE_OK);
    return preferred;
  }
};

TEST_F(DriverSettings, FreshSystemWritesResolution16AndTakesDefaults) {
  const auto driver = makeDriver();
  EXPECT_EQ(storedSetting("Resolution"), 16);
  EXPECT_EQ(driver->resolution(), 16);
  EXPECT_FALSE(driver->useDithering());
  EXPECT_EQ(driver->performanceMode(), 4);
  EXPECT_EQ(preferredBufferSize(*driver), 256);
  EXPECT_FALSE(driver->swapLsbMsb());
  EXPECT_EQ(storedSetting("UseDithering"), -1) << "only Resolution is written";
}

TEST_F(DriverSettings, ResolutionIsValidatedAndWrittenBack) {
  struct Case {
    DWORD stored;
    std::int32_t used;
  };
  const Case cases[] = {{20, 16}, {24, 24}, {32, 32}, {16, 16}, {0, 16}, {0xFFFFFFFF, 16}};
  for (const auto& c : cases) {
    storeSetting("Resolution", c.stored);
    const auto driver = makeDriver();
    EXPECT_EQ(driver->resolution(), c.used) << c.stored;
    EXPECT_EQ(storedSetting("Resolution"), c.used) << c.stored;
  }
}

TEST_F(DriverSettings, PerformanceModeChoosesThePreset) {
  struct Case {
    DWORD stored;
    std::int32_t mode;
    std::int32_t bufferSize;
  };
  const Case cases[] = {{0, 4, 256}, {7, 4, 256},  {1, 1, 32}, {2, 2, 128},
                        {3, 3, 128}, {5, 5, 1024}, {6, 6, 256}};
  for (const auto& c : cases) {
    storeSetting("PerformanceMode", c.stored);
    const auto driver = makeDriver();
    EXPECT_EQ(driver->performanceMode(), c.mode) << c.stored;
    EXPECT_EQ(preferredBufferSize(*driver), c.bufferSize) << c.stored;
    EXPECT_EQ(driver->bufferSize(), c.bufferSize);
  }
}

TEST_F(DriverSettings, StoredBufferSizeHasNoLastingEffect) {
  storeSetting("PreferredBufferSize", 4096);
  storeSetting("PerformanceMode", 5);
  EXPECT_EQ(preferredBufferSize(*makeDriver()), 1024);
  storeSetting("PreferredBufferSize", 64);
  storeSetting("PerformanceMode", 1);
  EXPECT_EQ(preferredBufferSize(*makeDriver()), 32);
}

TEST_F(DriverSettings, DitheringIsOnOnlyForOne) {
  storeSetting("UseDithering", 2);
  EXPECT_FALSE(makeDriver()->useDithering());
  storeSetting("UseDithering", 1);
  const auto driver = makeDriver();
  EXPECT_TRUE(driver->useDithering());
  driver->setUseDithering(false);
  EXPECT_EQ(storedSetting("UseDithering"), 0);
  storeSetting("UseDithering", 7);
  driver->setUseDithering(false);
  EXPECT_EQ(storedSetting("UseDithering"), 7) << "an unchanged value is not written";
}

TEST_F(DriverSettings, ByteOrderFlagIsReadAtEveryCall) {
  storeSetting("Resolution", 24);
  const auto wide = makeDriver();
  wide->init(nullptr);
  ASIOChannelInfo info{};
  info.channel = 0;
  info.isInput = ASIOTrue;
  ASSERT_EQ(wide->getChannelInfo(&info), ASE_OK);
  EXPECT_EQ(info.type, ASIOSTInt24LSB);
  storeSetting("SwapLSBMSB", 1);
  ASSERT_EQ(wide->getChannelInfo(&info), ASE_OK);
  EXPECT_EQ(info.type, ASIOSTInt24MSB);
  storeSetting("SwapLSBMSB", 1, true);
  ASSERT_EQ(wide->getChannelInfo(&info), ASE_OK);
  EXPECT_EQ(info.type, ASIOSTInt24LSB) << "a string value counts as off";
}

TEST_F(DriverSettings, SampleTypeByResolutionAndByteOrder) {
  struct Case {
    DWORD resolution;
    DWORD swap;
    ASIOSampleType type;
  };
  const Case cases[] = {{16, 0, ASIOSTInt16LSB}, {24, 0, ASIOSTInt24LSB}, {32, 0, ASIOSTInt32LSB},
                        {16, 1, ASIOSTInt16MSB}, {24, 1, ASIOSTInt24MSB}, {32, 1, ASIOSTInt32MSB}};
  for (const auto& c : cases) {
    storeSetting("Resolution", c.resolution);
    storeSetting("SwapLSBMSB", c.swap);
    const auto driver = makeDriver();
    driver->init(nullptr);
    ASIOChannelInfo info{};
    info.channel = 1;
    info.isInput = ASIOFalse;
    ASSERT_EQ(driver->getChannelInfo(&info), ASE_OK);
    EXPECT_EQ(info.type, c.type) << c.resolution << "/" << c.swap;
  }
}

} // namespace
