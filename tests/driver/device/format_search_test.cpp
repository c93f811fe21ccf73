#include <driver/device/format_search.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

using kernel::DeviceDescriptorBlock;

// An image with one configuration of one streaming interface; each test shapes the
// alternate settings it needs.
std::unique_ptr<DeviceDescriptorBlock> oneInterface(int settings) {
  auto block = std::make_unique<DeviceDescriptorBlock>();
  block->configurationCount = 1;
  block->configurations[0].interfaceCount = 1;
  block->configurations[0].interfaces[0].alternateSettingCount = static_cast<std::uint8_t>(settings);
  return block;
}

kernel::AlternateSettingSlot& setting(DeviceDescriptorBlock& block, int i) {
  return block.configurations[0].interfaces[0].alternateSettings[i];
}

void discrete(kernel::AlternateSettingSlot& s, std::uint8_t bits, std::uint8_t channels,
              std::initializer_list<std::uint32_t> rates) {
  s.format.bitResolution = bits;
  s.format.channels = channels;
  s.format.discreteRateCount = static_cast<std::uint8_t>(rates.size());
  int i = 0;
  for (const std::uint32_t r : rates) {
    s.format.discreteRates[i++] = r;
  }
}

void endpoint(kernel::AlternateSettingSlot& s, std::uint8_t address, std::uint16_t maxPacket) {
  s.endpoints[s.endpointCount].address = address;
  s.endpoints[s.endpointCount].maxPacketSize = maxPacket;
  ++s.endpointCount;
}

TEST(FindFormat, ConfigurationIndexEqualToTheCountFindsNothing) {
  auto block = oneInterface(1);
  discrete(setting(*block, 0), 16, 2, {44100});
  endpoint(setting(*block, 0), 0x81, 192);
  const kernel::FormatMatch match = findFormat(*block, 1, 44100, 16, 2, true, false);
  EXPECT_EQ(match.found, 0);
  EXPECT_EQ(match.configuration, 1);
  EXPECT_EQ(match.rate, 44100u);
  EXPECT_EQ(findFormat(*block, 0, 44100, 16, 2, true, false).found, 1);
}

TEST(FindFormat, EndpointsMustBeLargeEnoughAndPointTheRightWay) {
  auto block = oneInterface(1);
  discrete(setting(*block, 0), 16, 2, {44100, 48000});
  endpoint(setting(*block, 0), 0x81, 3);
  EXPECT_EQ(findFormat(*block, 0, 44100, 16, 2, true, false).found, 0) << "packet size 3 does not count";
  endpoint(setting(*block, 0), 0x02, 192);
  EXPECT_EQ(findFormat(*block, 0, 44100, 16, 2, true, false).found, 0) << "an OUT endpoint for capture";
  EXPECT_EQ(findFormat(*block, 0, 48000, 16, 2, true, true).found, 1);
}

TEST(FindFormat, ContinuousRangesOnlyWhenNotDiscreteOnly) {
  auto block = oneInterface(1);
  auto& s = setting(*block, 0);
  s.format.bitResolution = 24;
  s.format.channels = 2;
  s.format.continuous = 1;
  s.format.minRate = 8000;
  s.format.maxRate = 96000;
  endpoint(s, 0x01, 288);
  EXPECT_EQ(findFormat(*block, 0, 22050, 24, 2, true, true).found, 0);
  EXPECT_EQ(findFormat(*block, 0, 22050, 24, 2, false, true).found, 1);
  EXPECT_EQ(findFormat(*block, 0, 192000, 24, 2, false, true).found, 0);
}

TEST(FindFormat, ResultNamesTheMatchingSettingOrTheLastVisited) {
  auto block = oneInterface(3);
  discrete(setting(*block, 0), 16, 2, {44100});
  discrete(setting(*block, 1), 24, 2, {44100});
  discrete(setting(*block, 2), 24, 8, {44100});
  for (int i = 0; i < 3; ++i) {
    endpoint(setting(*block, i), 0x81, 200);
  }
  const kernel::FormatMatch match = findFormat(*block, 0, 44100, 24, 2, true, false);
  EXPECT_EQ(match.found, 1);
  EXPECT_EQ(match.interfaceIndex, 0);
  EXPECT_EQ(match.alternateSetting, 1);
  EXPECT_EQ(match.bitResolution, 24);
  EXPECT_EQ(match.channels, 2);
  const kernel::FormatMatch none = findFormat(*block, 0, 44100, 32, 2, true, false);
  EXPECT_EQ(none.found, 0);
  EXPECT_EQ(none.alternateSetting, 2) << "the last visited setting";
}

TEST(FindFormat, CountsBeyondTheirSlotsAreHeldToThem) {
  // A damaged image: every count at its maximum byte value.
  auto block = std::make_unique<DeviceDescriptorBlock>();
  block->configurationCount = 255;
  for (auto& config : block->configurations) {
    config.interfaceCount = 255;
    for (auto& interface : config.interfaces) {
      interface.alternateSettingCount = 255;
      for (auto& s : interface.alternateSettings) {
        s.endpointCount = 255;
        s.format.discreteRateCount = 255;
        s.format.bitResolution = 16;
        s.format.channels = 2;
      }
    }
  }
  EXPECT_EQ(findFormat(*block, 3, 44100, 16, 2, true, false).found, 0);
  EXPECT_EQ(findFormat(*block, 200, 44100, 16, 2, true, false).found, 0);
  const kernel::FormatMatch last = findFormat(*block, 3, 44100, 16, 2, true, false);
  EXPECT_EQ(last.interfaceIndex, kernel::kMaxInterfaces - 1);
  EXPECT_EQ(last.alternateSetting, kernel::kMaxAlternateSettings - 1);
}

TEST(StandardRates, OnlyTheFive) {
  for (const std::uint32_t rate : {32000u, 44100u, 48000u, 88200u, 96000u}) {
    EXPECT_TRUE(isStandardRate(rate)) << rate;
  }
  for (const std::uint32_t rate : {0u, 22050u, 44101u, 176400u, 192000u}) {
    EXPECT_FALSE(isStandardRate(rate)) << rate;
  }
}

} // namespace
