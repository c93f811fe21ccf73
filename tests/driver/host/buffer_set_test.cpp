#include "make_driver.h"

#include <gtest/gtest.h>

#include <tests/support/fresh_system.h>
#include <vector>

namespace {

using kxtest::makeDriver;

void noSwitch(std::int32_t, ASIOBool) {}
std::int32_t noMessage(std::int32_t, std::int32_t, void*, double*) { return 0; }
ASIOCallbacks hostCallbacks{&noSwitch, nullptr, &noMessage, nullptr};

ASIOBufferInfo request(bool input, std::int32_t channel) {
  return {input ? ASIOTrue : ASIOFalse, channel, {}};
}

class BufferSet : public kxtest::FreshSystem {
protected:
  void SetUp() override {
    FreshSystem::SetUp();
    driver_.reset();
    driver_ = std::make_unique<kxtest::DriverPtr>(makeDriver());
    (*driver_)->init(nullptr);
  }
  void TearDown() override {
    driver_.reset();
    FreshSystem::TearDown();
  }
  AsioDriver& driver() { return **driver_; }

  bool isActive(bool input, std::int32_t channel) {
    ASIOChannelInfo info{};
    info.channel = channel;
    info.isInput = input ? ASIOTrue : ASIOFalse;
    EXPECT_EQ(driver().getChannelInfo(&info), ASE_OK);
    return info.isActive == ASIOTrue;
  }

private:
  std::unique_ptr<kxtest::DriverPtr> driver_;
};

TEST_F(BufferSet, HandsOutBothHalvesOfTheRequestedChannels) {
  std::vector<ASIOBufferInfo> infos = {request(true, 1), request(false, 0), request(false, 1)};
  ASSERT_EQ(driver().createBuffers(infos.data(), 3, 256, &hostCallbacks), ASE_OK);
  for (const auto& info : infos) {
    ASSERT_NE(info.buffers[0], nullptr);
    ASSERT_NE(info.buffers[1], nullptr);
    EXPECT_NE(info.buffers[0], info.buffers[1]);
    const auto* half = static_cast<const std::uint8_t*>(info.buffers[0]);
    for (int i = 0; i < 256 * 2; ++i) {
      ASSERT_EQ(half[i], 0) << "a fresh half is silent";
    }
  }
  EXPECT_FALSE(isActive(true, 0));
  EXPECT_TRUE(isActive(true, 1));
  EXPECT_TRUE(isActive(false, 0));
  EXPECT_TRUE(isActive(false, 1));
  EXPECT_EQ(driver().bufferSize(), 256);
  EXPECT_EQ(driver().disposeBuffers(), ASE_OK);
  EXPECT_FALSE(isActive(true, 1));
}

TEST_F(BufferSet, RefusesBadRequestsAndLeavesNoBuffers) {
  struct Case {
    const char* what;
    std::vector<ASIOBufferInfo> infos;
  };
  const std::vector<Case> cases = {
      {"three inputs on a driver with two", {request(true, 0), request(true, 1), request(true, 0)}},
      {"channel past the end", {request(false, 2)}},
      {"negative channel", {request(true, -1)}},
  };
  for (auto c : cases) {
    EXPECT_EQ(driver().createBuffers(c.infos.data(), static_cast<std::int32_t>(c.infos.size()), 256,
                                     &hostCallbacks),
              ASE_InvalidParameter)
        << c.what;
    EXPECT_FALSE(isActive(true, 0)) << c.what;
    EXPECT_EQ(driver().start(), ASE_NotPresent) << c.what << ": the callbacks went with the buffers";
  }
  std::vector<ASIOBufferInfo> one = {request(true, 0)};
  EXPECT_EQ(driver().createBuffers(one.data(), 1, 0, &hostCallbacks), ASE_InvalidMode);
  EXPECT_EQ(driver().createBuffers(one.data(), 1, 40000, &hostCallbacks), ASE_InvalidMode);
  EXPECT_EQ(driver().createBuffers(nullptr, 1, 256, &hostCallbacks), ASE_InvalidParameter);
}

TEST_F(BufferSet, ANewSetReplacesThePrevious) {
  std::vector<ASIOBufferInfo> first = {request(true, 0)};
  ASSERT_EQ(driver().createBuffers(first.data(), 1, 128, &hostCallbacks), ASE_OK);
  std::vector<ASIOBufferInfo> second = {request(false, 1)};
  ASSERT_EQ(driver().createBuffers(second.data(), 1, 64, &hostCallbacks), ASE_OK);
  EXPECT_FALSE(isActive(true, 0));
  EXPECT_TRUE(isActive(false, 1));
  EXPECT_EQ(driver().bufferSize(), 64);
  EXPECT_EQ(driver().sleepPeriod(), 1);
}

TEST_F(BufferSet, StartNeedsBuffers) {
  EXPECT_EQ(driver().start(), ASE_NotPresent);
  std::vector<ASIOBufferInfo> infos = {request(true, 0)};
  ASSERT_EQ(driver().createBuffers(infos.data(), 1, 256, &hostCallbacks), ASE_OK);
  EXPECT_EQ(driver().start(), ASE_OK);
  ASIOSamples position{1, 1};
  ASIOTimeStamp time{1, 1};
  EXPECT_EQ(driver().getSamplePosition(&position, &time), ASE_OK);
  EXPECT_EQ(position.hi, 0u);
  EXPECT_EQ(position.lo, 0u);
  EXPECT_EQ(driver().stop(), ASE_OK);
}

TEST_F(BufferSet, OutputReadyProtocol) {
  std::vector<ASIOBufferInfo> infos = {request(false, 0)};
  ASSERT_EQ(driver().createBuffers(infos.data(), 1, 256, &hostCallbacks), ASE_OK);
  ASSERT_EQ(driver().start(), ASE_OK);
  // start leaves the flag set, so the first call sees no switch consume it.
  EXPECT_EQ(driver().outputReady(), ASE_NotPresent);
  EXPECT_EQ(driver().outputReady(), ASE_NotPresent) << "still no switch in between";
}

} // namespace
