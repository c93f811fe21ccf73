#include <driver/stream/dither_noise.h>
#include <driver/stream/sample_converter.h>

#include "reference_conversion.h"
#include "stream_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

// The first six steps from the seed 0x123456, worked out by hand: the register doubles
// (0x2468AC, 0x48D158, 0x91A2B0), then passes bit 24 (0x1234560 XOR 0x1D872B = 0x13EC24B),
// and the accumulator runs 0x369D02, 0x7F6E5A, 0x11110A, 0x4FD355, 0xCD57EB, 0xC86117.
struct Step {
  std::uint32_t noise8;
  std::uint32_t noise12;
  std::uint32_t noise16;
};
constexpr Step kFirstSteps[] = {
    {0x36, 0x69D, 0x369D}, {0x7F, 0xF6E, 0x7F6E}, {0x11, 0x111, 0x1111},
    {0x4F, 0xFD3, 0x4FD3}, {0xCD, 0xD57, 0xCD57}, {0xC8, 0x861, 0xC861},
};

TEST(DitherNoise, FirstStepsFromTheSeed) {
  DitherNoise noise;
  for (const Step& expected : kFirstSteps) {
    noise.step();
    EXPECT_EQ(noise.noise8(), expected.noise8);
    EXPECT_EQ(noise.noise12(), expected.noise12);
    EXPECT_EQ(noise.noise16(), expected.noise16);
  }
}

TEST(DitherNoise, LongRunFollowsTheDefinition) {
  DitherNoise noise;
  reference::Noise model;
  for (int i = 0; i < 100000; ++i) {
    noise.step();
    model.step();
    ASSERT_EQ(noise.noise16(), model.value(16)) << "step " << i;
    ASSERT_EQ(noise.noise12(), model.value(12)) << "step " << i;
    ASSERT_EQ(noise.noise8(), model.value(8)) << "step " << i;
  }
}

// H24 to D20 adds noise8 and keeps all 24 bits, so silence comes out as the noise itself.
reference::Bytes ditheredSilence(SampleConverter& converter, std::uint8_t* stream) {
  constexpr int kChannels = 2;
  constexpr int kFrames = 3;
  std::vector<ChannelBuffer> host(kChannels);
  for (ChannelBuffer& buffer : host) {
    buffer.allocate(24, kFrames);
  }
  EXPECT_TRUE(converter.setup(stream, kChannels, 20, kFrames, false, false, false));
  EXPECT_TRUE(converter.fromHost(host.data(), kChannels, true));
  return {stream, stream + converter.byteCount()};
}

TEST(DitherNoise, FreshConvertersStartFromTheSeed) {
  const reference::Bytes expected = {0x36, 0, 0, 0x7F, 0, 0, 0x11, 0, 0, 0x4F, 0, 0, 0xCD, 0, 0, 0xC8, 0, 0};
  std::uint8_t first[18];
  std::uint8_t second[18];
  SampleConverter one;
  SampleConverter other;
  EXPECT_EQ(ditheredSilence(one, first), expected);
  EXPECT_EQ(ditheredSilence(other, second), expected);
  // A new setup does not reseed: the same converter goes on with the seventh step.
  EXPECT_NE(ditheredSilence(one, first), expected);
}

// Samples that are not dithered take no step: after such a call on a 24-bit device, a
// dithered one still starts with the first noise.
TEST(DitherNoise, OnlyDitheredSamplesStep) {
  struct Case {
    const char* what;
    bool capture;
    int firstHostBits;
    bool firstDither;
    int ditheredHostBits;
  };
  const Case cases[] = {
      {"capture without dither", true, 16, false, 16},
      {"capture to the same width", true, 24, true, 16},
      {"capture to a wider host", true, 32, true, 16},
      {"playback without dither", false, 32, false, 32},
      {"playback from a narrower host", false, 16, true, 32},
      {"playback from the same width", false, 24, true, 32},
  };
  constexpr int kChannels = 3;
  constexpr int kFrames = 4;
  std::mt19937 rng(5);
  const reference::DeviceFormat& d24 = reference::deviceFormat("D24");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SampleConverter converter;
    ASSERT_TRUE(converter.setup(nullptr, kChannels, 24, kFrames, false, false, false));
    const reference::Bytes stream =
        stream_test::randomBytes(static_cast<std::size_t>(converter.byteCount()), rng);
    std::memcpy(converter.data(), stream.data(), stream.size());
    std::vector<ChannelBuffer> first =
        stream_test::randomHostBuffers(kChannels, c.firstHostBits, kFrames, rng);
    std::vector<ChannelBuffer> dithered =
        stream_test::randomHostBuffers(kChannels, c.ditheredHostBits, kFrames, rng);
    reference::Noise fresh;
    if (c.capture) {
      ASSERT_TRUE(converter.toHost(first.data(), kChannels, c.firstDither));
      ASSERT_TRUE(converter.toHost(dithered.data(), kChannels, true));
      EXPECT_EQ(stream_test::samplesOf(dithered),
                reference::toHost(d24, c.ditheredHostBits, stream, kChannels, kFrames, true, fresh));
    } else {
      ASSERT_TRUE(converter.fromHost(first.data(), kChannels, c.firstDither));
      const reference::Bytes expected = reference::fromHost(
          d24, c.ditheredHostBits, stream_test::samplesOf(dithered), kFrames, true, fresh);
      ASSERT_TRUE(converter.fromHost(dithered.data(), kChannels, true));
      EXPECT_EQ(reference::Bytes(converter.data(), converter.data() + converter.byteCount()), expected);
    }
  }
}

} // namespace
